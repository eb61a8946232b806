#!/bin/sh
# command_line.sh BIN VERSION WORKDIR: the options of the three programs,
# one case a row: exit status, the stream that holds the text, the text,
# the command.
bin=$1; version=$2; work=$3
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config-home"
failed=0
check() {
  want=$1 stream=$2 text=$3; shift 3
  "$@" > out 2> err; rc=$?
  if [ "$rc" -ne "$want" ] || ! grep -qF -- "$text" "$stream"; then
    echo "FAILED ($rc, expected $want and \"$text\" on $stream): $*"; cat out err; failed=1
  fi
}
k="$bin/kestrel" sim="$bin/kestrel-sim" bench="$bin/kestrel-bench"
touch afile
printf '%s\n' 'click DL_Main.Cmd_Open' 'set DL_Main.Txt_P2D "09"' 'click DL_Main.Cmd_Dec(3)' \
  'expect DL_Main.Txt_D2P "09E : Syntax error!"' 'print DL_Main.Txt_D2P' > send.kscript
check 0 out "Usage: kestrel [OPTION]" env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY "$k" --help
check 0 out "kestrel $version" "$k" --version
check 0 out "usage: kestrel-sim" "$sim" --help
check 0 out "kestrel-sim $version" "$sim" --version
if [ -x "$bench" ]; then
  check 0 out "Usage: kestrel-bench" "$bench" -h
  check 0 out "kestrel-bench $version" "$bench" --version
  check 2 err "unknown section '--bogus'" "$bench" --bogus
else
  echo "notice: this build has no kestrel-bench (a sanitized build leaves it out)"
fi
check 2 err "cannot be given with --port1 or --port2" "$k" --sim --port1 /dev/null
check 2 err "cannot be given with --port1 or --port2" "$k" --port2 /dev/null --sim
check 2 err "--sim-args needs --sim" "$k" --sim-args "--pace"
check 2 err "--sim-args: unclosed quote '" "$k" --sim --sim-args "--trace 'a"
check 2 err "Unknown option 'bogus'" "$k" --bogus
check 2 err "cannot keep state in afile: Not a directory" "$sim" --state afile
[ ! -s out ] || { echo "FAILED: kestrel-sim named a terminal for a state it cannot keep"; failed=1; }
check 2 err "cannot keep state in no/st: No such file or directory" "$sim" --state no/st
mkdir adir && mkfifo apipe
for name in adir:"Is a directory" apipe:"not a regular file" none:"No such file or directory"; do
  check 2 err "--si-file ${name%%:*}: ${name#*:}" "$sim" --si-file "${name%%:*}"
done
check 2 err "did not report its terminal" "$k" --sim --sim-args "--state afile"
check 0 out "09E : Syntax error!" "$k" --script send.kscript --sim --sim-args "--trace 'my trace.log' --speed \"9600\""
grep -qx '> 09' "my trace.log" || { echo "FAILED: no command in 'my trace.log'"; failed=1; }
[ "$failed" -eq 0 ] && echo "command line: all cases passed"
exit "$failed"
