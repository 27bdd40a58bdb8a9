#!/usr/bin/env bash
# The manual pages, made from --help at build time, must name every long option that the
# programs' help names (each subcommand's too), carry the programs' version, and read without
# troff warnings.
# Usage: check-manual.sh PAGEWRIGHT_CLI [PAGEWRIGHT]; the pages are read from $PW_MAN_DIR.
set -euo pipefail
man_dir=${PW_MAN_DIR:?}
failed=0

# The text of a man page with roff's escaped hyphens made plain.
page_text() { sed 's/\\-/-/g' "$1"; }
long_options() { grep -oE -- '(^|[ ,])--[a-z][a-z0-9-]*' | sed 's/^[ ,]//' | sort -u; }

check_page() { # program, page, the help texts on stdin
    local program=$1 page=$2 help text version
    help=$(cat)
    text=$(page_text "$page")
    [ -n "$(long_options <<<"$help")" ] || { echo "no options found in the help of $program"; failed=1; }
    while read -r opt; do
        grep -qF -- "$opt" <<<"$text" || { echo "$page does not name $opt"; failed=1; }
    done < <(long_options <<<"$help")
    version=$("$program" --version 2>/dev/null | head -1)
    grep -q "^\.TH .*\"$version\"" "$page" || { echo "$page does not carry \"$version\""; failed=1; }
}

cli=$1
subs=$("$cli" --help | awk '/^命令：$/ { on = 1; next } /^[^ ]/ { on = 0 } on && NF { print $1 }')
[ -n "$subs" ] || { echo "no subcommands in the help of $cli"; exit 1; }
{
    "$cli" --help
    for sub in $subs; do "$cli" "$sub" --help; done
} | check_page "$cli" "$man_dir/pagewright-cli.1"
for sub in $subs; do
    grep -q "Command $sub:" <(page_text "$man_dir/pagewright-cli.1") || { echo "no section for $sub"; failed=1; }
done

# man reads every page without a troff warning, at the width a terminal most often has.
for page in "$man_dir"/*.1; do
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || { echo "$page: $warnings"; failed=1; }
done
# A count is shown as a number (<数>), not as text.
grep -q -- '-chapters <数>$' "$man_dir/pagewright-cli.1" || { echo "pagewright-cli.1: --chapters does not take <数>"; failed=1; }

if [ -n "${2:-}" ]; then
    "$2" --help 2>/dev/null | check_page "$2" "$man_dir/pagewright.1"
fi
exit $failed
