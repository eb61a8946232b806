# The reports of the first transponder as decoded from the simulator's
# sections, and the PID commands of the double click.
cmp golden_details.txt SI_Data_TID_01100.txt
cmp golden_raw.txt raw.txt
printf '%s\n' 090FFFF 091FFFF 094FFFF 0940121 0910122 0900121 > expected.txt
grep '^09' commands.txt | cmp expected.txt -
[ "$(grep -c '^310$' commands.txt)" -eq 2 ]
