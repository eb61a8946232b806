#!/bin/sh
# faults.sh KESTREL WORKDIR: bad names and line faults through the real
# program, one generated script a row.
k=$1; work=$2
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config-home"
failed=0
run() { # run NAME KESTREL-ARGS...: the script on stdin
  timeout 600 "$k" --script /dev/stdin --sim "$@" > "$work/run.log" 2>&1 || { echo "FAILED: $row"; cat "$work/run.log"; failed=1; }
}
tp='10729000  00000  00000  00  00  3/4  H/D\r\n'
printf "01  $tp""02  $tp""03  $tp" > TPT.txt
printf ' 001 Loaded 1         01 02 00001 00002 00003 65535 65535 00002\r\n' > TCS.txt

# A pipe, a device node (a link to /dev/null where mknod needs root) and a
# folder as the name of every save: refused with the reason, never waited
# on, never replaced. The picture's name is fixed, the text tables add .txt.
for row in "pipe:-p:Not a regular file" "node:-c:Not a regular file" "folder:-d:Is a directory"; do
  kind=${row%%:*} test=${row#*:} test=${test%%:*} why=${row##*:}
  mkdir "$kind" && cp TPT.txt TCS.txt "$kind" && cd "$kind" || exit 1
  for n in out out.txt screenshot.bmp; do
    case $kind in pipe) mkfifo $n ;; node) mknod $n c 1 3 2>/dev/null || ln -s /dev/null $n ;; *) mkdir $n ;; esac
  done
  run <<EOS
click DL_Main.Cmd_Open
click DL_Main.Cmd_Win(2)
set DL_Mem.Txt_File "out"
click DL_Mem.Cmd(3)
expect DL_Mem.L2 "Cannot create out - $why"
click DL_Main.Cmd_Win(0)
set DL_EE.Txt_File "out"
click DL_EE.Cmd(3)
expect DL_EE.Txt "Reading Page 7\nSaving out - Not saved. ($why)"
click DL_Main.Cmd_Win(9)
set DL_Flh.FN1(0) "out"
click DL_Flh.Cmd(0)
expect DL_Flh.L1 "Cannot write out - $why"
click DL_Main.Cmd_Win(5)
set DL_Tune.Txt_Tune(0) "10729000"
click DL_Tune.OP(1)
click DL_Tune.Cmd_Dec(0)
click DL_Main.Cmd_Win(3)
click DL_Pid.Cmd_Read
set DL_Pid.FN "out"
click DL_Pid.Cmd_Save
expect DL_Pid.L1 "Cannot write out - $why"
click DL_Main.Cmd_Win(4)
click DL_TCS.Cmd(2)
set DL_TCS.FN1 "out"
set DL_TCS.FN2 "out"
click DL_TCS.Cmd(1)
expect DL_TCS.L2 "Cannot write out - $why  Cannot write out - $why  "
click DL_TCS.Cmd(3)
expect DL_TCS.L2 "Cannot write out.txt - $why  Cannot write out.txt - $why  "
click DL_Main.Cmd_Win(7)
set DL_Scr.Cmb_W "32"
set DL_Scr.Cmb_H "32"
click DL_Scr.Cmd_Read
click DL_Scr.Cmd_Save
expect DL_Scr.L1(0) "Cannot write screenshot.bmp - $why"
EOS
  for n in out out.txt screenshot.bmp; do [ "$test" "$n" ] || { echo "FAILED: $kind $n replaced"; failed=1; }; done
  cd ..
done

# Commands of 16 and 64 KB, typed and as a macro item, go out whole and
# leave the port open.
for row in 16384 65536; do
  long=$(head -c "$row" /dev/zero | tr '\0' '0')
  printf 'C$%s\r\n' "$long" > long.txt
  run <<EOS
click DL_Main.Cmd_Open
set DL_Main.Txt_P2D "$long"
click DL_Main.Cmd_Dec(3)
expect DL_Main.Txt_D2P "??E : Syntax error!"
set DL_Main.FNp "long.txt"
click DL_Main.Cmd_Dec(4)
expect-contains DL_Main.Txt_D2P "Command error: C\$000"
set DL_Main.Txt_P2D "09"
click DL_Main.Cmd_Dec(3)
expect DL_Main.Txt_D2P "09E : Syntax error!"
EOS
done

# The link lost in the middle of each long job (the fault after the Nth
# reply) ends it with the link's message, never "Done.".
for row in "hangup=40:7:Cmd_Read:L1(0)" "exit=40:7:Cmd_Read:L1(0)" "hangup=6:4:Cmd(5):L2" "exit=6:4:Cmd(5):L2" \
           "hangup=3:4:Cmd(4):L2" "exit=3:4:Cmd(4):L2"; do
  IFS=: read -r fault win button status <<EOF
$row
EOF
  w=$( [ "$win" = 7 ] && echo DL_Scr || echo DL_TCS )
  run --sim-args "--fault $fault" <<EOS
click DL_Main.Cmd_Open
click DL_Main.Cmd_Win($win)
$( [ "$button" = "Cmd(4)" ] && printf 'click DL_TCS.Cmd(2)\nchoose DL_TCS.LTpt 0' )
click $w.$button
expect-contains $w.$status "the device is gone (unplugged or hung up) - port closed."
expect-contains DL_Main.Txt_D2P "the device is gone (unplugged or hung up) - port closed."
EOS
done

# Fifty rounds of opening and closing the ten tool windows leave none.
row=rounds
windows="DL_EE DL_Eff DL_Mem DL_Pid DL_TCS DL_Tune DL_Reg DL_Scr DL_Vol DL_Flh"
echo "click DL_Main.Cmd_Open" > rounds.kscript
for r in $(seq 50); do
  i=0
  for w in $windows; do echo "click DL_Main.Cmd_Win($i)" && echo "close $w" && i=$((i + 1)); done
done >> rounds.kscript
for w in $windows; do echo "expect-windows $w 0"; done >> rounds.kscript
run < rounds.kscript

[ "$failed" -eq 0 ] && echo "faults: all cases passed"
exit "$failed"
