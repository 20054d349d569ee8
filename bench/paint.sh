#!/usr/bin/env bash
# Painting the main window (offscreen): one full paint with the view at the
# end of a 100,000-line report (median of many), and the strip that a
# one-line scroll repaints.
#
#   bench/paint.sh [BUILD_DIR]     (default: build)
#
# Needs the tarvel-bench-paint target (bench/CMakeLists.txt):
#   cmake --build BUILD_DIR --target tarvel-bench-paint
# Target: a full paint well under a frame (16 ms); a one-line scroll
# repaints one row's strip, not the client area.
set -euo pipefail
build=${1:-build}
lines=${LINES_IN_REPORT:-100000}
paints=${PAINTS:-201}
runs=${RUNS:-3}
bin="$build/tarvel-bench-paint"
if [ ! -x "$bin" ]; then
    echo "paint.sh: $bin is missing; build it with: cmake --build $build --target tarvel-bench-paint" >&2
    exit 1
fi
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

out=""
for ((i = 0; i < runs; i++)); do
    out+=$(QT_QPA_PLATFORM=offscreen "$bin" "$lines" "$paints" 2>/dev/null)$'\n'
done
printf '%s' "$out" | awk '!seen[$0]++ && !/^full paint|^one-line scroll/'
end=$(printf '%s' "$out" | awk '/^full paint at the end/ {print $7}' | median)
top=$(printf '%s' "$out" | awk '/^full paint at the top/ {print $7}' | median)
scroll=$(printf '%s' "$out" | awk '/^one-line scroll/ {print $7}' | median)
echo "full paint at the end of $lines lines: median $end ms over $runs runs of $paints paints (at the top: $top ms)"
echo "one-line scroll with its strip painted: median $scroll ms"
