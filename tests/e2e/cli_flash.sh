#!/bin/sh
# kestrel-cli's flash and image commands: cli_flash.sh BIN_DIR WORKDIR
. "$(dirname "$0")/cli_lib.sh"
# stop_at PATTERN TRACE: Ctrl-C to the command in the background ($pid) once
# the simulator's trace holds PATTERN; its exit status in rc.
stop_at() {
  while kill -0 "$pid" 2>/dev/null && ! grep -q "$1" "$2" 2>/dev/null; do sleep 0.05; done
  kill -INT "$pid"; wait "$pid"; rc=$?
  [ "$rc" -eq 130 ] || { echo "FAILED: exit $rc after Ctrl-C, expected 130"; cat err; failed=1; }
}
window "click DL_Main.Cmd_Open" "click DL_Main.Cmd_Win(9)" "click DL_Flh.Cmd(0)" 'expect DL_Flh.L1 "Done."' \
  "click DL_Main.Cmd_Win(1)" "click DL_Eff.Cmd_Ext" "choose DL_Eff.Lst 5" "click DL_Eff.Cmd_Save" \
  "choose DL_Eff.Lst 6" "click DL_Eff.Cmd_Save" 'expect DL_Eff.L2 "Saved: TCS"'
check 0 out "20 EC ST-M29F800AT Prot:UUUUUUUUUUUUUUUUUUU" "$cli" --sim flash id
check 1 err "20 77 Unknown Device Code!" "$cli" --sim --sim-args "--flash-device 77" flash id
check 0 out "Done." "$cli" --sim flash read data cli.bin
same cli.bin flash512k.bin
check 0 out 'TCS           $00930  $7512' "$cli" image list cli.bin
check 2 err "Overwrite TPT ?" "$cli" image extract cli.bin TPT
check 0 out "Saved: tpt.cli" "$cli" image extract cli.bin TPT tpt.cli
same tpt.cli TPT
check 2 err "no file NONE in the directory" "$cli" image extract cli.bin NONE
# The tables edited, put back into a copy of the image as the window does.
printf 'KESTREL TEST\000\000\000\000' | dd of=TCS conv=notrunc status=none
printf '\073\232\312\000' | dd of=TPT conv=notrunc status=none
cp cli.bin upd.bin
check 2 err "Not saved." "$cli" image update upd.bin TCS TPT
check 0 out "Done." "$cli" --yes image update upd.bin TCS TPT
window "click DL_Main.Cmd_Win(1)" "click DL_Eff.Cmd_Ext" "answer ok" "click DL_Eff.Cmd_Upd" 'expect DL_Eff.L2 "Done."'
same upd.bin flash512k.bin
! cmp -s upd.bin cli.bin || { echo "FAILED: the update changed nothing"; failed=1; }
# Programmed, then read back from the simulator's flash.
mkdir st
check 2 err "--blocks: \"5\" is not a block index" "$cli" --sim flash program upd.bin --blocks 1,5
check 2 err "not asked without a terminal" "$cli" --sim --sim-args "--state st" flash program upd.bin
# By default a program backs up the area first, leaves alone the blocks
# that already hold the image and reads the written ones back.
check 0 out "Done. 7FE20000 - 7FE3FFFF unchanged. 7FE40000 - 7FE5FFFF unchanged. 7FE60000 - 7FE7FFFF unchanged. \
Verified. Backup: flash512k-" "$cli" --yes --sim --sim-args "--state st" flash program upd.bin
backup=$(sed -n 's,^Backup: /,/,p' out); same "$backup" cli.bin
check 0 out "Done." "$cli" --sim --sim-args "--state st" flash read data back.bin
same upd.bin back.bin
# One byte changed in block 3: only that block is erased and written.
printf 'Z' | dd of=back.bin bs=1 seek=$((0x40100)) conv=notrunc status=none
check 0 out "Verified." "$cli" --yes --sim --sim-args "--state st --trace one.log" flash program back.bin --no-backup
awk '/^> 02207FE01554000500A0$/ { getline; getline; print }' one.log | cut -c3-12 | sort -u > written.txt
[ "$(grep '000C0030$' one.log)" = "> 02207FE40000000C0030" ] && [ -s written.txt ] \
  && ! grep -qv '^02207FE[45]' written.txt && head -c 524288 st/flash.bin | cmp -s - back.bin \
  || { echo "FAILED: one block changed"; cat written.txt; failed=1; }
check 2 err "not asked without a terminal" "$cli" --sim flash erase
check 0 out "Erasing...Data Flash erased. Verified. Backup: " "$cli" --yes --sim flash erase
# The backups, newest first.
check 0 out "flash data area  524288 bytes  $(sed -n 's,^Backup: /,/,p' out)" "$cli" backups
sed -n '2s/.*bytes  //p' out | grep -qxF "$backup" || { echo "FAILED: backups"; cat out; failed=1; }
check 1 err "Verify Error at 7FE23456 (read FE, expected FF)!" \
  "$cli" --yes --sim --sim-args "--stuck-bit 7FE23456:0" flash erase --no-backup
# A noisy line: a plain read keeps what it got, --verify reads again.
check 0 out "Done." "$cli" --sim --sim-args "--fault garble=7" flash read data noisy.bin
! cmp -s noisy.bin cli.bin || { echo "FAILED: garble changed nothing"; failed=1; }
check 0 out "$(sha256sum < cli.bin | cut -c1-64)  checked.bin" \
  "$cli" --sim --sim-args "--fault garble=7" flash read data checked.bin --verify
same checked.bin cli.bin
# Ctrl-C in the middle of a read keeps the complete pages read before.
"$cli" --sim --sim-args "--trace r.log" flash read data part.bin > out 2> err & pid=$!
stop_at '^> 0201807FE01000' r.log
size=$(wc -c < part.bin)
grep -q "User Break." err && [ "$size" -ge 4096 ] && [ $((size % 256)) -eq 0 ] && [ "$size" -lt 524288 ] \
  && head -c "$size" cli.bin | cmp -s - part.bin || { echo "FAILED: read stopped, $size bytes"; cat err; failed=1; }
# Ctrl-C in the middle of programming: stderr names what the decoder holds.
"$cli" --yes --sim --sim-args "--state st --trace p.log" flash program upd.bin --no-ignore-empty --all-blocks \
  --no-backup > out 2> err & pid=$!
stop_at '^> 0221047FE00100' p.log
grep -q "User Break!" err && grep -q "left with block 7FE00000-7FE0FFFF erased and partly written" err \
  || { echo "FAILED: program stopped"; cat err; failed=1; }
done_
