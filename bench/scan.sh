#!/usr/bin/env bash
# Times tarvel-scan against `du -s --apparent-size` on the same tree, warm cache.
#
#   bench/scan.sh [BUILD_DIR]        (default: build)
#
# The tree (200,000 files in 20,000 directories) is made once in
# ${TARVEL_BENCH_TREE:-/tmp/tarvel-bench-tree} and reused. Each tool runs
# RUNS times (default 7), alternately; the last line gives both medians and
# the ratio tarvel-scan / du.
set -euo pipefail
build=${1:-build}
tree=${TARVEL_BENCH_TREE:-/tmp/tarvel-bench-tree}
runs=${RUNS:-7}
scan=$build/tarvel-scan
[ -x "$scan" ] || { echo "no $scan: build first" >&2; exit 1; }
if [ ! -d "$tree" ]; then
    echo "making $tree ..." >&2
    "$build/tarvel-maketree" "$tree"
fi

now() { date +%s%N; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# Warm the cache with one untimed run of each.
"$scan" --cluster-size 4096 "$tree" >/dev/null
du -s --apparent-size "$tree" >/dev/null

tarvel_times=() du_times=()
for ((i = 0; i < runs; i++)); do
    t0=$(now); "$scan" "$tree" >/dev/null 2>&1; t1=$(now)
    tarvel_times+=($(( (t1 - t0) / 1000 )))
    t0=$(now); du -s --apparent-size "$tree" >/dev/null; t1=$(now)
    du_times+=($(( (t1 - t0) / 1000 )))
done
tm=$(printf '%s\n' "${tarvel_times[@]}" | median)
dm=$(printf '%s\n' "${du_times[@]}" | median)
lines=$("$scan" --cluster-size 4096 "$tree" | wc -l)
echo "tree: $tree, $lines report lines; runs: $runs"
awk -v t="$tm" -v d="$dm" 'BEGIN { printf "tarvel-scan median %.1f ms, du median %.1f ms, ratio %.2f\n", t/1000, d/1000, t/d }'
