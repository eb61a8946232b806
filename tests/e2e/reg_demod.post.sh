# Registers 00 to FF in order, one command each.
grep '^> ' trace.log > commands.txt
for i in $(seq 0 255); do printf '> 251%02X\n' $i; done | cmp - commands.txt
