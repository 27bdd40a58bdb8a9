#!/usr/bin/env bash
# Builds bench/data/big-ENCODING.txt: about 200 MB of text with CR LF line ends in that encoding
# (gb18030, the default; utf-16le, without a byte-order mark; big5), the real novels repeated
# when PAGEWRIGHT_CORPUS names their folder, else a generated novel of some 8 MB repeated (in
# traditional characters for Big5). Kept between runs while its source stays the same; delete it
# to build it again. Prints the file's path.
# Usage: bench/make-data.sh [build dir] [encoding]   (default: $PAGEWRIGHT_BUILD_DIR or build; gb18030)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-${PAGEWRIGHT_BUILD_DIR:-$here/../build}}"
encoding="${2:-gb18030}"
case "$encoding" in
gb18030 | utf-16le | big5) ;;
*) echo "unknown encoding: $encoding" >&2; exit 2 ;;
esac
out="$here/data/big-$encoding.txt"
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
    "$build/bin/pw-make-novel" "$here/data/novel-$encoding.txt" --chapters 10000 --seed 1 --encoding "$encoding" >&2
    pieces=("$here/data/novel-$encoding.txt")
elif [ "$encoding" = gb18030 ]; then
    pieces=("$corpus"/*.txt)
else
    # The novels converted; a character Big5 lacks is left out (uconv -c).
    pieces=()
    for f in "$corpus"/*.txt; do
        piece="$here/data/$(basename "$f" .txt).$encoding"
        uconv -c -f gb18030 -t "$encoding" -o "$piece" "$f"
        pieces+=("$piece")
    done
fi
tmp="$out.part"
: > "$tmp"
while [ "$(stat -c %s "$tmp")" -lt "$target" ]; do
    cat "${pieces[@]}" >> "$tmp"
done
mv "$tmp" "$out"
echo "$source" > "$out.source"
echo "$out"
