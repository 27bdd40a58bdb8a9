#!/usr/bin/env bash
# The heading scan against ripgrep on the same 200 MB GB18030 file, side by side in one
# hyperfine run, then the peak memory of each. Prints the speed ratio.
# Usage: bench/scan.sh [build dir]   (default: build)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$here/.."
build="${1:-$root/build}"
pattern='第.{1,10}章'

source "$here/tools.sh"
bench_tools hyperfine:hyperfine rg:ripgrep python3:python3

cmake --build "$build" --target pw-scan-bench >/dev/null
bench="$build/bin/pw-scan-bench"
data="$(bash "$here/make-data.sh" "$build")"
echo "file: $data ($(($(stat -c %s "$data") / 1024 / 1024)) MB)"
echo "headings: pagewright $("$bench" "$data" "$pattern"), rg $(rg -c -E gbk "$pattern" "$data")"

json="$(mktemp)"
trap 'rm -f "$json"' EXIT
hyperfine --warmup 2 --runs 10 --export-json "$json" \
    -n pagewright "'$bench' '$data' '$pattern'" \
    -n rg "rg -c -E gbk '$pattern' '$data'"

python3 - "$json" <<'PY'
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
print(f"ratio: pagewright is {r['rg'] / r['pagewright']:.2f}x as fast as rg "
      f"({r['pagewright'] * 1000:.0f} ms against {r['rg'] * 1000:.0f} ms)")
PY

peak() { /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident/ {printf "%.1f MB", $2 / 1024}'; }
echo "peak memory: pagewright $(peak "$bench" "$data" "$pattern"), rg $(peak rg -c -E gbk "$pattern" "$data")"
