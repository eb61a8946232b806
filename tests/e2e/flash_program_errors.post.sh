set -e
grep '^> ' trace.log | sed 's/^> //' > commands.txt
# Block erases at 7FE00000, 7FE40000 and twice at 7FE20000, nothing else.
grep '000C0030$' commands.txt > erases.txt
printf '02207FE00000000C0030\n02207FE40000000C0030\n02207FE20000000C0030\n02207FE20000000C0030\n' | cmp - erases.txt
# The protected block was not programmed, the verify ended at 7FE40004.
[ "$(grep '^02207FE[01]' commands.txt | grep -vc '^02207FE0\(1554\|0AA8\|0000\)')" -eq 0 ]
sed -n '/^02207FE40000000C0030$/,/^02207FE20000000C0030$/p' commands.txt | grep '^022104' > verify.txt
[ "$(tail -n 1 verify.txt)" = 0221047FE40004 ]
# STOP came in the middle of the block, after some words were programmed.
sed -n '/^02207FE20000000C0030$/,$p' commands.txt | sed '1d' | sed '/^02207FE20000000C0030$/,$d' > stopped.txt
[ "$(grep -c '^0221047FE2' stopped.txt)" -gt 2 ]
[ "$(grep -c '^0221047FE' stopped.txt)" -lt 32768 ]
# The last run read back far fewer than the 32768 words of the block and
# ended with the last word of the empty image block 3.
last=$(grep -n '^02207FE20000000C0030$' commands.txt | tail -n 1 | cut -d: -f1)
sed "1,${last}d" commands.txt | grep '^0221047FE[23]' > readbacks.txt
[ "$(wc -l < readbacks.txt)" -lt 32000 ]
[ "$(tail -n 1 readbacks.txt)" = 0221047FE3FFFC ]
# The block holds the data image again.
cmp -i $((0x20000)) -n $((0x20000)) data.bin st/flash.bin
