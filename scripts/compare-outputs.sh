#!/usr/bin/env bash
# Holds two builds of pagewright-cli against each other: every text file and every book that
# they make from the same generated novels (every encoding and line-end style, both feeds,
# exclusions, blank lines kept, UTF-8 output, volumes, a cover) must be the same, byte for byte.
# For a change that must not change what a user gets (a redesign, a speed-up).
# Usage: scripts/compare-outputs.sh OLD_CLI NEW_CLI [MAKE_NOVEL]
set -euo pipefail
old=$(realpath "$1") new=$(realpath "$2")
make_novel=$(realpath "${3:-$(dirname "$2")/pw-make-novel}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
differ=0 runs=0
printf '\x89PNG\r\n\x1a\n' >"$work/cover.png"
run() { # name, then the command's arguments after the program
    local name=$1
    shift
    for side in old new; do
        local prog=$old
        [ $side = new ] && prog=$new
        mkdir -p "$work/$side/$name"
        (cd "$work/$side/$name" && "$prog" "$@" -q >/dev/null 2>"$work/$side/$name.err") || echo "exit $?" >>"$work/$side/$name.err"
    done
    runs=$((runs + 1))
    if ! diff -r "$work/old/$name" "$work/new/$name" >/dev/null || ! cmp -s "$work/old/$name.err" "$work/new/$name.err"; then
        echo "DIFFERS: $name ($*)"
        differ=$((differ + 1))
    fi
}
for enc in gb18030 utf-8 utf-8-bom utf-16le utf-16le-bom utf-16be-bom big5; do
    for le in crlf lf mixed; do
        n="$work/novel-$enc-$le.txt"
        "$make_novel" "$n" --chapters 40 --seed 7 --encoding "$enc" --line-ends "$le" 2>/dev/null || continue
        k="$enc-$le"
        run "split-$k" split "$n" -o . -c 3
        run "split-x-$k" split "$n" -o . -x 2,5-7 --exclude-suspects
        run "split-n1-$k" split "$n" -o . -c 1 --keep-blank-lines
        run "split-utf8-$k" split "$n" -o . --output-encoding utf-8
        run "epub-$k" epub "$n" -o b.epub
        run "epub-x-$k" epub "$n" -o b.epub -x 1,3 --keep-blank-lines
        run "epub-vol-$k" epub "$n" -o b.epub --preset volume --vertical --cover "$work/cover.png" --exclude-suspects
    done
done
echo "$runs runs, $differ differ"
[ $differ -eq 0 ]
