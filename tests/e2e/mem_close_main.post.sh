# The save stopped with whole pages written.
size=$(wc -c < memdump.bin)
[ $((size % 256)) -eq 0 ] && [ "$size" -lt 65536 ] || { echo "memdump.bin: $size bytes"; exit 1; }
