#!/bin/sh
# kestrel-cli's tuning, scan, SI, picture and table commands against the
# windows' files for the same actions: cli_tuning.sh BIN_DIR WORKDIR
. "$(dirname "$0")/cli_lib.sh"
window 'click DL_Main.Cmd_Open' 'click DL_Main.Cmd_Win(4)' 'click DL_TCS.Cmd(5)' 'choose DL_TCS.LTpt 0' \
  'click DL_TCS.O1(0)' 'click DL_TCS.Cmd(4)' 'set DL_TCS.FN1 "wTCS"' 'set DL_TCS.FN2 "wTPT"' 'click DL_TCS.Cmd(1)' \
  'click DL_TCS.Cmd(0)' 'click DL_TCS.Cmd(3)' 'click DL_TCS.Cmd(2)' 'set DL_TCS.FN1 "bTCS"' 'set DL_TCS.FN2 "bTPT"' \
  'click DL_TCS.Cmd(1)' 'click DL_Main.Cmd_Win(3)' 'click DL_Main.Cmd_Win(5)' 'set DL_Tune.Txt_Tune(0) "10729000"' \
  'click DL_Tune.OP(1)' 'click DL_Tune.Cmd_Dec(0)' 'click DL_Pid.Cmd_Read' 'click DL_Pid.Cmd_Save' \
  'click DL_Pid.O1(0)' 'set DL_Pid.FN "raw.txt"' 'click DL_Pid.Cmd_Save' 'click DL_Main.Cmd_Win(7)' \
  'click DL_Scr.O1(1)' 'set DL_Scr.Cmb_W "352"' 'set DL_Scr.Cmb_H "288"' 'click DL_Scr.Cmd_Read' \
  'click DL_Scr.Cmd_Dei' 'click DL_Scr.Cmd_Save' 'expect DL_Scr.L1(0) "Saved."'
check 0 out "2E  12685500" "$cli" --sim scan transponders cTCS cTPT
check 0 out "TP:01  Channels:16  Skipped:9  Added:7" "$cli" --sim scan channels cTCS cTPT --only --satmap sm.txt
same cTCS wTCS; same cTPT wTPT; same sm.txt SatMap.Txt
check 0 out "TCS.txt Saved.cTPT.txt Saved." "$cli" tables to-text cTCS cTPT
same cTCS.txt wTCS.txt; same cTPT.txt wTPT.txt
check 2 err "Overwrite cTCS.txt" "$cli" tables to-text cTCS cTPT
check 0 out "cTCS Saved.  cTPT Saved." "$cli" --yes tables to-binary cTCS cTPT
same cTCS bTCS; same cTPT bTPT
check 0 out " 001  Galvora Music   04 01 11111" "$cli" tables show cTCS cTPT
check 2 err "TCS Table file not found!" "$cli" tables show none cTPT
# STOP (Ctrl-C) once the second band's sweep is under way: what was found is saved.
"$cli" --sim --sim-args "--trace stop.log --latency 50" scan transponders sTCS sTPT > out 2> err & pid=$!
while kill -0 "$pid" && [ "$(cat stop.log 2>/dev/null | grep -c '^> 072095')" -lt 2 ]; do sleep 0.1; done
kill -INT "$pid"; wait "$pid"; rc=$?
[ "$rc" -eq 130 ] && grep -q "User Break." err && [ -s sTPT ] || { echo "FAILED: STOP ($rc)"; cat out err; failed=1; }
check 0 out "Done." "$cli" --sim screenshot shot.bmp --buffer 2 --width 352 --height 288 --delace
same shot.bmp screenshot.bmp
check 2 err "--buffer takes 1 or 2" "$cli" --sim screenshot shot.bmp --buffer 3
check 0 out "-6 dB +6dB" "$cli" --sim --log v.log volume 3 --plus6 --matrix 2
tr -d '\r' < v.log | grep -qx '>270940072' || { echo "FAILED: no volume command in the log"; failed=1; }
check 2 err "STEP is 0 to 7" "$cli" --sim volume 8
check 1 err "0701 : No Carrier!" "$cli" --sim tune 10700000 275000 --pol v
check 2 err "--pol v|h is needed" "$cli" --sim tune 10729000 275000
check 0 out "PIDs set: video 289, audio 290, PCR 289." "$cli" --sim --log d.log demux 289 290 289
[ "$(tr -d '\r' < d.log | grep '^>09' | tr '\n' ' ')" = '>090FFFF >091FFFF >094FFFF >0940121 >0910122 >0900121 ' ] \
  || { echo "FAILED: the PID commands"; failed=1; }
# One decoder for tune, then si capture: the reports equal the SI window's.
mkfifo simline; "$bin/kestrel-sim" --trace si.log > simline & sim=$!
exec 3< simline; read -r dev <&3
check 1 err "3101 : Not Tuned!" "$cli" --port "$dev" si capture
check 0 out "0700 : Carrier found." "$cli" --port "$dev" tune 10729000 275000 --pol h
check 0 out "" "$cli" --port "$dev" si capture --report details.txt
same details.txt SI_Data_TID_01100.txt; tr -d '\r' < raw.txt > raw.lf
check 0 out "" "$cli" --port "$dev" si capture --raw; same out raw.lf
kill "$sim"; wait "$sim"
# The captured sections, one a line, decode to the same reports.
{ echo "# sections"; grep '^< 310' si.log | tail -n 1 | sed 's/^< 310//; s/<LF>.*//; s/<CR>/\n/g'; } > sections.txt
check 0 out "" "$cli" si decode sections.txt; tr -d '\r' < details.txt > details.lf; same out details.lf
! grep -q CRC err || { echo "FAILED: the simulator's sections fail their CRC"; failed=1; }
# A section whose CRC is wrong: the same report, the failure named.
awk 'NR == 3 { d = substr($0, length($0)); $0 = substr($0, 1, length($0) - 1) (d == "0" ? "1" : "0") } 1' \
  sections.txt > crc.txt
check 0 err "Read OK. - 1 tables failed their CRC check" "$cli" si decode crc.txt; same out details.lf
check 0 err "table 1:  02" "$cli" --sim --sim-args "--si-file crc.txt" si capture
check 0 out "" "$cli" si decode --raw sections.txt; same out raw.lf
echo 0A1 > odd.txt; check 2 err "line 1: odd number" "$cli" si decode odd.txt
done_
