grep '^2709' commands.txt | tr '\n' ' ' | grep -qx '270940005 2709400F5 2709400F5 27094007 '
# The capture of 2 x 2 macroblocks: a failed luminance page, the rest read.
[ "$(grep -c '^0201804000' commands.txt)" -eq 15 ]
