# bash completion for pagewright-cli
#
# The subcommands, their options and the words an option takes are read from the program's
# own --help each time, so a new option or a new word appears here without editing this file.
# Only the options whose value is a folder or a file are named below.

# The help of the program $1 (or of its subcommand $2), on stdout.
_pagewright_cli_help() {
    "$1" ${2:+"$2"} --help 2>/dev/null
}

# The subcommands listed in the top-level help, under "命令：".
_pagewright_cli_subcommands() {
    _pagewright_cli_help "$1" | awk '/^命令：$/ { on = 1; next } /^[^ ]/ { on = 0 } on && NF { print $1 }'
}

# Every option name of a help text on stdin, one a line ("-p", "--pattern", ...).
_pagewright_cli_options() {
    awk '/^ +-/ { n = split($1, names, ","); for (i = 1; i <= n; i++) print names[i] }'
}

# The words option $1 accepts, from the "{a,b,c}" after its name in the help on stdin.
_pagewright_cli_words() {
    awk -v opt="$1" '/^ +-/ {
        n = split($1, names, ",")
        for (i = 1; i <= n; i++)
            if (names[i] == opt && match($2, /\{[^}]*\}/)) {
                words = substr($2, RSTART + 1, RLENGTH - 2)
                gsub(/,/, "\n", words)
                print words
            }
    }'
}

# Whether option $1 takes a value: its help line shows the value after the names, as <文本>
# or as the words it takes, {a,b,c}.
_pagewright_cli_takes_value() {
    awk -v opt="$1" 'BEGIN { found = 1 } /^ +-/ {
        n = split($1, names, ",")
        for (i = 1; i <= n; i++) if (names[i] == opt && $2 ~ /^[<{]/) found = 0
    } END { exit found }'
}

_pagewright_cli() {
    local prog=${COMP_WORDS[0]} cur=${COMP_WORDS[COMP_CWORD]} prev=""
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    # "--existing=ov": bash splits at "=" when COMP_WORDBREAKS holds it.
    if [[ $cur == "=" ]]; then
        prev=${COMP_WORDS[COMP_CWORD - 1]}
        cur=""
    elif [[ $prev == "=" ]] && ((COMP_CWORD > 1)); then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    elif [[ $cur == --*=* ]]; then
        prev=${cur%%=*}
        cur=${cur#*=}
    fi

    local subs sub="" i
    subs=$(_pagewright_cli_subcommands "$prog")
    for ((i = 1; i < COMP_CWORD; i++)); do
        if grep -qxF -- "${COMP_WORDS[i]}" <<<"$subs"; then
            sub=${COMP_WORDS[i]}
            break
        fi
    done
    if [[ -z $sub ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$subs $(_pagewright_cli_help "$prog" | _pagewright_cli_options)" -- "$cur")
        return
    fi

    local help
    help=$(_pagewright_cli_help "$prog" "$sub")
    if [[ $prev == -* ]] && _pagewright_cli_takes_value "$prev" <<<"$help"; then
        local words
        words=$(_pagewright_cli_words "$prev" <<<"$help")
        if [[ -n $words ]]; then
            mapfile -t COMPREPLY < <(compgen -W "$words" -- "$cur")
        elif [[ $prev == -o || $prev == --out ]]; then
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        elif [[ $prev == --rules || $prev == --clean-rules || $prev == --cover ]]; then
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        fi
        # Other values (a pattern, a name, numbers) have nothing to offer.
        return
    fi
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$(_pagewright_cli_options <<<"$help")" -- "$cur")
        return
    fi
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
}

complete -F _pagewright_cli pagewright-cli
