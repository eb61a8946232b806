# The saved picture is the simulator's within the rounding of the colour
# formula: the luminance rounds to a third of the sum, red and blue each lose
# under one to the division, so green may be off by up to three.
"$(dirname "$KESTREL")/picture_diff" screenshot.bmp buffer1.ppm 3
[ "$(od -An -tu2 -j28 -N2 screenshot.bmp | tr -d ' ')" -eq 24 ]
# The first capture: 1620 luminance pages, then 812 chrominance pages, the
# last one past the picture's end finishing the last run of eight.
[ "$(head -n 4864 commands.txt | grep -c '^020180')" -eq 4864 ]
[ "$(sed -n 3240p commands.txt)" = 020180FFCD6780 ]
[ "$(sed -n 4864p commands.txt)" = 020180FFD09380 ]
# STOP after two groups: 16 reads.
[ "$(sed -n 4865p commands.txt)" = 020180FFC71400 ]
[ "$(sed -n 4881p commands.txt)" = 020180FFC71400 ]
# Freeze twice: the display bit read, then written inverted.
tail -n 4 commands.txt | tr '\n' ' ' | grep -qx '02010120032008 02002003200800 02010120032008 02002003200801 '
