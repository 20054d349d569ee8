#!/bin/sh
# The read-ahead under a memory limit, on a tree of 40,000 directories. The
# least address space the walk alone needs (ulimit -v, found by halving) is
# measured first; then, read-ahead on:
# - from that limit to 2 MiB above it, where the workers' own allocations
#   fail: nothing may end the program (no status from a signal; an uncaught
#   bad_alloc in a worker was one), and the survey gives the walk's lines or
#   a failure it tells;
# - 16 MiB above it and more (room for the read-ahead's books and the
#   stacks of 64 workers): the same lines.
#
#   readahead_memory.sh TARVEL_SCAN      (a build without sanitizers)
set -u
scan=$1
tree=$(mktemp -d)
trap 'rm -rf "$tree" "$tree.on" "$tree.off" "$tree.err"' EXIT
# A sanitizer reserves terabytes of address space and cannot start at all
# under such a limit: found by trying.
if ! (ulimit -v 200000 && "$scan" --version >/dev/null 2>&1); then
    echo "readahead_memory.sh: skipped: $scan does not start under a 200 MB address-space limit (a sanitizer build?)"
    exit 0
fi
for i in $(seq 1 200); do
    mkdir "$tree/d$i" && (cd "$tree/d$i" && mkdir $(seq -f s%g 1 200)) || exit 1
done

# survey LIMIT READAHEAD OUT: the status of one survey under LIMIT KiB.
survey() {
    (ulimit -v "$1"; TARVEL_READAHEAD=$2 "$scan" --cluster-size 512 "$tree" >"$3" 2>"$tree.err")
}

survey 400000 0 "$tree.off" || { echo "readahead_memory.sh: the walk fails without a limit"; exit 1; }
low=4000 high=400000
while [ $((high - low)) -gt 100 ]; do
    mid=$(((low + high) / 2))
    if survey $mid 0 /dev/null; then high=$mid; else low=$mid; fi
done
need=$high

failed=0
for extra in 0 256 512 1024 1536 2048; do
    limit=$((need + extra))
    survey $limit 1 "$tree.on"
    on=$?
    if [ $on -ge 128 ]; then
        echo "limit $limit KiB: ended by signal $((on - 128))"; failed=1
    elif [ $on -eq 0 ] && ! cmp -s "$tree.on" "$tree.off"; then
        echo "limit $limit KiB: other lines, and no failure told"; failed=1
    elif [ $on -ne 0 ] && [ ! -s "$tree.err" ]; then
        echo "limit $limit KiB: status $on, and no failure told"; failed=1
    fi
done
# A per-thread arena reserved within 64 MiB of the walk's need leaves the
# walk short; whether glibc can place one is down to address-space layout,
# so several such limits are tried.
for limit in $((need + 16384)) $((need + 32768)) $((need + 59392)) $((need + 61440)) $((need + 63488)); do
    survey $limit 1 "$tree.on"
    on=$?
    if [ $on -ne 0 ] || ! cmp -s "$tree.on" "$tree.off"; then
        echo "limit $limit KiB: the walk alone needs $need KiB; with read-ahead, status $on and other lines"
        sed -n 1,3p "$tree.err"; failed=1
    fi
done
[ $failed -eq 0 ] && echo "readahead_memory.sh: the walk alone needs $need KiB; read-ahead on from there up: no abort, the same lines with room"
exit $failed
