#!/bin/sh
# run_script.sh KESTREL SCRIPT WORKDIR runs one script in a fresh folder
# holding a copy of data/<name>/. Header lines: "# sim-args: ARGS" for
# kestrel-sim, "# kestrel-args: ARGS", "# expect-exit: N" (default 0).
# <name>.post.sh then runs there under sh -e, with the commands of trace.log
# one a line in commands.txt, and KESTREL naming the program for a second run.
# The user's configuration folder is one of the work folder's own.
kestrel=$1; script=$2; work=$3
export KESTREL="$kestrel" XDG_CONFIG_HOME="$work/config-home" XDG_STATE_HOME="$work/state-home"
name=$(basename "$script" .kscript)
dir=$(cd "$(dirname "$script")" && pwd)
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
[ ! -d "$dir/data/$name" ] || cp -r "$dir/data/$name"/. . || exit 1
header() { sed -n "s/^# $1: //p" "$script" | head -n 1; }
expected=$(header expect-exit)
# shellcheck disable=SC2046
"$kestrel" --script "$script" --sim --sim-args "$(header sim-args)" $(header kestrel-args)
rc=$?
[ "$rc" -eq "${expected:-0}" ] || { echo "kestrel exited with $rc, expected ${expected:-0}"; exit 1; }
[ ! -f trace.log ] || sed -n 's/^> //p' trace.log > commands.txt
[ ! -f "$dir/$name.post.sh" ] || sh -e "$dir/$name.post.sh" || { echo "$name.post.sh failed"; exit 1; }
