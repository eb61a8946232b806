# The macro's writes; one page through each read mode (the view changes read
# nothing); then the pages of Read Page, "--" and "+" in order.
{
  sed 's/^C\$//' SoftReset.txt
  echo 02018040000000; echo 02018040000080
  for i in $(seq 0 255); do printf '0201400000%02X\n' "$i"; done
  for i in $(seq 0 4 252); do printf '0221400001%02X\n' "$i"; done
  for i in $(seq 0 4 252); do printf '0221400000%02X\n' "$i"; done
  for i in $(seq 0 2 254); do printf '0211400000%02X\n' "$i"; done
  for p in 402800 402801 402801 402800 402801 7FE800 FFFFFF 000000; do
    echo "020180${p}00"; echo "020180${p}80"
  done
} | cmp - commands.txt
