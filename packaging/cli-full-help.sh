#!/bin/sh
# help2man reads one --help, but pagewright-cli keeps each subcommand's options in that
# subcommand's own --help. This prints the top-level help, then each subcommand's under a
# heading of its own, so the manual lists every option and says which command takes it.
# The program comes from PAGEWRIGHT_CLI; the subcommands from its own help.
set -eu
cli=${PAGEWRIGHT_CLI:?PAGEWRIGHT_CLI names the pagewright-cli to describe}
case "${1:-}" in
--version) exec "$cli" --version ;;
--help) ;;
*) echo "usage: $0 --help|--version" >&2; exit 2 ;;
esac
"$cli" --help
for sub in $("$cli" --help | awk '/^命令：$/ { on = 1; next } /^[^ ]/ { on = 0 } on && NF { print $1 }'); do
    echo
    echo "Command $sub:"
    # Its description and usage line as paragraphs of their own, then its arguments and
    # options as one list, without the per-command headings.
    "$cli" "$sub" --help | awk 'NR == 1 || /^用法：/ { print "  " $0; print ""; next } /^[^ ].*：$/ || !NF { next } { print }'
done
