#!/bin/sh
# kestrel-cli's memory, register and EEPROM commands, and disasm and diff:
# cli_memory.sh BIN_DIR WORKDIR. What they print and save is compared with
# what the windows show and save for the same pages, registers and modes.
. "$(dirname "$0")/cli_lib.sh"

# The windows: the views of page 400000, the ST20 view of page 7FE00A (it
# ends with NFIX) and "+" to 7FE00B, saves in the four read modes, the
# EEPROM saved in both access modes, and both register dumps.
window 'click DL_Main.Cmd_Open' 'click DL_Main.Cmd_Win(2)' \
  'set DL_Mem.Txt_S "400000"' 'click DL_Mem.Cmd(0)' 'print DL_Mem.Txt' \
  'click DL_Mem.O1(1)' 'print DL_Mem.Txt' 'click DL_Mem.O1(2)' 'print DL_Mem.Txt' \
  'set DL_Mem.Txt_S "7fe00a"' 'click DL_Mem.O1(3)' 'click DL_Mem.Cmd(0)' 'print DL_Mem.Txt' \
  'click DL_Mem.Cmd(2)' 'print DL_Mem.Txt' \
  'set DL_Mem.Txt_S "402800"' 'set DL_Mem.Txt_E "40281f"' \
  'set DL_Mem.Txt_File "w_multi.bin"' 'click DL_Mem.Cmd(3)' \
  'click DL_Main.Mrm(1)' 'set DL_Mem.Txt_File "w_dword.bin"' 'click DL_Mem.Cmd(3)' \
  'click DL_Main.Mrm(2)' 'set DL_Mem.Txt_File "w_word.bin"' 'click DL_Mem.Cmd(3)' \
  'click DL_Main.Mrm(3)' 'set DL_Mem.Txt_File "w_byte.bin"' 'answer ok' 'click DL_Mem.Cmd(3)' \
  'click DL_Main.Mrm(0)' 'set DL_Mem.Txt_S "7fe000"' 'set DL_Mem.Txt_E "7fe0ff"' \
  'set DL_Mem.Txt_File "w_flash.bin"' 'answer ok' 'click DL_Mem.Cmd(3)' 'expect DL_Mem.L2 "Done."' \
  'click DL_Main.Cmd_Win(0)' 'set DL_EE.Txt_File "w_ee.bin"' 'click DL_EE.Cmd(3)' \
  'click DL_Main.Eem(1)' 'set DL_EE.Txt_File "w_ee_i2c.bin"' 'click DL_EE.Cmd(3)' \
  'expect DL_EE.Txt "Reading Page 7\nSaving w_ee_i2c.bin - Done."' \
  'click DL_Main.Cmd_Win(6)' 'click DL_Reg.Cmd_Read' 'print DL_Reg.Txt' \
  'click DL_Reg.O1(1)' 'set DL_Reg.Txt_PG "d0"' 'click DL_Reg.Cmd_Read' 'print DL_Reg.Txt'
# The printed views, one line per row: 3 x 16 (400000), 2 x 256 (7FE00A, 7FE00B), 2 x 16.
grep -E '^[0-9A-F]+ ' wout > shown.txt
shown() { sed -n "$1,$2p" shown.txt; }
[ "$(wc -l < shown.txt)" -eq 592 ] || { echo "FAILED: the windows showed $(wc -l < shown.txt) lines"; failed=1; }

# mem read: each view as the window shows it, in any read mode.
run() { "$@" 2> err < /dev/null; }
{ run "$cli" --sim mem read 400000; run "$cli" --sim mem read 400000 --as words --mode byte
  run "$cli" --sim mem read 400000 --as dwords --mode dword; run "$cli" --sim mem read 7FE00A --as st20 --mode word
} > read.txt
shown 1 304 | cmp -s - read.txt || { echo "FAILED: mem read differs from the window"; diff read.txt shown.txt | head; failed=1; }
check 0 out '"data": "36A0502E' "$cli" --sim --json mem read 400000
check 2 err "PAGE must be a page number" "$cli" --sim mem read 1000000
check 2 err "--as takes bytes, words, dwords or st20" "$cli" --sim mem read 400000 --as asm

# regs: both dumps as the window shows them; an absent device reads "--".
run "$cli" --sim regs demod > demod.txt
shown 561 576 | cmp -s - demod.txt || { echo "FAILED: regs demod differs from the window"; failed=1; }
run "$cli" --sim regs i2c d0 > i2c.txt
shown 577 592 | cmp -s - i2c.txt || { echo "FAILED: regs i2c d0 differs from the window"; failed=1; }
check 0 out "08F0 : -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- " "$cli" --sim regs i2c 8
check 2 err "SLAVE must be an I2C device address" "$cli" --sim regs i2c D00

# mem save: the window's files in each read mode.
for mode in multi dword word byte; do
  check 0 out "Done. 32 pages (8192 bytes) saved to c_$mode.bin." "$cli" --sim mem save 402800 40281F "c_$mode.bin" --mode $mode
  same "w_$mode.bin" "c_$mode.bin"
done
check 0 out "Done." "$cli" --sim mem save 7fe000 7fe0ff c_flash.bin
same w_flash.bin c_flash.bin
# --verify on a noisy line: every page read until two readings agree.
check 0 out "$(sha256sum < c_multi.bin | cut -c1-64)  noisy.bin" \
  "$cli" --sim --sim-args "--fault garble=7" mem save 402800 40281F noisy.bin --verify
