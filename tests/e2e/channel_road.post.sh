# The editor's double clicks: channel 21 and transponder 1 tuned, the
# padding record silent, channel 1 tuned through a reloaded tuning window.
cat > expected.txt <<'END'
090FFFF
091FFFF
094FFFF
070102425022750001002
0940661
0910662
0900661
070097900022750002002
090FFFF
091FFFF
094FFFF
070097900022750002002
0940102
0910102
090FFFF
END
grep -v '^0201' commands.txt | cmp expected.txt -
# Channel 1 renamed and transponder 1 moved to 10750000 kHz (an IF of
# 1000000000 Hz) where no carrier
# is, as an editor would.
cp TCS TCS.read; cp TPT TPT.read
printf 'KESTREL TEST\000\000\000\000' | dd of=TCS conv=notrunc status=none
printf '\073\232\312\000' | dd of=TPT conv=notrunc status=none
"$KESTREL" --script update.kscript --sim --sim-args "--state st --trace trace2.log"
# The image and the programmed flash hold the edited tables where the read
# ones were, and nothing else changed.
tail -c +$((0x139)) flash512k.bin | head -c $((0x7F8)) | cmp - TPT
tail -c +$((0x931)) flash512k.bin | head -c $((0x7512)) | cmp - TCS
head -c 524288 st/flash.bin | cmp - flash512k.bin
cmp -i 16 TCS.read TCS
[ "$(head -c 12 TCS)" = 'KESTREL TEST' ]
cmp -i 4 TPT.read TPT
# Only the first erase block was erased; channel 1 got the PID resets and
# the tune, but no PIDs.
[ "$(grep -c '000C0030$' trace2.log)" -eq 1 ]
grep '^> 0[79]' trace2.log | sed 's/^> //' > tuned.txt
printf '%s\n' 090FFFF 091FFFF 094FFFF 070100000022750002002 | cmp - tuned.txt
# A file longer than an image (a memory dump taken for one): listed with a
# warning, and the update says how much it cuts off before it writes.
{ cat flash512k.bin; head -c 100000 /dev/zero; } > long.bin
"$KESTREL" --script /dev/stdin <<EOF
click DL_Main.Cmd_Win(1)
set DL_Eff.Txt_File "long.bin"
click DL_Eff.Cmd_Ext
expect DL_Eff.L2 "Done. The file is 624288 bytes, not 524288: it does not look like a data-flash image."
answer cancel
click DL_Eff.Cmd_Upd
expect DL_Eff.L2 "Not saved."
expect-file long.bin size 624288
answer ok
answer ok
click DL_Eff.Cmd_Upd
expect DL_Eff.L2 "Done. The file was cut to 524288 bytes."
expect-file long.bin size 524288
EOF
