#!/bin/sh
# kestrel-cli's edits of whole channel lists: cli_tables.sh BIN_DIR WORKDIR
. "$(dirname "$0")/cli_lib.sh"
check 0 out "Done." "$cli" --sim flash read data f.bin
check 0 out "Saved: TCS" "$cli" image extract f.bin TCS
check 0 out "Saved: TPT" "$cli" image extract f.bin TPT
cp TCS TCS.read
# Sorted by name as the editor's "Sort..." sorts and saves under other names.
window "click DL_Main.Cmd_Win(4)" "click DL_TCS.Mnu_Sort(0)" 'set DL_TCS.FN1 "wTCS"' 'set DL_TCS.FN2 "wTPT"' \
  "click DL_TCS.Cmd(1)" 'expect DL_TCS.L2 "wTCS Saved.  wTPT Saved."'
check 2 err "not asked without a terminal" "$cli" tables sort TCS TPT --by name
same TCS TCS.read
check 2 err "--by takes name, tp or sid, not size" "$cli" --yes tables sort TCS TPT --by size
check 2 err "missing TPT" "$cli" --yes tables sort TCS
check 0 out "Sorted 584 channels by name." "$cli" --yes tables sort TCS TPT --by name
same TCS wTCS
same TPT wTPT
# The list read from the flash: its first channel twice, the later one removed.
{ head -c 30 TCS.read; cat TCS.read; } > dup
check 0 out "Removed 1 duplicates." "$cli" --yes tables dedupe dup TPT
same dup TCS.read
check 0 out "No duplicates: nothing written." "$cli" tables dedupe dup TPT
# The first 100 channels by name as the reference, binary and as text; the
# whole sorted list matches all.
head -c 3000 wTCS > ref && cp TPT reft && "$cli" tables to-text ref reft > /dev/null
for form in "ref reft" "ref.txt reft.txt"; do
  cp TCS.read work
  # shellcheck disable=SC2086
  check 0 out "Ordered like ${form%% *}: 100 of 584 channels matched." "$cli" --yes tables order-like work TPT $form
  head -c 3000 work | cmp -s - ref || { echo "FAILED: the first 100 channels of work ($form)"; failed=1; }
done
check 0 out "584 of 584 channels matched." "$cli" --yes tables order-like work TPT wTCS wTPT
same work wTCS
check 2 err "TCS Table file not found!" "$cli" --yes tables order-like work TPT none reft
check 2 err "both as .txt files" "$cli" --yes tables order-like work TPT ref.txt reft
done_
