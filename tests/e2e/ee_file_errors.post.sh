set -e
# Nothing at all reached the decoder.
[ -f trace.log ]
! grep -q '^> ' trace.log || exit 1
