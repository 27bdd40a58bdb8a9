#!/usr/bin/env bash
# What the heading analysis adds to a scan's time: the scan with it and without it
# (pw-scan-bench --no-analysis) side by side in one hyperfine run, on a 200 MB novel of some
# 250,000 generated headings (its chapters are short, so the analysis weighs the most there) and,
# when PAGEWRIGHT_CORPUS names the corpus, on the 200 MB benchmark of real novels. Prints the
# share, (with - without) / with, for each of a few rounds and their median.
# Usage: bench/analysis.sh [build dir]   (PW_BENCH_ROUNDS rounds, default 5, of PW_BENCH_RUNS
# runs per command, default 10)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-${PAGEWRIGHT_BUILD_DIR:-$here/../build}}"
pattern='第.{1,10}章'

source "$here/tools.sh"
bench_tools hyperfine:hyperfine python3:python3

cmake --build "$build" --target pw-scan-bench pw-make-novel >/dev/null
bench="$build/bin/pw-scan-bench"
many="$here/data/many-headings.txt"
if [ ! -f "$many" ]; then
    mkdir -p "$here/data"
    "$build/bin/pw-make-novel" "$here/data/many-headings-piece.txt" --chapters 10000 --seed 1 >/dev/null
    : >"$many.part"
    for _ in $(seq 25); do cat "$here/data/many-headings-piece.txt" >>"$many.part"; done
    mv "$many.part" "$many"
fi
files=("$many")
[ -z "${PAGEWRIGHT_CORPUS:-}" ] || files+=("$(bash "$here/make-data.sh" "$build" gb18030)")

commands=()
for f in "${files[@]}"; do
    echo "$(basename "$f"): $(($(stat -c %s "$f") / 1024 / 1024)) MB, $("$bench" "$f" "$pattern") headings"
    commands+=(-n "with: $f" "'$bench' '$f' '$pattern'" -n "without: $f" "'$bench' '$f' '$pattern' --no-analysis")
done
echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
# A few milliseconds in some 200 move with the machine's mood: several short rounds, each with
# both commands, and the median of the rounds' shares.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
rounds=${PW_BENCH_ROUNDS:-5}
for round in $(seq "$rounds"); do
    hyperfine --warmup 2 --runs "${PW_BENCH_RUNS:-10}" --export-json "$work/$round.json" "${commands[@]}" >/dev/null
done
echo "after the runs: load $(cut -d' ' -f1-3 /proc/loadavg)"
python3 - "$work" "$rounds" "${files[@]}" <<'PY'
import json, os, statistics, sys
work, rounds, files = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
runs = [{x["command"]: x["median"] for x in json.load(open(f"{work}/{i}.json"))["results"]} for i in range(1, rounds + 1)]
for f in files:
    shares = [100 * (r[f"with: {f}"] - r[f"without: {f}"]) / r[f"with: {f}"] for r in runs]
    w = statistics.median(r[f"with: {f}"] for r in runs)
    wo = statistics.median(r[f"without: {f}"] for r in runs)
    print(f"{os.path.basename(f)}: scan {w * 1000:.1f} ms, without the analysis {wo * 1000:.1f} ms;"
          f" the analysis is {statistics.median(shares):.1f}% of the scan's time"
          f" (rounds: {', '.join(f'{x:.1f}%' for x in shares)})")
PY
