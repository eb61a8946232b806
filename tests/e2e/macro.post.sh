# Everything up to the failing C$09 was sent, nothing after it.
grep '^> ' trace.log > commands.txt
printf '> 02004000001045\n> 0210400000200145\n> 02204000003012345678\n> 020140000010\n> 090ABCD\n> 09\n' | cmp - commands.txt
