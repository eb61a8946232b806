set -e
# The programming had started and was cut short.
grep -q '^> 02207FE60000000C0030$' trace.log
[ "$(grep -c '^> 0221047FE[67]' trace.log)" -gt 2 ]
[ "$(grep -c '^> 0221047FE[67]' trace.log)" -lt 32768 ]
