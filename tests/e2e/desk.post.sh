# Kept oldest first, once each, without the access text that was sent.
printf '%s\n' 09 0901FFFF 0900ZZZZ | cmp - cfg/history
grep -qx trabune commands.txt && grep -qx TRABUNE commands.txt
# A history past 500 commands loses its oldest; places come back, and the
# check boxes that add to a write, but no other start state.
{ seq 1 499 | sed 's/^/H/'; cat cfg/history; } > longer && mv longer cfg/history
"$KESTREL" --script /dev/stdin --sim --settings cfg <<EOF
expect-geometry DL_Main 40 50 720 480
expect DL_Main.Cmb_COM "9600"
expect DL_Main.FNp "SoftReset.txt"
expect-checked DL_Main.Mrm(0) yes
expect-checked DL_Main.Asc no
click DL_Main.Cmd_Open
click DL_Main.Cmd_Win(2)
expect-geometry DL_Mem 100 60 700 500
expect DL_Mem.Txt_File "memdump.bin"
expect-checked DL_Mem.O1(0) yes
click DL_Main.Cmd_Win(0)
expect-checked DL_EE.Chk_Vfy yes
expect-checked DL_EE.Chk_Bak no
key DL_Main.Txt_P2D Up
expect DL_Main.Txt_P2D "0900ZZZZ"
set DL_Main.Txt_P2D "090ABCD"
key DL_Main.Txt_P2D Enter
EOF
[ "$(wc -l < cfg/history)" -eq 500 ] && [ "$(head -n 1 cfg/history)" = H4 ] && [ "$(tail -n 1 cfg/history)" = 090ABCD ]
# Only a device that opened is kept for the next run: a missing one is not,
# a decoder's terminal is, and the device box shows it for its port.
"$KESTREL" --script /dev/stdin --port2 /dev/ttyKestrelNone --settings cfg <<EOF
click DL_Main.Opt_COM(1)
click DL_Main.Cmd_Open
expect DL_Main.Txt_D2P "Cannot open /dev/ttyKestrelNone: No such file or directory"
EOF
! grep -q ttyKestrelNone cfg/kestrel.conf || { echo "FAILED: a device that did not open was kept"; exit 1; }
mkfifo simout
"$(dirname "$KESTREL")/kestrel-sim" > simout & sim=$!
exec 3< simout
read -r pty <&3
"$KESTREL" --script /dev/stdin --port2 "$pty" --settings cfg <<EOF
click DL_Main.Opt_COM(1)
click DL_Main.Cmd_Open
expect-enabled DL_Main.Cmd_Close yes
EOF
kill "$sim"; exec 3<&-
"$KESTREL" --script /dev/stdin --settings cfg <<EOF
expect DL_Main.Cmb_Port "/dev/ttyS0"
click DL_Main.Opt_COM(1)
expect DL_Main.Cmb_Port "$pty"
EOF
# A script without --settings neither reads the user's folder nor writes it.
mkdir -p "$XDG_CONFIG_HOME" && cp -r cfg "$XDG_CONFIG_HOME/kestrel"
"$KESTREL" --script /dev/stdin --sim <<EOF
click DL_Main.Cmd_Open
key DL_Main.Txt_P2D Up
expect DL_Main.Txt_P2D ""
set DL_Main.Txt_P2D "09"
key DL_Main.Txt_P2D Enter
EOF
diff -r cfg "$XDG_CONFIG_HOME/kestrel"
