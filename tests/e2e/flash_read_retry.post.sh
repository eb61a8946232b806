set -e
head -c 524288 st/flash.bin | cmp - flash512k.bin
