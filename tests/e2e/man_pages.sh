#!/bin/bash
# The manual pages against the programs' --help: every option --help names
# is an option or command term of the page and the other way round, the
# exit statuses of --help are the page's, and kestrel-cli's page lists its
# commands. A page that misses one, or keeps one the program dropped, fails
# with the difference.
# Usage: man_pages.sh BIN_DIR DOC_DIR
set -u
bin=$1 doc=$2
failures=0

# The terms of a page: its lines that start with "*" in the sections named.
terms() { awk -v want="$2" '/^# /{s=$2} index(" " want " ", " " s " ") && /^\*/' "$1"; }
options() { grep -o -- '--[a-z0-9][a-z0-9-]*' | sort -u; }
# "Exit status: 0 done; 1 ...; 130 ..." in a help text; the *N* terms of a page.
help_statuses() { tr '\n' ' ' | sed -n 's/.*Exit status:\(.*\)/\1/p' | grep -oE '(^|; ) *[0-9]+ ' | tr -dc '0-9\n' | sort -u; }
page_statuses() { terms "$1" "EXIT" | sed -n 's/^\*\([0-9]*\)\*$/\1/p' | sort -u; }
# Command names: the leading lower-case words of the usage lines under "Commands:",
# and the first bold words of the COMMANDS terms.
help_commands() {
    sed -n '/^Commands:/,$p' | awk '/^  [a-z]/ {n = ""; for (i = 1; i <= NF && $i ~ /^[a-z][a-z0-9-]*$/; i++) n = n (i > 1 ? " " : "") $i; print n}' | sort -u
}
page_commands() { terms "$1" "COMMANDS" | sed -n 's/^\*\([a-z][a-z0-9 -]*\)\*.*/\1/p' | sort -u; }

# Prints what one side has and the other lacks; $1 names the list.
compare() {
    local what=$1 help=$2 page=$3
    if [ -z "$help" ]; then
        echo "FAIL $what: nothing found in --help"
        failures=$((failures + 1))
        return
    fi
    local missing extra
    missing=$(comm -23 <(echo "$help") <(echo "$page"))
    extra=$(comm -13 <(echo "$help") <(echo "$page"))
    if [ -n "$missing$extra" ]; then
        echo "FAIL $what"
        [ -n "$missing" ] && echo "  in --help, not in the page:" $missing
        [ -n "$extra" ] && echo "  in the page, not in --help:" $extra
        failures=$((failures + 1))
    else
        echo "ok   $what:" $help
    fi
}

for program in kestrel kestrel-cli kestrel-sim; do
    page=$doc/$program.1.scd
    if ! help=$(QT_QPA_PLATFORM=offscreen "$bin/$program" --help); then
        echo "FAIL $program --help: exit status $?"
        failures=$((failures + 1))
        continue
    fi
    compare "$program options" "$(options <<<"$help")" "$(terms "$page" "OPTIONS COMMANDS" | options)"
    if grep -q "Exit status:" <<<"$help"; then
        compare "$program exit statuses" "$(help_statuses <<<"$help")" "$(page_statuses "$page")"
    fi
    if grep -q "^Commands:" <<<"$help"; then
        compare "$program commands" "$(help_commands <<<"$help")" "$(page_commands "$page")"
    fi
done
echo "$failures failed"
[ "$failures" -eq 0 ]
