set -e
# The files hold the decoder's flash in address order.
head -c 524288 st/flash.bin | cmp - flash512k.bin
tail -c 1572864 st/flash.bin | cmp - firmware.bin
# The stopped save holds whole pages from the start, fewer than all of them.
size=$(wc -c < part.bin)
[ "$size" -gt 0 ]
[ "$size" -lt 524288 ]
[ $((size % 256)) -eq 0 ]
head -c "$size" st/flash.bin | cmp - part.bin
# Data, firmware and the stopped save read pages in 128-byte halves from
# 7FE00000, 7FE80000 and 7FE00000; the refused overwrite read nothing.
grep '^> ' trace.log | sed 's/^> //' > commands.txt
[ "$(sed -n 1p commands.txt)" = 0201807FE00000 ]
[ "$(sed -n 2p commands.txt)" = 0201807FE00080 ]
[ "$(sed -n 4096p commands.txt)" = 0201807FE7FF80 ]
[ "$(sed -n 4097p commands.txt)" = 0201807FE80000 ]
[ "$(sed -n 16384p commands.txt)" = 0201807FFFFF80 ]
[ "$(sed -n 16385p commands.txt)" = 0201807FE00000 ]
[ "$(wc -l < commands.txt)" -eq $((16384 + size / 128)) ]
