#!/usr/bin/env bash
# The survey in the real window (offscreen) against tarvel-scan on the same
# tree, warm cache; the last line gives both medians and their ratio.
#
#   bench/window.sh [BUILD_DIR]      (default: build; the tree as bench/scan.sh makes it)
set -euo pipefail
build=${1:-build}
tree=${TARVEL_BENCH_TREE:-/tmp/tarvel-bench-tree}
runs=${RUNS:-5}
[ -d "$tree" ] || "$build/tarvel-maketree" "$tree"
now() { date +%s%N; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

"$build/tarvel-scan" --cluster-size 4096 "$tree" >/dev/null
times=()
for ((i = 0; i < runs; i++)); do
    t0=$(now); "$build/tarvel-scan" --cluster-size 4096 "$tree" >/dev/null; t1=$(now)
    times+=($(( (t1 - t0) / 1000 )))
done
scan_ms=$(printf '%s\n' "${times[@]}" | median | awk '{printf "%.1f", $1/1000}')
window_ms=$(QT_QPA_PLATFORM=offscreen "$build/tarvel-bench-window" "$tree" "$runs")
awk -v w="$window_ms" -v s="$scan_ms" 'BEGIN { printf "window survey median %.1f ms, tarvel-scan median %.1f ms, ratio %.2f\n", w, s, w/s }'
