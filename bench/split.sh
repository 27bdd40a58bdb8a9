#!/usr/bin/env bash
# The split pass against `cat file > copy` on the ~200 MB benchmark file, both writing into
# the same folder, timed side by side with hyperfine; then the pass's peak memory.
# Target: at most 1.5 times cat's time, under 64 MB resident.
# Usage: bench/split.sh [build dir]
# PW_BENCH_OUT names the folder to work in (default bench/out; a subfolder pw-split is made
# there): on a busy ext4 the creation of thousands of files can cost more than the copy
# itself, so a tmpfs such as /dev/shm shows the pass's own cost.
# PW_BENCH_RUNS sets hyperfine's runs of each command per round (default 10): on a shared
# machine one run can be 10% off the mean; PW_BENCH_ROUNDS, the rounds (see below).
# PW_BENCH_KEEP_BLANK=1 times the pass with blank lines kept.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-${PAGEWRIGHT_BUILD_DIR:-build}}
source bench/tools.sh
bench_tools hyperfine:hyperfine jq:jq
data=$(bash bench/make-data.sh "$build")

cmake --build "$build" --target pw-split-bench >/dev/null
bin=$build/bin/pw-split-bench
work=${PW_BENCH_OUT:-bench/out}/pw-split
rm -rf "$work"
mkdir -p "$work/files"
"$bin" scan "$data" "$work/table.txt"
echo "input: $(stat -c %s "$data") bytes, $(($(wc -l <"$work/table.txt") - 3)) headings"

# Every run starts in an empty folder. On a disk file system the last run's files are
# moved aside, not deleted: ext4 skips recently deleted inodes when it creates files, which
# would charge the pass (thousands of files) for the clean-up between runs. On tmpfs they
# are deleted, so that both commands write into memory the system has just used.
mkdir -p "$work/old"
if [ "$(stat -f -c %T "$work")" = tmpfs ]; then
    clean="rm -rf $work/files && mkdir $work/files"
else
    clean="mv $work/files $work/old/\$(date +%s%N) && mkdir $work/files && sync"
fi
# hyperfine times all runs of one command before the next, so a shared machine that slows
# down for a while (as cloud machines do) skews one ratio: PW_BENCH_ROUNDS rounds (default 3)
# are timed one after the other, and their median ratio is the figure.
ratios=()
for round in $(seq "${PW_BENCH_ROUNDS:-3}"); do
    hyperfine --warmup 1 --runs "${PW_BENCH_RUNS:-10}" --export-json "$work/times.json" \
        --prepare "$clean" -n cat "cat $data > $work/files/copy.txt" \
        --prepare "$clean" -n split "$bin split $data $work/table.txt $work/files"
    ratios+=("$(jq -r '(.results[] | select(.command=="split") | .mean) / (.results[] | select(.command=="cat") | .mean)' \
        "$work/times.json")")
done
ratio=$(printf '%s\n' "${ratios[@]}" | sort -g | awk '{r[NR] = $1} END {print r[int((NR + 1) / 2)]}')
eval "$clean"
peak=$(/usr/bin/time -v "$bin" split "$data" "$work/table.txt" "$work/files" 2>&1 |
    awk -F': ' '/Maximum resident set size/ {print $2}')
printf 'split / cat by round: %s\n' "$(printf '%.2f ' "${ratios[@]}")"
printf 'split / cat: %.2f, the median (target <= 1.5)\n' "$ratio"
printf 'peak memory of split: %d KB (target < 65536)\n' "$peak"
rm -rf "$work/files" "$work/old"
