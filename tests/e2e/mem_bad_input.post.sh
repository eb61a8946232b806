# The odd boxes read pages 000000, 000002, 001020 and FFFFFF, in that order.
grep '^> ' trace.log > commands.txt
printf '> 02018000000000\n> 02018000000080\n> 02018000000200\n> 02018000000280\n> 02018000102000\n> 02018000102080\n> 020180FFFFFF00\n> 020180FFFFFF80\n' | cmp - commands.txt
