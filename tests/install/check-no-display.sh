#!/usr/bin/env bash
# The window program without a screen, as from a text console or over ssh: --help and
# --version print and end with 0; any other start says so in one line and ends with 1.
# Usage: check-no-display.sh PAGEWRIGHT
set -uo pipefail
program=$1
failed=0
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
run() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" "$@" >"$out" 2>"$err"; }

run --help
status=$?
[ $status -eq 0 ] && grep -q -- '--version' "$out" || { echo "--help: status $status"; cat "$err"; failed=1; }
run --version
status=$?
[ $status -eq 0 ] && grep -q '^pagewright [0-9]' "$out" || { echo "--version: status $status"; cat "$err"; failed=1; }
for args in "" "全集.txt"; do
    # shellcheck disable=SC2086
    run $args
    status=$?
    lines=$(wc -l <"$err")
    if [ $status -ne 1 ] || [ "$lines" -ne 1 ] || ! grep -q '^pagewright: .*显示' "$err" || [ -s "$out" ]; then
        echo "[${args}]: status $status, stderr:"
        cat "$err"
        failed=1
    fi
done
exit $failed
