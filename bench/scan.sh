#!/usr/bin/env bash
# The heading scan against ripgrep on the same 200 MB file saved as GB18030, as UTF-16LE and as
# Big5: six commands side by side in one hyperfine run, then the peak memory of each. Prints the
# speed ratio for each encoding.
# Usage: bench/scan.sh [build dir]   (default: build)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$here/.."
build="${1:-$root/build}"
pattern='第.{1,10}章'
encodings=(gb18030 utf-16le big5)

source "$here/tools.sh"
bench_tools hyperfine:hyperfine rg:ripgrep python3:python3 uconv:icu-devtools

cmake --build "$build" --target pw-scan-bench >/dev/null
bench="$build/bin/pw-scan-bench"
# ripgrep's name for each encoding.
declare -A rgName=([gb18030]=gbk [utf-16le]=utf-16le [big5]=big5)
declare -A data
commands=()
for enc in "${encodings[@]}"; do
    data[$enc]="$(bash "$here/make-data.sh" "$build" "$enc")"
    file="${data[$enc]}"
    echo "$enc: $file ($(($(stat -c %s "$file") / 1024 / 1024)) MB)," \
        "headings: pagewright $("$bench" "$file" "$pattern"), rg $(rg -c -E "${rgName[$enc]}" "$pattern" "$file")"
    commands+=(-n "pagewright $enc" "'$bench' '$file' '$pattern'"
               -n "rg $enc" "rg -c -E ${rgName[$enc]} '$pattern' '$file'")
done

json="$(mktemp)"
trap 'rm -f "$json"' EXIT
hyperfine --warmup 2 --runs "${PW_BENCH_RUNS:-10}" --export-json "$json" "${commands[@]}"

python3 - "$json" "${encodings[@]}" <<'PY'
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
for enc in sys.argv[2:]:
    pw, rg = r[f"pagewright {enc}"], r[f"rg {enc}"]
    print(f"ratio {enc}: pagewright is {rg / pw:.2f}x as fast as rg ({pw * 1000:.0f} ms against {rg * 1000:.0f} ms)")
PY

peak() { /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident/ {printf "%.1f MB", $2 / 1024}'; }
for enc in "${encodings[@]}"; do
    file="${data[$enc]}"
    echo "peak memory $enc: pagewright $(peak "$bench" "$file" "$pattern")," \
        "rg $(peak rg -c -E "${rgName[$enc]}" "$pattern" "$file")"
done
