#!/usr/bin/env bash
# Builds bench/data/big-gb18030.txt: about 200 MB of GB18030 text with CR LF line ends,
# the shipped novels repeated. Kept between runs; delete it to build it again.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
corpus="${PW_CORPUS_DIR:-$here/../../shared/corpus}/gb18030"
out="$here/data/big-gb18030.txt"
target=$((200 * 1024 * 1024))

[ -d "$corpus" ] || { echo "corpus not found: $corpus" >&2; exit 1; }
if [ -f "$out" ] && [ "$(stat -c %s "$out")" -ge "$target" ]; then
    echo "$out"
    exit 0
fi
mkdir -p "$here/data"
tmp="$out.part"
: > "$tmp"
while [ "$(stat -c %s "$tmp")" -lt "$target" ]; do
    cat "$corpus"/*.txt >> "$tmp"
done
mv "$tmp" "$out"
echo "$out"
