# Replies of "0901FFFF" are the simulator's own; take it from the trace.
r2=$(sed -n 's/^< //p' trace.log 2>/dev/null | sed -n 2p)
printf '>09\r\n<09E\r\n>0901FFFF\r\n<%s\r\n>09\r\n<\r\n' "$r2" | cmp - Kestrel.log
