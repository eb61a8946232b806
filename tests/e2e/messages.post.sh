# A full disk, as a file size limit of 8 KB makes one (its signal ignored,
# so the write fails with the system's reason): the save stops at the page
# refused.
(trap '' XFSZ; ulimit -f 16; "$KESTREL" --script /dev/stdin --sim) <<EOF
click DL_Main.Cmd_Open
click DL_Main.Cmd_Win(2)
set DL_Mem.Txt_File "mem.bin"
answer ok
click DL_Mem.Cmd(3)
expect DL_Mem.L2 "Reading 402820XX - Write Error !!! (mem.bin - File too large)"
click DL_Main.Cmd_Win(9)
set DL_Flh.FN1(0) "flash.bin"
click DL_Flh.Cmd(0)
expect DL_Flh.L1 "Cannot write flash.bin - File too large"
EOF
# A folder that refuses new files: one without write permission or, for
# root, whom permissions do not stop, sysfs, which refuses everyone.
mkdir ro && chmod 555 ro
ro=ro
if touch ro/probe 2>/dev/null; then
  rm ro/probe
  ro=/sys
  if touch /sys/probe 2>/dev/null; then
    rm -f /sys/probe; ro=
    echo "notice: no folder here refuses this user; the read-only folder is not checked"
  fi
fi
[ -z "$ro" ] || "$KESTREL" --script /dev/stdin --sim <<EOF
click DL_Main.Cmd_Open
click DL_Main.Cmd_Win(2)
set DL_Mem.Txt_File "$ro/dump.bin"
click DL_Mem.Cmd(3)
expect DL_Mem.L2 "Cannot create $ro/dump.bin - Permission denied"
click DL_Main.Cmd_Win(0)
set DL_EE.Txt_File "$ro/eeprom.bin"
click DL_EE.Cmd(3)
expect DL_EE.Txt "Reading Page 7\nSaving $ro/eeprom.bin - Not saved. (Permission denied)"
click DL_Main.Cmd_Win(9)
set DL_Flh.FN1(0) "$ro/flash512k.bin"
click DL_Flh.Cmd(0)
expect DL_Flh.L1 "Cannot write $ro/flash512k.bin - Permission denied"
EOF
# A port whose lock file names a running process (this shell) is in use by it.
dev=ttyKestrel$$ lock=
for d in /run/lock /var/lock; do [ -w "$d" ] && lock=$d/LCK..$dev && break; done
[ -n "$lock" ] || { echo "notice: no lock folder can be written; the port in use is not checked"; exit 0; }
printf '%10d\n' $$ > "$lock"
rc=0
"$KESTREL" --script /dev/stdin --port1 "/dev/$dev" <<EOF || rc=1
click DL_Main.Cmd_Open
expect DL_Main.Txt_D2P "Cannot open /dev/$dev: in use by process $$ (sh)"
EOF
rm -f "$lock"
exit $rc
