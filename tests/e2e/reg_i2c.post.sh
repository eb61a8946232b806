# Three I2C dumps of 16 rows, then the demodulator's 256 registers.
{
  for i in $(seq 0 15); do printf '> 272D0%X010\n' $i; done
  for i in $(seq 0 15); do printf '> 272A2%X010\n' $i; done
  for i in $(seq 0 15); do printf '> 27208%X010\n' $i; done
  for i in $(seq 0 255); do printf '> 251%02X\n' $i; done
} > expected.txt
grep '^> ' trace.log > commands.txt
cmp expected.txt commands.txt
