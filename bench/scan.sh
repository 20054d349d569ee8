#!/usr/bin/env bash
# Times tarvel-scan with the layer's read-ahead on and off against
# `du -s --apparent-size` on the same tree, in one run, alternately, and
# measures the peak memory of both.
#
#   bench/scan.sh [--cold] [--cpus LIST] [BUILD_DIR]   (default: build, a Release build)
#   bench/scan.sh --what-if [--cold] [BUILD_DIR]
#
# --cpus LIST: comma-separated processor counts ("1,2,all"); for each N, all
# three programs run under taskset on processors 0 to N-1 (the read-ahead
# sizes its pool for those), and the figures are given for that N. Default:
# all, without taskset.
#
# With --what-if it times instead `tarvel-scan --what-if` (the 13 default
# cluster sizes) against `tarvel-scan --format=tsv` on the same tree,
# alternately, with the peak memory of both.
#
# The tree (200,000 files in 20,000 directories) is made once in
# ${TARVEL_BENCH_TREE:-/tmp/tarvel-bench-tree} and reused. Each of the three
# runs RUNS times (default 7). Warm: one untimed run of each first. --cold:
# the page cache is dropped before every timed run (as root:
# sync; echo 3 > /proc/sys/vm/drop_caches). The last lines give the medians,
# both ratios to du, and the peak resident memory (/usr/bin/time -f %M).
set -euo pipefail
cold=0 whatif=0
if [ "${1:-}" = "--what-if" ]; then whatif=1; shift; fi
if [ "${1:-}" = "--cold" ]; then cold=1; shift; fi
cpulist=all
if [ "${1:-}" = "--cpus" ]; then cpulist=$2; shift 2; fi
build=${1:-build}
tree=${TARVEL_BENCH_TREE:-/tmp/tarvel-bench-tree}
runs=${RUNS:-7}
scan=$build/tarvel-scan
[ -x "$scan" ] || { echo "no $scan: build first" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "bench/scan.sh: /usr/bin/time is missing (Debian: time)" >&2; exit 1; }
if [ ! -d "$tree" ]; then
    echo "making $tree ..." >&2
    "$build/tarvel-maketree" "$tree"
fi

drop() {
    [ "$cold" = 1 ] || return 0
    sync
    echo 3 > /proc/sys/vm/drop_caches || { echo "bench/scan.sh: --cold needs root" >&2; exit 1; }
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
peakfile=$(mktemp)
trap 'rm -f "$peakfile"' EXIT
# Runs "$@" once; prints "<microseconds> <peak KiB>".
timed() {
    local t0 t1
    drop
    t0=$(date +%s%N)
    /usr/bin/time -f %M -o "$peakfile" "$@" >/dev/null 2>&1 || true
    t1=$(date +%s%N)
    echo "$(( (t1 - t0) / 1000 )) $(tail -1 "$peakfile")"
}

if [ "$whatif" = 1 ]; then
    [ "$cold" = 1 ] || { "$scan" --format=tsv "$tree" >/dev/null; "$scan" --what-if "$tree" >/dev/null; }
    tsv=() wi=() tsv_kb=() wi_kb=()
    for ((i = 0; i < runs; i++)); do
        read -r t kb < <(timed "$scan" --format=tsv "$tree"); tsv+=("$t"); tsv_kb+=("$kb")
        read -r t kb < <(timed "$scan" --what-if "$tree"); wi+=("$t"); wi_kb+=("$kb")
    done
    m_tsv=$(printf '%s\n' "${tsv[@]}" | median)
    m_wi=$(printf '%s\n' "${wi[@]}" | median)
    k_tsv=$(printf '%s\n' "${tsv_kb[@]}" | sort -n | tail -1)
    k_wi=$(printf '%s\n' "${wi_kb[@]}" | sort -n | tail -1)
    echo "tree: $tree; $([ "$cold" = 1 ] && echo cold || echo warm) cache; runs: $runs; $(nproc) processors"
    awk -v t="$m_tsv" -v w="$m_wi" -v kt="$k_tsv" -v kw="$k_wi" 'BEGIN {
        printf "--format=tsv: median %.1f ms, peak %.1f MB\n", t/1000, kt/1024
        printf "--what-if (13 sizes): median %.1f ms, peak %.1f MB; time ratio %.2f, memory ratio %.2f\n",
               w/1000, kw/1024, w/t, kw/kt
    }'
    exit 0
fi

lines=$("$scan" --cluster-size 4096 "$tree" | wc -l)
echo "tree: $tree, $lines report lines; $([ "$cold" = 1 ] && echo cold || echo warm) cache; runs: $runs; $(nproc) processors"
# The three programs on `$1` processors (all: as the process is).
compare() {
    local n=$1 pin=()
    if [ "$n" != all ]; then
        [ "$n" -le "$(nproc)" ] || { echo "$n processors: this host has $(nproc); skipped"; return 0; }
        pin=(taskset -c "0-$((n - 1))")
    fi
    if [ "$cold" = 0 ]; then
        "${pin[@]}" "$scan" "$tree" >/dev/null
        TARVEL_READAHEAD=0 "${pin[@]}" "$scan" "$tree" >/dev/null
        "${pin[@]}" du -s --apparent-size "$tree" >/dev/null
    fi
    local on=() off=() du_t=() on_kb=() off_kb=() t kb
    for ((i = 0; i < runs; i++)); do
        read -r t kb < <(timed env TARVEL_READAHEAD=1 "${pin[@]}" "$scan" "$tree"); on+=("$t"); on_kb+=("$kb")
        read -r t kb < <(timed env TARVEL_READAHEAD=0 "${pin[@]}" "$scan" "$tree"); off+=("$t"); off_kb+=("$kb")
        read -r t kb < <(timed "${pin[@]}" du -s --apparent-size "$tree"); du_t+=("$t")
    done
    local m_on m_off m_du k_on k_off
    m_on=$(printf '%s\n' "${on[@]}" | median)
    m_off=$(printf '%s\n' "${off[@]}" | median)
    m_du=$(printf '%s\n' "${du_t[@]}" | median)
    k_on=$(printf '%s\n' "${on_kb[@]}" | sort -n | tail -1)
    k_off=$(printf '%s\n' "${off_kb[@]}" | sort -n | tail -1)
    awk -v n="$n" -v on="$m_on" -v off="$m_off" -v du="$m_du" -v kon="$k_on" -v koff="$k_off" 'BEGIN {
        printf "%s processors:\n", n
        printf "  read-ahead on:  median %.1f ms, ratio to du %.2f, peak %.1f MB\n", on/1000, on/du, kon/1024
        printf "  read-ahead off: median %.1f ms, ratio to du %.2f, peak %.1f MB\n", off/1000, off/du, koff/1024
        printf "  du -s --apparent-size: median %.1f ms; peak memory on/off %.2f\n", du/1000, kon/koff
    }'
}
for n in ${cpulist//,/ }; do
    compare "$n"
done
