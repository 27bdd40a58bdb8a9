#!/usr/bin/env bash
# A whole library at once: 40 generated novels of about 5 MB each, split as one batch with
# -j 2 against 40 single runs one after the other, both in one hyperfine run; then the peak
# memory of the batch (its largest process: /usr/bin/time reports the most any process of it
# held) beside a single run's, and the ratio of the means.
# Usage: bench/batch.sh [build dir]
# PW_BENCH_OUT names the folder to work in (default bench/out; a subfolder pw-batch is made
# there), PW_BENCH_RUNS the runs per command (default 5), PW_BENCH_JOBS the batch's -j (2),
# PW_BENCH_COMMAND split (default) or epub: the books of a batch all go into one folder.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-${PAGEWRIGHT_BUILD_DIR:-build}}
runs=${PW_BENCH_RUNS:-5}
jobs=${PW_BENCH_JOBS:-2}
command=${PW_BENCH_COMMAND:-split}
case $command in split | epub) ;; *) echo "PW_BENCH_COMMAND is split or epub, not $command" >&2; exit 2 ;; esac

source bench/tools.sh
bench_tools hyperfine:hyperfine python3:python3

cmake --build "$build" --target pagewright-cli pw-make-novel >/dev/null
bin=$(cd "$build/bin" && pwd)
cli=$bin/pagewright-cli
work=$(mkdir -p "${PW_BENCH_OUT:-bench/out}/pw-batch" && cd "${PW_BENCH_OUT:-bench/out}/pw-batch" && pwd)
library=$work/library
out=$work/out
mkdir -p "$library"

# 500 chapters of 80 paragraphs make about 4.7 MB; a seed of its own gives each novel its text.
for i in $(seq -w 1 40); do
    [ -s "$library/novel$i.txt" ] ||
        "$bin/pw-make-novel" "$library/novel$i.txt" --chapters 500 --paragraphs 80 --seed "$i" 2>/dev/null
done
first=$library/novel01.txt

batch="'$cli' $command '$library'/*.txt -q -j $jobs -o '$out'"
if [ "$command" = split ]; then
    singles="for f in '$library'/*.txt; do s=\${f##*/}; '$cli' split \"\$f\" -q -o '$out'/\${s%.txt} --create-dir || exit 1; done"
    single="'$cli' split '$first' -q -o '$out/one' --create-dir"
else
    singles="for f in '$library'/*.txt; do '$cli' epub \"\$f\" -q -o '$out' || exit 1; done"
    single="'$cli' epub '$first' -q -o '$out'"
fi
clean="rm -rf '$out' && mkdir '$out'"

echo "date:    $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(stat -f -c %T "$work")"
echo "command: $command"
echo "library: 40 novels, $(($(cat "$library"/*.txt | wc -c) / 1024 / 1024)) MB in all"
echo

hyperfine --warmup 1 --runs "$runs" --export-json "$work/times.json" --prepare "$clean" \
    -n "batch -j $jobs" "$batch" \
    -n "40 single runs" "$singles"

# Peak resident memory in KB: the batch, then one novel alone.
eval "$clean"
/usr/bin/time -f %M -o "$work/peak-batch" sh -c "$batch" >/dev/null
eval "$clean"
/usr/bin/time -f %M -o "$work/peak-single" sh -c "$single" >/dev/null
eval "$clean"

echo
python3 - "$work/times.json" "$work/peak-batch" "$work/peak-single" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
batch, singles = results[0], results[1]
peak_batch = int(open(sys.argv[2]).read().split()[-1])
peak_single = int(open(sys.argv[3]).read().split()[-1])
print("| command | mean | ± σ | peak memory |")
print("|---|---:|---:|---:|")
print(f"| {batch['command']} | {batch['mean']:.3f} s | {batch['stddev']:.3f} s | {peak_batch / 1024:.1f} MB |")
print(f"| {singles['command']} | {singles['mean']:.3f} s | {singles['stddev']:.3f} s | {peak_single / 1024:.1f} MB (one run) |")
print()
print(f"batch / single runs: {batch['mean'] / singles['mean']:.2f} (aim <= 0.6 on 2 cores)")
print(f"peak memory, batch / one run: {peak_batch / peak_single:.2f}")
PY
