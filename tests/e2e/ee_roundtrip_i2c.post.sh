set -e
# The save held the EEPROM the decoder started with, the EEPROM now holds
# the restored image, and the refused overwrite left the first save alone.
cmp original.bin saved.bin
cmp restore.bin st/eeprom.bin
cmp restore.bin readback.bin
# 128 row reads, 128 row writes of 16 bytes (39 characters), 128 + 128 reads.
grep '^> ' trace.log | sed 's/^> //' > commands.txt
[ "$(wc -l < commands.txt)" -eq 512 ]
[ "$(sed -n '129,256p' commands.txt | grep -c '^270A[02468ACE][0-9A-F]0[0-9A-F]\{32\}$')" -eq 128 ]
sed -n '1,128p' commands.txt > reads.txt
for d in 0 2 4 6 8 A C E; do
  for r in 0 1 2 3 4 5 6 7 8 9 A B C D E F; do echo "272A${d}${r}010"; done
done | cmp - reads.txt
sed -n '129p' commands.txt | cut -c1-7 | grep -qx '270A000'
sed -n '256p' commands.txt | cut -c1-7 | grep -qx '270AEF0'
