#!/usr/bin/env bash
# Traditional↔Simplified conversion on the ~200 MB benchmark, in one hyperfine run:
#   split --convert t2s      against  opencc -c t2s      (OpenCC's own program, same library)
# on the same file, the benchmark made UTF-8 (opencc reads nothing else), one output file so
# both write the same text. Our run converts on every core; opencc on one. Then the peak memory
# of ours, and whether the two outputs say the same (line ends aside).
# Usage: bench/convert.sh [build dir]
# PW_BENCH_OUT names the folder to work in (default bench/out), PW_BENCH_RUNS the runs per
# command (default 3: opencc needs over a minute a run).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-${PAGEWRIGHT_BUILD_DIR:-build}}
runs=${PW_BENCH_RUNS:-3}

source bench/tools.sh
bench_tools hyperfine:hyperfine python3:python3 iconv:libc-bin opencc:opencc

gb=$(bash bench/make-data.sh "$build" gb18030)
u8=${gb%.txt}-utf8.txt
if [ ! -f "$u8" ] || [ "$u8" -ot "$gb" ]; then
    iconv -f GB18030 -t UTF-8 "$gb" >"$u8.part" && mv "$u8.part" "$u8"
fi
cmake --build "$build" --target pagewright-cli >/dev/null
cli=$(cd "$build/bin" && pwd)/pagewright-cli
work=$(mkdir -p "${PW_BENCH_OUT:-bench/out}/pw-convert" && cd "${PW_BENCH_OUT:-bench/out}/pw-convert" && pwd)
out=$work/files
clean="rm -rf '$out' && mkdir -p '$out'"
ours="'$cli' split '$u8' -q -o '$out' --existing overwrite --keep-blank-lines -c 1000000 --convert t2s"
tool="opencc -c t2s -i '$u8' -o '$out/opencc.txt'"

busy() { awk '{printf "load %s %s %s", $1, $2, $3}' /proc/loadavg; }
echo "date:    $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(busy)"
echo "file:    $u8 ($(($(stat -c %s "$u8") / 1024 / 1024)) MB)"
echo

hyperfine --runs "$runs" --export-json "$work/times.json" --prepare "$clean" -n "opencc -c t2s" "$tool" \
    -n "split --convert t2s" "$ours"
echo "after the runs: $(busy)"

eval "$clean"
/usr/bin/time -f %M -o "$work/peak" sh -c "$ours"
eval "$tool"
# The split's files in their order: the text before the first heading, then the chapters.
same=$(cd "$out" && LC_ALL=C && cat 小说*.txt | tr -d '\r' | cmp -s - <(tr -d '\r' <opencc.txt) && echo yes || echo NO)
eval "$clean"

echo
python3 - "$work/times.json" "$(tail -1 "$work/peak")" "$same" <<'PY'
import json, sys
median = {r["command"]: r["median"] for r in json.load(open(sys.argv[1]))["results"]}
tool, ours = median["opencc -c t2s"], median["split --convert t2s"]
print("| measure | opencc | ours | ratio | aim | peak memory | same text |")
print("|---|---:|---:|---:|---:|---:|---|")
print(f"| t2s | {tool:.2f} s | {ours:.2f} s | {ours / tool:.2f}× | ≤ 0.6× | {int(sys.argv[2]) / 1024:.1f} MB | {sys.argv[3]} |")
PY
