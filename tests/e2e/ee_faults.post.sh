set -e
# Each operation ended at its lost reply: 16 + 4 + 5 + 5 + 5 commands.
[ "$(grep -c '^> ' trace.log)" -eq 35 ]
[ "$(grep -c '^> 0600' trace.log)" -eq 5 ]
[ "$(grep -c '^> 270A' trace.log)" -eq 5 ]
