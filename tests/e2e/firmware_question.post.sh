grep '^> ' trace.log > commands.txt
printf '> 2901\n>  280\n' | cmp - commands.txt
