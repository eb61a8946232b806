# bash completion for kestrel and kestrel-cli                -*- shell-script -*-
#
# Options and commands come from the program's own --help, so that they stay
# in step with it: a word after an option or in a command's arguments is
# completed by the placeholder --help names there (DEV: serial devices, DIR:
# folders, BAUD: speeds, a|b|c: those words, a,b,c: that list, a number:
# nothing, else files).

_kestrel_devices()
{
    local d devices=()
    for d in /dev/ttyS* /dev/ttyUSB* /dev/ttyACM* /dev/serial/by-id/*; do
        [[ -e $d ]] && devices+=("$d")
    done
    COMPREPLY=($(compgen -W "${devices[*]}" -- "$cur"))
}

# Completes cur as the value of placeholder $1.
_kestrel_value()
{
    local placeholder=${1//[\[\]\"]/}
    case $placeholder in
        *'|'*) COMPREPLY=($(compgen -W "${placeholder//|/ }" -- "$cur")) ;;
        [a-z]*,*) COMPREPLY=($(compgen -W "$placeholder" -- "$cur")) ;;
        DEV) _kestrel_devices ;;
        DIR) _filedir -d ;;
        BAUD) COMPREPLY=($(compgen -W "9600 19200 38400 57600 115200" -- "$cur")) ;;
        ARGS | COMMAND* | N | HEX | LIST | STEP | M | W | H | PAGE | START | END | SLAVE | ?PID | PCR | FREQ_KHZ | \
            SYMBOL_RATE) ;;
        *) _filedir ;;
    esac
}

# Prints "--option PLACEHOLDER" (or "--option -") for each option line of
# the help text on standard input: an indented line that starts with "--",
# up to the gap before its description.
_kestrel_option_lines()
{
    local line word opt
    while IFS= read -r line; do
        [[ $line =~ ^\ +--[a-z] ]] || continue
        line=${line#"${line%%[! ]*}"}
        opt=""
        for word in ${line%%  *}; do
            word=${word//[\[\]\",]/}
            if [[ $word == --* ]]; then
                [[ $opt ]] && echo "$opt -"
                opt=$word
            elif [[ $opt ]]; then
                echo "$opt $word"
                opt=""
            fi
        done
        [[ $opt ]] && echo "$opt -"
    done
}

# The placeholder after option $1 in the option lines $2, or nothing.
_kestrel_option_value()
{
    local opt value
    while read -r opt value; do
        [[ $opt == "$1" && $value != - ]] && echo "$value" && return
    done <<<"$2"
}

_kestrel()
{
    local cur prev words cword
    _init_completion || return
    local options value
    options=$("${words[0]}" --help 2>/dev/null | _kestrel_option_lines)
    value=$(_kestrel_option_value "$prev" "$options")
    if [[ $value ]]; then
        _kestrel_value "$value"
    elif [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(cut -d' ' -f1 <<<"$options")" -- "$cur"))
    fi
} && complete -F _kestrel kestrel

# kestrel-cli [OPTIONS] COMMAND [ARGUMENTS]: the usage lines of the commands
# are the indented lines under "Commands:" that do not start with "--".
_kestrel_cli()
{
    local cur prev words cword
    _init_completion || return
    local help options
    help=$("${words[0]}" --help 2>/dev/null)
    options=$(_kestrel_option_lines <<<"${help%%Commands:*}")
    local -a usages typed
    local line i=1 value
    while IFS= read -r line; do
        [[ $line =~ ^\ \ [a-z] ]] && usages+=("${line#  }")
    done <<<"${help#*Commands:}"

    # The global options before the command, then the command's words.
    while ((i < cword)) && [[ ${words[i]} == -* ]]; do
        [[ $(_kestrel_option_value "${words[i]}" "$options") ]] && ((i++))
        ((i++))
    done
    if ((i > cword)); then
        _kestrel_value "$(_kestrel_option_value "$prev" "$options")"
        return
    elif ((i == cword)); then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "$(cut -d' ' -f1 <<<"$options")" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$(printf '%s\n' "${usages[@]}" | cut -d' ' -f1 | sort -u)" -- "$cur"))
        fi
        return
    fi
    typed=("${words[@]:i:cword-i}")

    local usage candidates="" tokens literal n
    for usage in "${usages[@]}"; do
        read -ra tokens <<<"$usage"
        literal=0
        while ((literal < ${#tokens[@]})) && [[ ${tokens[literal]} =~ ^[a-z][a-z0-9-]*$ ]]; do
            ((literal++))
        done
        n=${#typed[@]}
        if ((n < literal)); then
            # Still naming the command: the next word of those that match.
            [[ "${tokens[*]:0:n}" == "${typed[*]}" ]] && candidates+=" ${tokens[n]}"
            continue
        fi
        [[ "${tokens[*]:0:literal}" == "${typed[*]:0:literal}" ]] || continue
        _kestrel_cli_arguments "${typed[@]:literal}"
        return
    done
    COMPREPLY=($(compgen -W "$candidates" -- "$cur"))
} && complete -F _kestrel_cli kestrel-cli

# The arguments of the command whose usage line is in tokens[literal...],
# those already typed given as "$@". An option whose token does not close
# its brackets takes the next token as its value ("[--mode multi|word]").
_kestrel_cli_arguments()
{
    local -a positional=() args=("$@")
    local -A takes=()
    local k t opts="--help"
    for ((k = literal; k < ${#tokens[@]}; k++)); do
        t=${tokens[k]//[\[\]]/}
        if [[ $t == --* ]]; then
            opts+=" $t"
            if [[ ${tokens[k]} != *']' && ${tokens[k + 1]-} && ${tokens[k + 1]} != [\[-]* ]]; then
                takes[$t]=${tokens[k + 1]}
                ((k++))
            fi
        else
            positional+=("$t")
        fi
    done
    if [[ ${takes[$prev]-} ]]; then
        _kestrel_value "${takes[$prev]}"
    elif [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$opts" -- "$cur"))
    else
        # The positional arguments typed so far, options and their values aside.
        local count=0 a
        for ((a = 0; a < ${#args[@]}; a++)); do
            if [[ ${args[a]} == --* ]]; then
                [[ ${takes[${args[a]}]-} ]] && ((a++))
            else
                ((count++))
            fi
        done
        ((count < ${#positional[@]})) && _kestrel_value "${positional[count]%...}"
    fi
}
