grep '^> ' trace.log > commands.txt
printf '> 021020004000001B\n> 09\n> 09\n> 0210200040000145\n> 09\n' > expected.txt
cmp expected.txt commands.txt
