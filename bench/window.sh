#!/usr/bin/env bash
# The survey in the real window (offscreen) with the layer's read-ahead on and
# off, against tarvel-scan on the same tree, warm cache; the last lines give
# the medians and the ratios.
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
on_ms=$(TARVEL_READAHEAD=1 QT_QPA_PLATFORM=offscreen "$build/tarvel-bench-window" "$tree" "$runs")
off_ms=$(TARVEL_READAHEAD=0 QT_QPA_PLATFORM=offscreen "$build/tarvel-bench-window" "$tree" "$runs")
awk -v on="$on_ms" -v off="$off_ms" -v s="$scan_ms" 'BEGIN {
    printf "window survey, read-ahead on:  median %.1f ms, ratio to tarvel-scan %.2f\n", on, on/s
    printf "window survey, read-ahead off: median %.1f ms, on/off %.2f\n", off, on/off
    printf "tarvel-scan (read-ahead on): median %.1f ms\n", s
}'
