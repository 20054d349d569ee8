#!/bin/sh
# The read-ahead under a memory limit: a tree of 40,000 directories surveyed
# with the address space limited (ulimit -v) from tight to ample, read-ahead
# on and off. Nothing may end the program: no status from a signal (an abort
# of an uncaught bad_alloc in a worker was one), and wherever the walk alone
# succeeds, the read-ahead succeeds too with the same lines.
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
failed=0
# Limits at which an uncaught bad_alloc in a worker once ended the program.
for limit in 40000 60000 76000 90000 100000; do
    (ulimit -v $limit; TARVEL_READAHEAD=0 "$scan" --cluster-size 512 "$tree" >"$tree.off" 2>"$tree.err")
    off=$?
    (ulimit -v $limit; TARVEL_READAHEAD=1 "$scan" --cluster-size 512 "$tree" >"$tree.on" 2>>"$tree.err")
    on=$?
    if [ $on -ge 128 ] || [ $off -ge 128 ]; then
        echo "limit $limit KiB: ended by a signal (read-ahead on: $on, off: $off)"; sed -n 1,5p "$tree.err"; failed=1
    elif [ $off -eq 0 ] && { [ $on -ne 0 ] || ! cmp -s "$tree.on" "$tree.off"; }; then
        echo "limit $limit KiB: the walk alone succeeds, with read-ahead status $on and other lines"; failed=1
    fi
done
[ $failed -eq 0 ] && echo "readahead_memory.sh: 5 limits, read-ahead on and off: no abort, the same lines"
exit $failed
