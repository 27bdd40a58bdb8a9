#!/usr/bin/env bash
# What rebuilding paragraphs costs a book: pagewright-cli epub on the ~200 MB GB18030
# benchmark file with paragraphs as the file's lines (--paragraphs line, no stage) and as the
# book makes them by default (auto: the stage joins the wrapped lines), side by side in one
# hyperfine run. The ratio of the two medians less one is the stage's share of a book run.
# Usage: bench/paragraphs.sh [build dir]
# PW_BENCH_OUT names the folder to work in (default bench/out; a subfolder pw-paragraphs is made
# there), PW_BENCH_RUNS the runs per command (default 5). With PAGEWRIGHT_CORPUS the file is
# made of the real novels, most of them hard-wrapped.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-${PAGEWRIGHT_BUILD_DIR:-build}}
runs=${PW_BENCH_RUNS:-5}

source bench/tools.sh
bench_tools hyperfine:hyperfine python3:python3

data=$(bash bench/make-data.sh "$build")
cmake --build "$build" --target pagewright-cli >/dev/null
cli=$(cd "$build/bin" && pwd)/pagewright-cli
work=$(mkdir -p "${PW_BENCH_OUT:-bench/out}/pw-paragraphs" && cd "${PW_BENCH_OUT:-bench/out}/pw-paragraphs" && pwd)

echo "date:    $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(stat -f -c %T "$work")"
echo "file:    $data ($(($(stat -c %s "$data") / 1024 / 1024)) MB)"
"$cli" epub "$data" -o "$work/auto.epub" --existing overwrite 2>&1 | grep 段落 || true
echo

hyperfine --style basic --runs "$runs" --warmup 1 --export-json "$work/result.json" \
    -n "lines" "'$cli' epub '$data' -q -o '$work/line.epub' --existing overwrite --paragraphs line" \
    -n "paragraphs" "'$cli' epub '$data' -q -o '$work/auto.epub' --existing overwrite"

python3 - "$work/result.json" <<'PY'
import json, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
line, para = r["lines"]["median"], r["paragraphs"]["median"]
print(f"\nbook, one line a paragraph: {line:.2f} s; paragraphs rebuilt: {para:.2f} s")
print(f"the stage's share: {100 * (para / line - 1):+.1f}% of a book run (aim: at most +10%)")
PY
