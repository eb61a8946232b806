# Channel 1 renamed, transponder 1's symbol rate code changed, as an editor would.
cp TCS TCS.read; cp TPT TPT.read
printf 'KESTREL TEST\000\000\000\000' | dd of=TCS conv=notrunc status=none
printf '\001' | dd of=TPT bs=1 seek=9 conv=notrunc status=none
"$KESTREL" --script update.kscript --sim --sim-args "--state st --trace trace2.log"
# The image and the programmed flash hold the edited tables where the read
# ones were, and nothing else changed.
tail -c +$((0x139)) flash512k.bin | head -c $((0x7F8)) | cmp - TPT
tail -c +$((0x931)) flash512k.bin | head -c $((0x7512)) | cmp - TCS
head -c 524288 st/flash.bin | cmp - flash512k.bin
cmp -i 16 TCS.read TCS
[ "$(head -c 12 TCS)" = 'KESTREL TEST' ]
[ "$(cmp -l TPT.read TPT | awk '{ print $1, $2, $3 }')" = '10 0 1' ]
# Only block 0 and 1 were erased.
[ "$(grep -c '000C0030$' trace2.log)" -eq 1 ]
