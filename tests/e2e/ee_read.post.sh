set -e
# Each READ sent its 16 row reads, in order: page 3 in both modes, then
# page 0 three times, 7, 0 and 1.
rows="0 1 2 3 4 5 6 7 8 9 A B C D E F"
grep '^> ' trace.log | sed 's/^> //' > commands.txt
{
  for r in $rows; do echo "06103${r}010"; done
  for r in $rows; do echo "272A6${r}010"; done
  for p in 0 0 0 7 0 1; do
    for r in $rows; do echo "0610${p}${r}010"; done
  done
} > expected.txt
cmp expected.txt commands.txt
