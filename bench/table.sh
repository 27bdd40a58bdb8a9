#!/usr/bin/env bash
# The speed table, every row in one hyperfine run, each of our commands beside the general
# tool that sets its floor, on the ~200 MB benchmark files:
#   scan (GB18030)           against  wc -l                       (reading the lines at all)
#   split                    against  cat file > copy             (writing the bytes at all)
#   split --output-encoding utf-8  against  iconv -f GB18030 -t UTF-8
#   scan (UTF-16LE)          against  rg -c -E utf-16le
#   epub                     against  gzip -6                     (a book is mostly deflated text)
# then the peak memory of each of our commands. The ratio is our median time over the tool's.
# With PW_BENCH_BEFORE naming a folder of other pagewright-cli binaries (an older build), its
# commands run in the same hyperfine run and the table shows both, side by side.
# Usage: bench/table.sh [build dir]
# PW_BENCH_OUT names the folder to work in (default bench/out; a subfolder pw-table is made
# there; a tmpfs such as /dev/shm shows the commands' own cost), PW_BENCH_RUNS the runs per
# command (default 5).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-${PAGEWRIGHT_BUILD_DIR:-build}}
runs=${PW_BENCH_RUNS:-5}
pattern='第.{1,10}章' # the default heading pattern, as rg takes it

source bench/tools.sh
bench_tools hyperfine:hyperfine rg:ripgrep python3:python3 gzip:gzip iconv:libc-bin

gb=$(bash bench/make-data.sh "$build" gb18030)
u16=$(bash bench/make-data.sh "$build" utf-16le)
cmake --build "$build" --target pagewright-cli >/dev/null
after=$(cd "$build/bin" && pwd)/pagewright-cli
before=${PW_BENCH_BEFORE:+$(cd "$PW_BENCH_BEFORE" && pwd)/pagewright-cli}
work=$(mkdir -p "${PW_BENCH_OUT:-bench/out}/pw-table" && cd "${PW_BENCH_OUT:-bench/out}/pw-table" && pwd)
out=$work/files
rm -rf "$out"
mkdir -p "$out"
clean="rm -rf '$out' && mkdir '$out'"

# Each row: its name, the tool's command, then ours with CLI standing for the binary.
rows=(
    "scan|wc -l '$gb'|CLI scan '$gb' -q"
    "split|cat '$gb' > '$out/copy'|CLI split '$gb' -q -o '$out' --existing overwrite"
    "split to UTF-8|iconv -f GB18030 -t UTF-8 '$gb' > '$out/u8'|CLI split '$gb' -q -o '$out' --existing overwrite --output-encoding utf-8"
    "scan UTF-16LE|rg -c -E utf-16le '$pattern' '$u16'|CLI scan '$u16' -q --encoding utf-16le"
    "epub|gzip -6 -c '$gb' > '$out/gz'|CLI epub '$gb' -q -o '$out/book.epub' --existing overwrite"
)
aims=("1.5" "1.5" "0.6" "0.5" "0.4")

# The command of a row with the binary put in for CLI.
with() { local cmd=$1 q="'"; echo "${cmd//CLI/$q$2$q}"; }

commands=()
names=()
for row in "${rows[@]}"; do
    IFS='|' read -r name tool ours <<<"$row"
    commands+=(-n "$name: tool" "$tool")
    names+=("$name")
    [ -z "$before" ] || commands+=(-n "$name: before" "$(with "$ours" "$before")")
    commands+=(-n "$name: after" "$(with "$ours" "$after")")
done

busy() { awk '{printf "load %s %s %s", $1, $2, $3}' /proc/loadavg; }
echo "date:    $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(stat -f -c %T "$work"), $(busy)"
echo "files:   $gb ($(($(stat -c %s "$gb") / 1024 / 1024)) MB), $u16 ($(($(stat -c %s "$u16") / 1024 / 1024)) MB)"
echo

hyperfine --warmup 1 --runs "$runs" --export-json "$work/times.json" --prepare "$clean" "${commands[@]}"
echo "after the runs: $(busy)"

# Peak resident memory in KB of each of our commands, once more on a clean folder.
peaks="$work/peaks.txt"
: >"$peaks"
for row in "${rows[@]}"; do
    IFS='|' read -r name tool ours <<<"$row"
    for which in before after; do
        bin=${!which}
        [ -n "$bin" ] || continue
        eval "$clean"
        /usr/bin/time -f %M -o "$work/peak" sh -c "$(with "$ours" "$bin")" >/dev/null
        echo "$name: $which $(tail -1 "$work/peak")" >>"$peaks"
    done
done
eval "$clean"

echo
python3 - "$work/times.json" "$peaks" "$([ -n "$before" ] && echo 1 || echo 0)" "${names[@]}" -- "${aims[@]}" <<'PY'
import json, sys
args = sys.argv[4:]
names, aims = args[:args.index("--")], args[args.index("--") + 1:]
with_before = sys.argv[3] == "1"
median = {r["command"]: r["median"] for r in json.load(open(sys.argv[1]))["results"]}
peak = {}
for line in open(sys.argv[2]):
    key, kb = line.rsplit(" ", 1)
    peak[key] = int(kb) / 1024
cols = ["before", "after"] if with_before else ["after"]
print("| measure | tool | " + " | ".join(f"ours {c}" for c in cols) + " | "
      + " | ".join(f"ratio {c}" for c in cols) + " | aim |")
print("|---|---:|" + "---:|" * (2 * len(cols)) + "---:|")
for name, aim in zip(names, aims):
    tool = median[f"{name}: tool"]
    ours = [median[f"{name}: {c}"] for c in cols]
    print(f"| {name} | {tool:.3f} s | " + " | ".join(f"{t:.3f} s" for t in ours) + " | "
          + " | ".join(f"{t / tool:.2f}×" for t in ours) + f" | ≤ {aim}× |")
print(f"| peak memory | | " + " | ".join(
    f"{max(v for k, v in peak.items() if k.endswith(c)):.1f} MB" for c in cols) + " | " + " | " * len(cols) + "≤ 64 MB |")
PY
