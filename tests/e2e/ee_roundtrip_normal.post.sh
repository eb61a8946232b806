set -e
# The save held the EEPROM the decoder started with, the EEPROM now holds
# the restored image, and the refused overwrite left the first save alone.
cmp original.bin saved.bin
cmp restore.bin st/eeprom.bin
cmp restore.bin readback.bin
# 16 reads, 16 writes of 128 bytes (7 + 256 characters), 16 reads, 16 reads.
grep '^> ' trace.log | sed 's/^> //' > commands.txt
[ "$(wc -l < commands.txt)" -eq 64 ]
[ "$(sed -n '17,32p' commands.txt | grep -c '^0600[0-7][08]0[0-9A-F]\{256\}$')" -eq 16 ]
sed -n '1,16p' commands.txt > reads.txt
for p in 0 1 2 3 4 5 6 7; do echo "0610${p}0080"; echo "0610${p}8080"; done | cmp - reads.txt
sed -n '17p' commands.txt | cut -c1-7 | grep -qx '0600000'
sed -n '18p' commands.txt | cut -c1-7 | grep -qx '0600080'
