set -e
# "280" was sent twice, after the identification, and nothing after it.
grep '^> ' trace.log | sed 's/^> //' > commands.txt
[ "$(wc -l < commands.txt)" -eq 27 ]
[ "$(sed -n '26,27p' commands.txt | tr '\n' ' ')" = "280 280 " ]
# The data area is blank, the firmware is not.
[ "$(head -c 524288 st/flash.bin | od -An -v -tx1 | tr -d ' \n' | tr -d f | wc -c)" -eq 0 ]
[ "$(tail -c 1572864 st/flash.bin | od -An -v -tx1 | tr -d ' \n' | tr -d f | wc -c)" -gt 0 ]
