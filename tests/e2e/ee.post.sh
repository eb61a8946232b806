# The saves held the EEPROM as it was; the restores wrote every byte; the
# refused overwrite kept the first save; STOP and the close left the pages
# before written and the rest as it was.
cmp default.bin saved.bin
cmp image1.bin readback1.bin
cmp image2.bin readback2.bin
# The backup taken before the last write holds what the close left.
backup=$(ls state-home/kestrel/backups/eeprom-*.bin)
cmp -n 768 default.bin "$backup"
cmp -i 768 image2.bin "$backup"
cmp image1.bin st/eeprom.bin
# Normal mode reads rows of 16 (READ) or half pages and writes half pages;
# I2C mode reads and writes rows of 16 bytes at two device pages per page.
rows() { for r in 0 1 2 3 4 5 6 7 8 9 A B C D E F; do echo "$1$r$2"; done; }
pages() { for p in $(seq 0 $(($2 - 1))); do printf "$1" "$p" "$p"; done; }
save='0610%d0080\n0610%d8080\n'; write='0600%d00\n0600%d80\n'
i2c() { for d in 0 2 4 6 8 A C E; do rows "$1$d" "$2"; done; }
{
  rows 06103 010; rows 272A6 010
  for p in 7 0; do rows "0610$p" 010; done
  pages "$save" 8; pages "$write" 8; pages "$save" 8; pages "$save" 8
  i2c 270A 0; i2c 272A 010
  rows 06100 010 | head -n 5; pages "$save" 2; pages "$write" 2
  rows 06107 010; pages "$write" 3; rows 06100 010
  pages "$save" 8; pages "$write" 8; pages "$save" 8
} > expected.txt
sed 's/^\(0600...\).*/\1/; s/^\(270A...\).*/\1/' commands.txt | cmp expected.txt -
