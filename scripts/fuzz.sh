#!/usr/bin/env bash
# Coverage-guided fuzzing: builds the targets of tests/fuzz with clang, libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer into build-fuzz/, makes their first inputs
# with the novel generator, and runs each target for the given seconds (20 unless told).
# Exits non-zero when any target finds a crash, a leak, a hang or a failed check; the input
# that did it is left in build-fuzz/artifacts/<target>/, to be kept, once fixed, under
# tests/fuzz/regressions/<target>/ where the ordinary tests replay it.
# Usage: scripts/fuzz.sh [seconds per target] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift || true

PAGEWRIGHT_INSTALL_ONLY=1 bash scripts/setup.sh
dir=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPAGEWRIGHT_FUZZ=ON -DPAGEWRIGHT_GUI=OFF -DPAGEWRIGHT_WERROR=ON >/dev/null
read -r -a targets <"$dir/fuzz_targets.txt"
[ $# -gt 0 ] && targets=("$@")
cmake --build "$dir" --parallel "$(nproc)" --target fuzz_seeds "${targets[@]/#/fuzz_}"

rm -rf "$dir/seeds"
"$dir/bin/fuzz_seeds" "$dir/seeds"
failed=()
summary=()
for t in "${targets[@]}"; do
    corpus="$dir/corpus/$t" artifacts="$dir/artifacts/$t/" log="$dir/fuzz-$t.log"
    mkdir -p "$corpus" "$artifacts"
    inputs=("$corpus" "$dir/seeds/$t")
    [ -d "tests/fuzz/regressions/$t" ] && inputs+=("tests/fuzz/regressions/$t")
    echo "== fuzz $t: $seconds s"
    status=0
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$dir/bin/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
        -print_final_stats=1 -artifact_prefix="$artifacts" "${inputs[@]}" >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    cov=$( (grep -o 'cov: [0-9]*' "$log" || true) | tail -n 1 | cut -d' ' -f2)
    ft=$( (grep -o 'ft: [0-9]*' "$log" || true) | tail -n 1 | cut -d' ' -f2)
    line="$t: ${runs:-?} executions, cov ${cov:-?}, ft ${ft:-?}, corpus $(find "$corpus" -type f | wc -l) inputs"
    if [ "$status" -ne 0 ]; then
        failed+=("$t")
        line+=" -- FOUND SOMETHING (exit $status), see $log and $artifacts"
        grep -E '^==[0-9]+==ERROR|SUMMARY|runtime error|deadly signal|timeout' "$log" | head -5 || true
    fi
    summary+=("$line")
done
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing found faults in: ${failed[*]}" >&2
    exit 1
fi
