# Pages 7FE800..7FE807 lie 512 KB into flash.bin, which starts at 7FE00000.
dd if=st/flash.bin of=expected.bin bs=256 skip=2048 count=8 2>/dev/null
cmp expected.bin fw.bin
