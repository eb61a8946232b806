# Sourced by the cli_*.sh tests: cli_lib.sh sets up a fresh work folder and
# the row checker. Arguments of the test: BIN_DIR WORKDIR.
bin=$1; work=$2
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
# No display and no platform plugin: the command line never needs one.
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export XDG_CONFIG_HOME="$work/config-home" XDG_STATE_HOME="$work/state-home"
cli="$bin/kestrel-cli" kestrel="$bin/kestrel"
failed=0
# check STATUS STREAM TEXT COMMAND...: the exit status, and TEXT on the
# stream (out or err; an empty TEXT checks nothing).
check() {
  want=$1 stream=$2 text=$3; shift 3
  "$@" > out 2> err < /dev/null; rc=$?
  if [ "$rc" -ne "$want" ] || { [ -n "$text" ] && ! grep -qF -- "$text" "$stream"; }; then
    echo "FAILED ($rc, expected $want and \"$text\" on $stream): $*"; cat out err; failed=1
  fi
}
# same A B: the two files hold the same bytes.
same() { cmp -s "$1" "$2" || { echo "FAILED: $1 and $2 differ"; failed=1; }; }
# window SCRIPT-LINES...: the same action through the windows, for comparison.
window() {
  printf '%s\n' "$@" > window.kscript
  QT_QPA_PLATFORM=offscreen "$kestrel" --script window.kscript --sim > wout 2>&1 \
    || { echo "FAILED: the windows' run"; cat wout; failed=1; }
}
done_() { [ "$failed" -eq 0 ] && echo "$(basename "$0"): all cases passed"; exit "$failed"; }
