#!/usr/bin/env bash
# pagewright-cli against general tools on the ~200 MB GB18030 benchmark file, all six
# commands side by side in one hyperfine run:
#   scan:  pagewright-cli scan           against  rg -c -E gbk
#   split: pagewright-cli split -p       against  cat file > copy, and iconv to UTF-8 + csplit;
#          and split --exclude-suspects, which has to scan the whole file before it writes
#          (the two reads split took before it scanned and wrote in one); split with no
#          pattern chooses the rule first and scans first too
#          (the pattern is given to the one-read split, as the window's field would)
# then the peak memory of each, and a Markdown table of means, ratios and peaks.
# Usage: bench/cli.sh [build dir]
# PW_BENCH_OUT names the folder to work in (default bench/out; a subfolder pw-cli is made
# there), PW_BENCH_RUNS the runs per command (default 5).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-${PAGEWRIGHT_BUILD_DIR:-build}}
runs=${PW_BENCH_RUNS:-5}
pattern='第.{1,10}章' # the default heading pattern, as rg takes it

source bench/tools.sh
bench_tools hyperfine:hyperfine rg:ripgrep python3:python3

data=$(bash bench/make-data.sh "$build")
cmake --build "$build" --target pagewright-cli >/dev/null
cli=$(cd "$build/bin" && pwd)/pagewright-cli
work=$(mkdir -p "${PW_BENCH_OUT:-bench/out}/pw-cli" && cd "${PW_BENCH_OUT:-bench/out}/pw-cli" && pwd)
out=$work/files
rm -rf "$out" "$work/old"
mkdir -p "$out" "$work/old"

# csplit matches characters only in a UTF-8 locale; without one '.' would be a byte.
u8locale=$(locale -a 2>/dev/null | grep -i -m1 -E '^(C|en_US)\.utf-?8$' || true)
[ -n "$u8locale" ] || { echo "no UTF-8 locale for csplit" >&2; exit 1; }

# Every run starts in an empty folder; see bench/split.sh for why a disk file system
# gets the last run's files moved aside rather than deleted.
if [ "$(stat -f -c %T "$work")" = tmpfs ]; then
    clean="rm -rf '$out' && mkdir '$out'"
else
    clean="mv '$out' '$work/old/'\$(date +%s%N) && mkdir '$out' && sync"
fi

scan_pw="'$cli' scan '$data' -q"
scan_rg="rg -c -E gbk '$pattern' '$data'"
split_pw="'$cli' split '$data' -p '第(.){1,10}章' -q -o '$out' --existing overwrite"
split_pw2="'$cli' split '$data' -p '第(.){1,10}章' -q -o '$out' --existing overwrite --exclude-suspects"
split_cat="cat '$data' > '$out/copy'"
split_csplit="iconv -f GB18030 -t UTF-8 '$data' > '$out/u8' && LC_ALL=$u8locale csplit -s -z -f '$out/x' '$out/u8' '/第.\{1,10\}章/' '{*}'"

echo "date:    $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(stat -f -c %T "$work")"
echo "file:    $data ($(($(stat -c %s "$data") / 1024 / 1024)) MB)"
echo "headings: pagewright-cli $("$cli" scan "$data" -q | tail -1), rg $(rg -c -E gbk "$pattern" "$data")"
eval "$clean"
"$cli" split "$data" -p '第(.){1,10}章' -q -o "$out" --existing overwrite
echo "split: pagewright-cli $(ls "$out" | wc -l) files"
eval "$clean"
eval "$split_csplit"
echo "split: csplit $(ls "$out" | grep -c '^x') files"
echo

hyperfine --warmup 1 --runs "$runs" --export-json "$work/times.json" --prepare "$clean" \
    -n "pagewright-cli scan" "$scan_pw" \
    -n "rg -c -E gbk" "$scan_rg" \
    -n "pagewright-cli split" "$split_pw" \
    -n "split, scan first" "$split_pw2" \
    -n "cat > copy" "$split_cat" \
    -n "iconv + csplit" "$split_csplit"

# Peak resident memory in KB, each command once more on a clean folder.
peaks="$work/peaks.txt"
: >"$peaks"
for cmd in "$scan_pw" "$scan_rg" "$split_pw" "$split_pw2" "$split_cat" "$split_csplit"; do
    eval "$clean"
    /usr/bin/time -f %M -o "$work/peak" sh -c "$cmd" >/dev/null
    tail -1 "$work/peak" >>"$peaks"
done
eval "$clean"
rm -rf "$work/old"

echo
python3 - "$work/times.json" "$peaks" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
peaks = [int(l) for l in open(sys.argv[2]).read().split()]
mean = {r["command"]: r["mean"] for r in results}
rows = [("scan", "pagewright-cli scan", "pagewright-cli scan"), ("scan", "rg -c -E gbk", "pagewright-cli scan"),
        ("split", "pagewright-cli split", "pagewright-cli split"),
        ("split", "split, scan first", "pagewright-cli split"), ("split", "cat > copy", "pagewright-cli split"),
        ("split", "iconv + csplit", "pagewright-cli split")]
print("| job | command | mean | ± σ | pagewright-cli ÷ this | peak memory |")
print("|---|---|---:|---:|---:|---:|")
for (job, name, ours), r, peak in zip(rows, results, peaks):
    print(f"| {job} | {name} | {r['mean']:.3f} s | {r['stddev']:.3f} s | "
          f"{mean[ours] / r['mean']:.2f} | {peak / 1024:.1f} MB |")
print()
print(f"pagewright-cli split / cat: {mean['pagewright-cli split'] / mean['cat > copy']:.2f} (target <= 2)")
PY
