set -e
# The data area equals the saved image except the cleared word at 7FE40020
# outside the selected block; the cleared word at 7FE20020 was restored.
head -c 524288 st/flash.bin > data.bin
cmp -n $((0x40020)) flash512k.bin data.bin
cmp -i $((0x40024)) flash512k.bin data.bin
[ "$(od -An -tx1 -j $((0x40020)) -N 4 data.bin | tr -d ' ')" = 00000000 ]
[ "$(od -An -tx1 -j $((0x40020)) -N 4 flash512k.bin | tr -d ' ')" != 00000000 ]
grep '^> ' trace.log | sed 's/^> //' > commands.txt
# One block erase, at 7FE20000.
[ "$(grep -c '000C0030$' commands.txt)" -eq 1 ]
grep -q '^02207FE20000000C0030$' commands.txt
# Data writes of the programming stay inside the block (the first two are
# the terminal's).
grep '^02207F' commands.txt | grep -v '^02207FE0\(1554\|0AA8\|0000\)' > writes.txt
[ "$(sed -n 1p writes.txt)" = 02207FE2002000000000 ]
[ "$(sed -n 2p writes.txt)" = 02207FE4002000000000 ]
[ "$(sed 1,2d writes.txt | grep -vc '^02207FE[23]')" -eq 0 ]
# 32-bit reads there: the protection of the block, the blank check after the
# erase, the read-backs of 7FE20000-7FE20A84 (used end of image block 2 is
# 20A86) and 7FE2FFFC, of 7FE30000 and 7FE3FFFC of the empty image block 3,
# and the terminal's two.
[ "$(grep -c '^0221047FE[23]' commands.txt)" -eq $((1 + 1 + 0xA84 / 4 + 1 + 1 + 2 + 2)) ]
grep -q '^0221047FE2FFFC$' commands.txt
grep -q '^0221047FE3FFFC$' commands.txt
! grep -q '^0221047FE2FFF8$' commands.txt || exit 1
