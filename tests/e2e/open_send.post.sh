# The decoder saw exactly these commands, in this order.
grep '^> ' trace.log > commands.txt
printf '> 09\n> 02004000000012\n> 020140000000\n> 0900ZZZZ\n> TRABUNE\n> 100\n> 09\n' | cmp - commands.txt
