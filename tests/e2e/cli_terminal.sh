#!/bin/sh
# kestrel-cli's terminal commands and its options: cli_terminal.sh BIN_DIR WORKDIR
. "$(dirname "$0")/cli_lib.sh"
printf 'W$40000020 0145\r\nC$09\r\n' > bad.txt
printf 'W$40000020 0145\r\n' > good.txt
check 0 out "09E : Syntax error!" "$cli" --sim send 09
check 0 out '"replies"' "$cli" --sim --json send 09 020140000020
check 0 out "1 commands sent." "$cli" --sim macro good.txt
check 1 err "Command error: C\$09" "$cli" --sim macro bad.txt
check 2 err "File not found!" "$cli" --sim macro none.txt
check 2 err "unknown command bogus" "$cli" bogus
check 2 err "unknown option --bogus" "$cli" --bogus send 09
check 2 err "unknown speed 1234" "$cli" --sim --baud 1234 send 09
check 2 err "--sim cannot be given with --port" "$cli" --sim --port /dev/null send 09
check 0 out "Usage: kestrel-cli" "$cli" --help
check 0 out "kestrel-cli " "$cli" --version
check 0 out "Usage: kestrel-cli [OPTIONS] send" "$cli" send --help
check 0 err "OK, connected at 115200" "$cli" --sim --set-speed 115200 --log k.log send 09
grep -q '^>09' k.log || { echo "FAILED: no command in the log"; failed=1; }
done_
