#!/usr/bin/env bash
# Builds bench/data/big-gb18030.txt: about 200 MB of GB18030 text with CR LF line ends, the
# real novels repeated when PAGEWRIGHT_CORPUS names their folder, else a generated novel of
# some 8 MB repeated. Kept between runs while its source stays the same; delete it to build it
# again. Prints the file's path.
# Usage: bench/make-data.sh [build dir]   (default: $PAGEWRIGHT_BUILD_DIR or build)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-${PAGEWRIGHT_BUILD_DIR:-$here/../build}}"
out="$here/data/big-gb18030.txt"
target=$((200 * 1024 * 1024))

if [ -n "${PAGEWRIGHT_CORPUS:-}" ]; then
    corpus="$PAGEWRIGHT_CORPUS/gb18030"
    [ -d "$corpus" ] || { echo "corpus not found: $corpus" >&2; exit 1; }
    source="corpus $(cd "$corpus" && pwd)"
else
    source="generated"
fi
if [ -f "$out" ] && [ "$(stat -c %s "$out")" -ge "$target" ] && [ "$(cat "$out.source" 2>/dev/null)" = "$source" ]; then
    echo "$out"
    exit 0
fi
mkdir -p "$here/data"
rm -f "$out" "$out.source"
if [ "$source" = generated ]; then
    cmake --build "$build" --target pw-make-novel >/dev/null
    "$build/bin/pw-make-novel" "$here/data/novel-gb18030.txt" --chapters 10000 --seed 1 >&2
    pieces=("$here/data/novel-gb18030.txt")
else
    pieces=("$corpus"/*.txt)
fi
tmp="$out.part"
: > "$tmp"
while [ "$(stat -c %s "$tmp")" -lt "$target" ]; do
    cat "${pieces[@]}" >> "$tmp"
done
mv "$tmp" "$out"
echo "$source" > "$out.source"
echo "$out"
