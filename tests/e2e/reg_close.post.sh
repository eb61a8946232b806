# Only part of the first dump was asked for, then the whole I2C dump.
n=$(grep -c '^> 251' trace.log)
[ "$n" -gt 0 ] && [ "$n" -lt 256 ] || { echo "$n demodulator reads"; exit 1; }
[ "$(grep -c '^> 272D0' trace.log)" -eq 16 ]
