# Three I2C dumps of 16 rows, the 256 registers, the 20 before the close and
# the I2C dump after it.
{
  for s in D0 A2 08; do for i in 0 1 2 3 4 5 6 7 8 9 A B C D E F; do echo "272${s}${i}010"; done; done
  for i in $(seq 0 255) $(seq 0 19); do printf '251%02X\n' "$i"; done
  for i in 0 1 2 3 4 5 6 7 8 9 A B C D E F; do echo "272D0${i}010"; done
} | cmp - commands.txt
