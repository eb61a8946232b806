# Pages 7FE800..7FE807 lie 512 KB into flash.bin, which starts at 7FE00000.
dd if=st/flash.bin bs=256 skip=2048 count=8 2>/dev/null | cmp - fw.bin
# The retried page is stored right; the stopped, closed and cut saves hold
# the whole pages read before.
cmp retried.bin again.bin
head -c 2816 full.bin | cmp - stopped.bin
cmp stopped.bin closed.bin
head -c 2560 full.bin | cmp - memdump.bin
[ "$(grep -c '^! readfail' trace.log)" -eq 11 ]
[ "$(grep -c '^02018040300600' commands.txt)" -eq 9 ]
[ "$(grep -c '^02018040300900' commands.txt)" -eq 2 ]
