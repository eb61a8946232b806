# Two I2C dumps of 16 rows, the 256 registers, the 20 before the close, the I2C dump after it.
rows() { for i in 0 1 2 3 4 5 6 7 8 9 A B C D E F; do echo "272$1${i}010"; done; }
{ rows D0; rows 08; for i in $(seq 0 255) $(seq 0 19); do printf '251%02X\n' "$i"; done; rows D0; } | cmp - commands.txt
