# Both full scans found every transponder of the satellite once, on its band
# and polarisation, with the symbol-rate code of 22000 ksym/s
# (transponders.txt: frequency, band and polarisation, SR code).
tr -d '\r' < SCAN.txt > scan.txt
head -n 46 scan.txt | awk '{ print $2, $8, $6 }' | sort | cmp transponders.txt -
tail -n 11 scan.txt | awk '{ print $2, $8, $6 }' | sort > second.txt
grep 'H/D' transponders.txt | cmp - second.txt
# With the PC driving the LNB: the byte read, set for each band before its
# sweep and after each horizontal carrier, and given back at the end; the
# sweep commands name vertical bands only.
grep -o '^07209502155275000220000275000220000.00$' commands.txt | cut -c36 | tr -d '\n' > digits.txt
[ "$(cat digits.txt)" = 1133221 ]
[ "$(sed -n 1p commands.txt)" = 151 ]
grep '^150' commands.txt | sort | uniq -c | awk '{ printf "%s %s ", $1, $2 }' > bytes.txt
[ "$(cat bytes.txt)" = "3 15000 12 15008 13 15018 " ]
# The channel scan's report of the first transponder: its heading and its 16 services.
[ "$(sed -n 2p SatMap.Txt | tr -d '\r')" = "===== 10774250  01111  00165  10  00  3/4  V/D =====" ]
[ "$(grep -c '^----- SID=' SatMap.Txt)" -eq 16 ]
# Every channel added has Use 4 and a transponder of the scan.
[ "$(grep -vc '^ [0-9]\{3\} .\{16\} 04 ' SCANTCS.txt)" -eq 0 ]
