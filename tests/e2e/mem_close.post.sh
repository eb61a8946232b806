# Whole pages, far fewer than the 256 asked for; no read after the close
# other than the page of the reopened window and the terminal's command.
size=$(wc -c < memdump.bin)
[ "$size" -gt 0 ] && [ $((size % 256)) -eq 0 ] && [ "$size" -lt 65536 ] || { echo "memdump.bin: $size bytes"; exit 1; }
pages=$((size / 256))
[ "$(grep -c '^> 020180' trace.log)" -eq $((2 * pages + 2)) ] || { grep -c '^> 020180' trace.log; exit 1; }
tail -n 3 trace.log | grep -q '^> 09$' || exit 1
