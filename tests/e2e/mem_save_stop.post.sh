# The stopped save holds whole pages, fewer than asked for, equal to the
# start of the complete save; the last page it read is the one in the status.
size=$(wc -c < memdump.bin)
[ "$size" -gt 0 ] && [ $((size % 256)) -eq 0 ] && [ "$size" -lt 65536 ] || { echo "memdump.bin: $size bytes"; exit 1; }
full=$(wc -c < full.bin)
n=$size; [ "$full" -lt "$n" ] && n=$full
cmp -n "$n" memdump.bin full.bin
# The last page the stopped save read is the last one it wrote.
pages=$((size / 256))
last=$(grep '^> 020180' trace.log | head -n $((2 * pages)) | tail -n 1)
[ "$last" = "$(printf '> 020180%06X80' $((0x402800 + pages - 1)))" ]
