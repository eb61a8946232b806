# The retried page is stored right: the first save equals the undisturbed second.
cmp memdump.bin again.bin
[ "$(grep -c '^! readfail' trace.log)" -eq 13 ]
[ "$(grep -c '^> 02018040280600' trace.log)" -eq 10 ]
[ "$(grep -c '^> 02018040280900' trace.log)" -eq 2 ]
