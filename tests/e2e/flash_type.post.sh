set -e
# Unlock and autoselect, manufacturer and device codes, the protection of the
# 16 blocks with the three boot-area blocks after the last one, reset; twice.
grep '^> ' trace.log | sed 's/^> //' > commands.txt
one() {
  echo 02207FE01554005500AA
  echo 02207FE00AA800AA0055
  echo 02207FE0155400090090
  echo 0221047FE00000
  echo 0221047FE00004
  for a in 7FE0 7FE2 7FE4 7FE6 7FE8 7FEA 7FEC 7FEE 7FF0 7FF2 7FF4 7FF6 7FF8 7FFA 7FFC; do
    echo "022104${a}0008"
  done
  echo 0221047FFE0008
  echo 0221047FFE8008
  echo 0221047FFEC008
  echo 0221047FFF0008
  echo 02207FE00000000F00F0
}
{ one; one; } | cmp - commands.txt
