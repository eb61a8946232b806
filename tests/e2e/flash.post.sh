# Identification: unlock and autoselect, both codes, the protection of the
# 16 blocks with the three boot-area blocks after the last one, reset.
{
  echo 02207FE01554005500AA; echo 02207FE00AA800AA0055; echo 02207FE0155400090090
  echo 0221047FE00000; echo 0221047FE00004
  for a in 7FE0 7FE2 7FE4 7FE6 7FE8 7FEA 7FEC 7FEE 7FF0 7FF2 7FF4 7FF6 7FF8 7FFA 7FFC 7FFE; do echo "022104${a}0008"; done
  echo 0221047FFE8008; echo 0221047FFEC008; echo 0221047FFF0008; echo 02207FE00000000F00F0
} > expected.txt
head -n 25 commands.txt | cmp expected.txt -
# Saves read pages in halves, in address order; a failed read is repeated.
awk -v d="$((0x7FE000))" -v f="$((0x7FE800))" -v e="$((0x7FFFFF))" '
  function pages(a, b) { for (p = a; p <= b; p++) printf "020180%06X00\n020180%06X80\n", p, p }
  BEGIN { pages(d, d); print "0201807FE00100"; pages(d + 1, f - 1)
          for (i = 0; i < 9; i++) print "0201807FE80000"
          pages(f, e); pages(d, d + 10); pages(d, f - 1); pages(d, d + 9); pages(d, f - 1) }' > expected.txt
grep '^0201807F' commands.txt | cmp expected.txt -
# The firmware area is never written, block 0 is protected, block 2 was
# programmed last from the saved data.
tail -c 1572864 st/flash.bin | cmp - firmware.bin
head -c 524288 st/flash.bin | cmp - flash512k.bin
# The backup taken before the last program is the data area as it was then.
[ "$(cat state-home/kestrel/backups/flash512k-*.bin | wc -c)" -eq 524288 ]
head -c 2816 flash512k.bin | cmp - part.bin
head -c 2560 flash512k.bin | cmp - cut.bin
# Block erases in this order; blocks 0 and 1 get only command cycles.
printf '02207FE%s0000000C0030\n' 0 4 2 2 6 4 > expected.txt
grep '000C0030$' commands.txt | cmp expected.txt -
[ "$(grep '^02207FE[01]' commands.txt | grep -vc '^02207FE0\(1554\|0AA8\|0000\)')" -eq 0 ]
# Read-backs after each erase: the verify ended at 7FE40004, STOP came after
# 19 words; the last programming of block 2 wrote only inside it and read
# back its used part to 7FE20A84, the last word of its first 64 KB and the
# first and last of the empty second; the close came at the 33rd empty word.
set -- $(grep -n '000C0030$' commands.txt | cut -d: -f1)
after() { sed -n "$1,\$p" commands.txt | sed '/^0221047FE3FFFC$/q'; }
[ "$(sed -n "$2,$3p" commands.txt | grep '^022104' | tail -n 1)" = 0221047FE40004 ]
[ "$(sed -n "$3,$4p" commands.txt | grep -c '^0221047FE2')" -eq 20 ]
[ "$(after "$4" | grep -c '^0221047FE[23]')" -eq $((1 + 0xA84 / 4 + 1 + 1 + 2)) ]
after "$4" | grep -q '^0221047FE2FFFC$'
! after "$4" | grep -q '^0221047FE2FFF8$' || exit 1
[ "$(after "$4" | grep '^02207F' | grep -v '^02207FE0\(1554\|0AA8\)' | grep -vc '^02207FE[23]')" -eq 0 ]
# (and one more: the next identification reads the block's protection).
[ "$(sed -n "$5,$6p" commands.txt | grep -c '^0221047FE6')" -eq 35 ]
[ "$(tail -n 1 commands.txt)" = 09 ]
