#!/usr/bin/env bash
# The bash completion of pagewright-cli, run against the built program as bash runs it on TAB.
# Usage: check-completion.sh PAGEWRIGHT_CLI COMPLETION_SCRIPT
set -uo pipefail
cli=$1
# shellcheck source=/dev/null
source "$2"
failed=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/分卷" "$work/out dir"
: >"$work/全集.txt"
cd "$work" || exit 1

# expect WANTED WORD...: the line being completed is WORD... (the last one is under the cursor).
expect() {
    local wanted=$1
    shift
    COMP_WORDS=("$cli" "$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _pagewright_cli
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd' ')
    if [ "$got" != "$wanted" ]; then
        echo "[$*]: wanted \"$wanted\", got \"$got\""
        failed=1
    fi
}

# Subcommands first; options of the program itself with a dash.
expect "scan split" s
expect "--help --version" --
# Each subcommand's own options, and only those.
expect "--chapters --clean --clean-rules --convert --create-dir" split --c
expect "--check --clean --clean-rules" scan --c
expect "--encoding --exclude --exclude-suspects --existing" split -q --e
expect "presets" p
expect "--preset" scan --pre
# The words of --existing and --encoding, also after "=", and after other options.
expect "append fail overwrite" split --existing ""
expect "overwrite" split 全集.txt --existing o
expect "append" split --existing = ap
expect "auto big5 gb18030 utf-16be utf-16le utf-8" scan -q --encoding ""
expect "big5 gb18030 keep utf-16be utf-16le utf-8" split --output-encoding ""
# A value that is free text offers nothing; the output folder offers folders only.
expect "" split -p ""
expect "auto chapter english extras hanzi hua hui jie marked numbered part volume webnovel" scan --preset ""
expect "out dir" split -o ou
expect "s2t s2tw s2twp" epub --convert s2t
expect "全集.txt" split --clean-rules 全
expect "out dir 全集.txt 分卷" split -q ""
exit $failed
