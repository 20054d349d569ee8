#!/bin/sh
# Builds the libFuzzer targets (fuzz/) with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs each of them.
#
#   scripts/fuzz.sh                  the gating run of the test command: each
#                                    target over its committed corpus, then
#                                    RUNS fresh inputs (default 300000) from a
#                                    fixed seed, so every run of one commit
#                                    gives the same result
#   scripts/fuzz.sh --explore [SECONDS]
#                                    open-ended fuzzing, SECONDS a target
#                                    (default 300) from a new random seed
#
# A crash stops the script with status 1 and leaves its input in
# build-fuzz/crashes/<target>/. Once the fault is mended, the input joins
# fuzz/corpus/<target>/, so the gating run guards it from then on.
set -eu
cd "$(dirname "$0")/.."
case "${1:-}" in
--explore) limit="-max_total_time=${2:-300} -seed=0" ;;
# Comparison operands feed the mutations with whatever the heap's addresses
# happen to be, which differ from run to run; without them the fixed seed
# gives the same inputs every time.
"") limit="-runs=${RUNS:-300000} -seed=1 -use_cmp=0 -use_memmem=0" ;;
*) echo "usage: scripts/fuzz.sh [--explore [SECONDS]]" >&2; exit 2 ;;
esac
./scripts/install-deps.sh --fuzz
cmake -S . -B build-fuzz -DTARVEL_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build build-fuzz -j"$(nproc)"
status=0
for target in chkdsk_report wsprintf; do
    work=build-fuzz/work/$target crashes=build-fuzz/crashes/$target
    rm -rf "$work"
    mkdir -p "$work" "$crashes"
    log=build-fuzz/$target.log
    # New inputs gather in the work folder; the committed corpus stays as it is.
    # shellcheck disable=SC2086
    if ! ./build-fuzz/fuzz/fuzz_$target $limit -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
            -artifact_prefix="$crashes/" "$work" "fuzz/corpus/$target" >"$log" 2>&1; then
        echo "fuzz_$target: FAILED; see $log and $crashes" >&2
        tail -30 "$log" >&2
        status=1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
    echo "fuzz_$target: $runs runs, $cov edges, $(ls "fuzz/corpus/$target" | wc -l) committed inputs"
done
exit $status
