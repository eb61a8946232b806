set -e
grep '^> ' trace.log | sed 's/^> //' > commands.txt
# The first save was cut short: the next command is the unlock of Read FlashType.
first=$(grep -n '^02207FE01554005500AA$' commands.txt | head -n 1 | cut -d: -f1)
[ "$first" -gt 1 ]
[ "$first" -lt 4097 ]
[ "$(sed -n "1,$((first - 1))p" commands.txt | grep -vc '^0201807FE')" -eq 0 ]
# The programming was cut short inside 7FE60000 - 7FE7FFFF.
[ "$(grep -c '^0221047FE[67]' commands.txt)" -gt 2 ]
[ "$(grep -c '^0221047FE[67]' commands.txt)" -lt 32768 ]
[ "$(tail -n 1 commands.txt)" = 09 ]
