# Both full scans found every transponder of the satellite once, on its band
# and polarisation, with the symbol-rate code of 22000 ksym/s.
cat > expected.txt <<'END'
10729000 H/D 00
10774250 V/D 00
10827000 H/D 02
10861250 V/D 00
10914000 V/D 00
10948250 H/D 02
11001000 V/D 00
11054000 H/D 00
11088000 H/D 00
11140750 V/D 02
11175000 H/D 00
11227750 V/D 00
11280750 V/D 00
11314750 H/D 02
11367750 H/D 00
11401750 V/D 00
11454500 H/D 02
11507500 V/D 00
11541500 V/D 00
11594500 H/D 00
11628500 V/D 02
11681500 H/D 00
11719250 V/U 00
11762750 H/U 02
11813750 V/U 00
11846250 H/U 00
11897250 H/U 02
11929500 V/U 00
11980750 H/U 02
12031750 V/U 00
12064000 V/U 00
12115250 H/U 02
12147500 V/U 00
12198500 H/U 00
12249750 H/U 02
12282000 V/U 00
12333000 V/U 00
12365500 H/U 02
12416500 V/U 00
12467500 H/U 00
12500000 H/U 02
12551000 V/U 00
12583250 H/U 00
12634500 V/U 02
12685500 H/U 00
12721750 V/U 02
END
tr -d '\r' < SCAN.txt > scan.txt
head -n 46 scan.txt | awk '{ print $2, $8, $6 }' | sort | cmp expected.txt -
tail -n 11 scan.txt | awk '{ print $2, $8, $6 }' | sort > second.txt
grep 'H/D' expected.txt | cmp - second.txt
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
