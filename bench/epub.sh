#!/usr/bin/env bash
# pagewright-cli epub on the ~200 MB GB18030 benchmark file against gzip -6 of the same file,
# side by side in one hyperfine run, then the peak memory of each: a book is mostly deflated
# text, so gzip is the floor to measure against.
# Usage: bench/epub.sh [build dir]
# PW_BENCH_OUT names the folder to work in (default bench/out; a subfolder pw-epub is made
# there), PW_BENCH_RUNS the runs per command (default 5).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-${PAGEWRIGHT_BUILD_DIR:-build}}
runs=${PW_BENCH_RUNS:-5}

source bench/tools.sh
bench_tools hyperfine:hyperfine gzip:gzip python3:python3

data=$(bash bench/make-data.sh "$build")
cmake --build "$build" --target pagewright-cli >/dev/null
cli=$(cd "$build/bin" && pwd)/pagewright-cli
work=$(mkdir -p "${PW_BENCH_OUT:-bench/out}/pw-epub" && cd "${PW_BENCH_OUT:-bench/out}/pw-epub" && pwd)
book=$work/book.epub

epub_pw="'$cli' epub '$data' -q -o '$book' --existing overwrite"
gzip_6="gzip -6 -c '$data' > /dev/null"

echo "date:    $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(stat -f -c %T "$work")"
echo "file:    $data ($(($(stat -c %s "$data") / 1024 / 1024)) MB)"
eval "$epub_pw"
echo "book:    $(($(stat -c %s "$book") / 1024 / 1024)) MB, $(unzip -l "$book" | tail -1 | awk '{print $2}') entries"
echo

hyperfine --warmup 1 --runs "$runs" --export-json "$work/times.json" \
    -n "pagewright-cli epub" "$epub_pw" \
    -n "gzip -6" "$gzip_6"

peaks="$work/peaks.txt"
: >"$peaks"
for cmd in "$epub_pw" "$gzip_6"; do
    /usr/bin/time -f %M -o "$work/peak" sh -c "$cmd" >/dev/null
    tail -1 "$work/peak" >>"$peaks"
done
rm -f "$book"

echo
python3 - "$work/times.json" "$peaks" <<'PY'
import json, sys
r = json.load(open(sys.argv[1]))["results"]
peaks = [int(l) for l in open(sys.argv[2]).read().split()]
print("| command | mean | ± σ | peak memory |")
print("|---|---:|---:|---:|")
for x, p in zip(r, peaks):
    print(f"| {x['command']} | {x['mean']:.3f} s | {x['stddev']:.3f} s | {p / 1024:.1f} MB |")
print()
print(f"pagewright-cli epub / gzip -6: {r[0]['mean'] / r[1]['mean']:.2f} (target <= 1.0, peak < 64 MB)")
PY
