# The terminal's writes, then the page reads; view changes read nothing.
{
  echo '> 02204000000003020100'
  echo '> 02204000000407060504'
  echo '> 0220400000080B0A0908'
  echo '> 02204000000C0F0E0D0C'
  echo '> 0220400000106C6C6548'
  echo '> 0220400000144B202C6F'
  echo '> 02204000001872747365'
  echo '> 02204000001CFF216C65'
  echo '> 02018040000000'
  echo '> 02018040000080'
  for i in $(seq 0 255); do printf '> 0201400000%02X\n' $i; done
  for i in $(seq 0 4 252); do printf '> 0221400001%02X\n' $i; done
  for i in $(seq 0 4 252); do printf '> 0221400000%02X\n' $i; done
  for i in $(seq 0 2 254); do printf '> 0211400000%02X\n' $i; done
} > expected.txt
grep '^> ' trace.log > commands.txt
cmp expected.txt commands.txt
