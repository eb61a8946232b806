# One run a kind of name: NAME is made that kind, and so are screenshot.bmp
# (the picture's fixed name) and NAME.txt (the channel tables' text form).
# A device node needs root; elsewhere a link to /dev/null stands in for one.
make() { # make KIND PATH
  case $1 in
    pipe) mkfifo "$2" ;;
    node) mknod "$2" c 1 3 2>/dev/null || ln -s /dev/null "$2" ;;
    folder) mkdir "$2" ;;
  esac
}
kept() { # kept KIND PATH: still what it was made
  case $1 in pipe) [ -p "$2" ] ;; node) [ -c "$2" ] ;; folder) [ -d "$2" ] ;; esac
}
printf '01  10729000  00000  00000  00  00  3/4  H/D\r\n' > TPT.txt
printf ' 001 Loaded 1         01 02 00001 00002 00003 65535 65535 00002\r\n' > TCS.txt
failed=0
for row in "pipe:Not a regular file" "node:Not a regular file" "folder:Is a directory"; do
  kind=${row%%:*} why=${row#*:}
  mkdir "$kind" && cp TPT.txt TCS.txt "$kind" && cd "$kind"
  for n in out out.txt screenshot.bmp; do make "$kind" "$n"; done
  timeout 300 "$KESTREL" --script /dev/stdin --sim <<EOS || { echo "the $kind names failed"; failed=1; }
click DL_Main.Cmd_Open
click DL_Main.Cmd_Win(2)
set DL_Mem.Txt_E "402801"
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
expect DL_Pid.L1 "Read OK."
set DL_Pid.FN "out"
click DL_Pid.Cmd_Save
expect DL_Pid.L1 "Cannot write out - $why"
click DL_Main.Cmd_Win(4)
click DL_TCS.Cmd(2)
expect-count DL_TCS.LTcs 1
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
expect DL_Scr.L1(0) "Done."
click DL_Scr.Cmd_Save
expect DL_Scr.L1(0) "Cannot write screenshot.bmp - $why"
EOS
  for n in out out.txt screenshot.bmp; do
    kept "$kind" "$n" || { echo "the $kind $n was replaced"; ls -l "$n"; failed=1; }
  done
  cd ..
done
exit $failed
