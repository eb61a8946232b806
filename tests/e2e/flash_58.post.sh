# One "280", after the identification. It blanked the data area except its
# protected blocks, and left the firmware.
[ "$(grep -c . commands.txt)" -eq 26 ]
[ "$(tail -n 1 commands.txt)" = 280 ]
used() { dd if=st/flash.bin bs=4096 skip=$(($1 / 4096)) count=$(($2 / 4096)) 2>/dev/null | od -An -v -tx1 | tr -d ' \nf' | wc -c; }
[ "$(used 0x8000 0x8000)" -eq 0 ] && [ "$(used 0x30000 0x50000)" -eq 0 ]
[ "$(used 0 0x8000)" -gt 0 ] && [ "$(used 0x80000 0x180000)" -gt 0 ]
