#!/bin/sh
# faults.sh KESTREL WORKDIR: line faults and long runs through the real
# program, one case a row. Long commands go out whole and leave the port
# open; a link lost in the middle of a screenshot or a scan ends it with the
# link's message; closed windows are gone between statements.
k=$1; work=$2
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config-home"
failed=0
run() { # run NAME KESTREL-ARGS...: the script on stdin
  name=$1; shift
  timeout 600 "$k" --script /dev/stdin "$@" > "$name.out" 2>&1 || { echo "FAILED: $name"; cat "$name.out"; failed=1; }
}

# Commands of 16 and 64 KB, typed and as macro items.
for size in 16384 65536; do
  long=$(head -c "$size" /dev/zero | tr '\0' '0')
  printf 'C$%s\r\n' "$long" > long.txt
  run "send-$size" --sim <<EOS
click DL_Main.Cmd_Open
set DL_Main.Txt_P2D "$long"
click DL_Main.Cmd_Dec(3)
expect DL_Main.Txt_D2P "??E : Syntax error!"
set DL_Main.FNp "long.txt"
click DL_Main.Cmd_Dec(4)
expect-contains DL_Main.Txt_D2P "Command error: C\$000"
expect-enabled DL_Main.Cmd_Close yes
set DL_Main.Txt_P2D "09"
click DL_Main.Cmd_Dec(3)
expect DL_Main.Txt_D2P "09E : Syntax error!"
EOS
done

# The link lost in the middle of each long job: the job ends with the
# link's message, never "Done.".
tp='10729000  00000  00000  00  00  3/4  H/D\r\n'
printf "01  $tp""02  $tp""03  $tp" > TPT.txt
printf ' 001 Loaded 1         01 02 00001 00002 00003 65535 65535 00002\r\n' > TCS.txt
lost="the device is gone (unplugged or hung up) - port closed."
for fault in hangup exit; do
  run "screenshot-$fault" --sim --sim-args "--fault $fault=40" <<EOS
click DL_Main.Cmd_Open
click DL_Main.Cmd_Win(7)
click DL_Scr.Cmd_Read
expect-contains DL_Scr.L1(0) "$lost"
expect-contains DL_Main.Txt_D2P "$lost"
EOS
  run "transponder-scan-$fault" --sim --sim-args "--fault $fault=6" <<EOS
click DL_Main.Cmd_Open
click DL_Main.Cmd_Win(4)
click DL_TCS.Cmd(5)
expect-contains DL_TCS.L2 "$lost"
expect-contains DL_Main.Txt_D2P "$lost"
EOS
  run "channel-scan-$fault" --sim --sim-args "--fault $fault=3" <<EOS
click DL_Main.Cmd_Open
click DL_Main.Cmd_Win(4)
click DL_TCS.Cmd(2)
expect-count DL_TCS.LTpt 3
choose DL_TCS.LTpt 0
click DL_TCS.Cmd(4)
expect-contains DL_TCS.L2 "$lost"
expect-contains DL_Main.Txt_D2P "$lost"
EOS
done

# Fifty rounds of opening and closing each tool window leave none behind.
windows="DL_EE DL_Eff DL_Mem DL_Pid DL_TCS DL_Tune DL_Reg DL_Scr DL_Vol DL_Flh"
{
  echo "click DL_Main.Cmd_Open"
  round=0
  while [ $round -lt 50 ]; do
    i=0
    for w in $windows; do
      echo "click DL_Main.Cmd_Win($i)"
      echo "close $w"
      i=$((i + 1))
    done
    round=$((round + 1))
  done
  for w in $windows; do echo "expect-windows $w 0"; done
} > rounds.kscript
run rounds --sim < rounds.kscript

[ "$failed" -eq 0 ] && echo "faults: all cases passed"
exit "$failed"
