grep '^> ' trace.log > commands.txt
printf '> 09\n' | cmp - commands.txt
