#!/bin/sh
# run_script.sh KESTREL SCRIPT WORKDIR
# Runs one end-to-end script in a fresh working folder. Header lines of the
# script configure the run:
#   # sim-args: ARGS      options for the child kestrel-sim
#   # kestrel-args: ARGS  further options for kestrel (--port2 DEV ...)
#   # expect-exit: N      the exit status the script must end with (default 0)
# Files under data/<script name>/ are copied into the working folder first;
# <script name>.post.sh, if present, then runs there under sh -e (checks on
# files the simulator saved at exit), with the commands of trace.log one a
# line in commands.txt.
kestrel=$1; script=$2; work=$3
name=$(basename "$script" .kscript)
dir=$(cd "$(dirname "$script")" && pwd)
rm -rf "$work" && mkdir -p "$work" || exit 1
[ -d "$dir/data/$name" ] && cp -r "$dir/data/$name"/. "$work"/
cd "$work" || exit 1
header() { sed -n "s/^# $1: //p" "$script" | head -n 1; }
expected=$(header expect-exit)
# shellcheck disable=SC2046
"$kestrel" --script "$script" --sim --sim-args "$(header sim-args)" $(header kestrel-args)
rc=$?
if [ "$rc" -ne "${expected:-0}" ]; then
  echo "kestrel exited with $rc, expected ${expected:-0}"
  exit 1
fi
[ -f trace.log ] && sed -n 's/^> //p' trace.log > commands.txt
[ ! -f "$dir/$name.post.sh" ] || sh -e "$dir/$name.post.sh" || { echo "$name.post.sh failed"; exit 1; }
