#!/bin/sh
# run_script.sh KESTREL SCRIPT WORKDIR
# Runs one end-to-end script in a fresh working folder. Header lines of the
# script configure the run:
#   # sim-args: ARGS      options for the child kestrel-sim
#   # kestrel-args: ARGS  further options for kestrel (--port2 DEV ...)
#   # expect-exit: N      the exit status the script must end with (default 0)
# Files under data/<script name>/ are copied into the working folder first;
# <script name>.post.sh, if present, runs there afterwards (checks on files
# the simulator saved at exit) and must succeed.
kestrel=$1; script=$2; work=$3
name=$(basename "$script" .kscript)
dir=$(cd "$(dirname "$script")" && pwd)
rm -rf "$work" && mkdir -p "$work" || exit 1
[ -d "$dir/data/$name" ] && cp -r "$dir/data/$name"/. "$work"/
cd "$work" || exit 1
simargs=$(sed -n 's/^# sim-args: //p' "$script" | head -n 1)
kargs=$(sed -n 's/^# kestrel-args: //p' "$script" | head -n 1)
expected=$(sed -n 's/^# expect-exit: //p' "$script" | head -n 1)
[ -z "$expected" ] && expected=0
# shellcheck disable=SC2086
"$kestrel" --script "$script" --sim --sim-args "$simargs" $kargs
rc=$?
if [ "$rc" -ne "$expected" ]; then
  echo "kestrel exited with $rc, expected $expected"
  exit 1
fi
if [ -f "$dir/$name.post.sh" ]; then
  KESTREL_SIM_DIR="$(dirname "$kestrel")" sh -e "$dir/$name.post.sh" || exit 1
fi
exit 0