same c_multi.bin noisy.bin
# An existing file is kept without --yes and a terminal; --yes overwrites it.
check 2 err "Not saved: c_flash.bin is kept" "$cli" --sim mem save 402800 402801 c_flash.bin
same w_flash.bin c_flash.bin
check 0 out "Done. 2 pages (512 bytes)" "$cli" --sim --yes mem save 402800 402801 c_flash.bin
check 2 err "Address error !" "$cli" --sim mem save 402800 402800 one.bin
check 2 err "Cannot create nowhere/x.bin" "$cli" --sim mem save 402800 402801 nowhere/x.bin
check 2 err "--mode takes multi, dword, word or byte" "$cli" --sim mem save 402800 402801 x.bin --mode long
[ ! -e one.bin ] && [ ! -e x.bin ] || { echo "FAILED: a refused save left a file"; failed=1; }

# Ctrl-C in the middle of a save: exit 130, the whole pages read kept.
"$cli" --sim --sim-args "--latency 20" mem save 400000 4003FF cut.bin > out 2> err < /dev/null &
pid=$!
tries=0
while [ "$(stat -c %s cut.bin 2> /dev/null || echo 0)" -lt 1024 ] && kill -0 $pid 2> /dev/null && [ $tries -lt 1200 ]; do
  sleep 0.05; tries=$((tries + 1))
done
kill -INT $pid; wait $pid; rc=$?
size=$(stat -c %s cut.bin)
if [ $rc -ne 130 ] || [ $((size % 256)) -ne 0 ] || [ "$size" -lt 1024 ] || [ "$size" -ge 262144 ] \
   || ! grep -q "User Break. $((size / 256)) whole pages kept in cut.bin" err; then
  echo "FAILED: Ctrl-C during mem save ($rc, $size bytes)"; cat err; failed=1
fi
check 0 out "Done." "$cli" --sim mem save 400000 4000FF full.bin
head -c "$size" full.bin | cmp -s - cut.bin || { echo "FAILED: the cut save is not the start of the full one"; failed=1; }

# eeprom read: the window's files in both access modes.
check 0 out "Saving c_ee.bin - Done." "$cli" --sim eeprom read c_ee.bin
same w_ee.bin c_ee.bin
check 0 out "Saving c_ee_i2c.bin - Done." "$cli" --sim eeprom read c_ee_i2c.bin --i2c
same w_ee_i2c.bin c_ee_i2c.bin
check 2 err "Saving c_ee.bin - Not saved." "$cli" --sim eeprom read c_ee.bin
check 0 out "$(sha256sum < c_ee.bin | cut -c1-64)  noisy_ee.bin" \
  "$cli" --sim --sim-args "--fault garble=7" eeprom read noisy_ee.bin --verify
same c_ee.bin noisy_ee.bin

# eeprom write: refused without --yes and a terminal, nothing sent; with
# --yes the EEPROM is backed up, the image written and read back (and from
# the kept state), in both modes.
head -c 2048 full.bin > image.bin
check 2 err "This will write your I2C EEPROM. - not asked without a terminal" \
  "$cli" --sim --sim-args "--trace refused.log" eeprom write image.bin
grep -q '^> 06' refused.log && { echo "FAILED: a refused write sent commands"; failed=1; }
check 0 out "Verified." "$cli" --sim --sim-args "--state st" --yes eeprom write image.bin
same "$(sed -n 's,^Backup: /,/,p' out)" c_ee.bin
check 0 out "Done." "$cli" --sim --sim-args "--state st" eeprom read back.bin
same image.bin back.bin
tail -c 2048 full.bin > image2.bin
check 0 out "Verified." "$cli" --sim --sim-args "--state st" --yes eeprom write image2.bin --i2c
same "$(sed -n 's,^Backup: /,/,p' out)" image.bin
check 0 out "Done." "$cli" --sim --sim-args "--state st" eeprom read back2.bin --i2c
same image2.bin back2.bin
head -c 2047 image.bin > short.bin
check 2 err "Reading short.bin - File is not 2048 bytes !!!" "$cli" --sim --yes eeprom write short.bin
check 2 err "missing.bin not found!" "$cli" --sim --yes eeprom write missing.bin

# disasm: the ST20 view of page 7FE00A and of "+" to 7FE00B; a piece ends
# at each page boundary.
check 0 out "Done." "$cli" --sim mem save 7fe00a 7fe00b code.bin
run "$cli" disasm code.bin --address 7FE00A00 > listing.txt
shown 49 560 | cmp -s - listing.txt || { echo "FAILED: disasm differs from the ST20 view"; failed=1; }
check 0 out "7FE00A80  " "$cli" disasm code.bin --address 7fe00a80
check 0 out "00000000  " "$cli" disasm code.bin
check 2 err "--address must be 1 to 8 hexadecimal digits" "$cli" disasm code.bin --address 123456789
check 2 err "Cannot read none.bin" "$cli" disasm none.bin

# diff: equal, a range that differs, a longer file, a file not read.
check 0 out "Equal (A: 2048 bytes, B: 2048 bytes)." "$cli" diff image.bin back.bin
cp image.bin changed.bin
printf '\001\002\003' | dd of=changed.bin bs=1 seek=16 conv=notrunc 2> /dev/null
expected="7FE00010  3 bytes  A: $(od -An -tx1 -j16 -N3 image.bin | tr a-f A-F | sed 's/^ //')  B: 01 02 03"
check 1 out "$expected" "$cli" diff image.bin changed.bin --address 7fe00000
check 1 out "1 range differs, 3 bytes in all (A: 2048 bytes, B: 2048 bytes)." "$cli" diff image.bin changed.bin
{ cat image.bin; printf 'Z'; } > longer.bin
check 1 out "00000800  1 byte  A: -  B: 5A" "$cli" diff image.bin longer.bin
check 1 out '"equal": false' "$cli" --json diff image.bin short.bin
check 2 err "Cannot read none.bin" "$cli" diff image.bin none.bin
done_
