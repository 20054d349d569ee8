#!/bin/sh
# Builds the libFuzzer targets (fuzz/) with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each for SECONDS (default 30) from the
# seed corpus in fuzz/corpus/<target>. A crash stops the script with status 1
# and leaves its input in build-fuzz/crashes/<target>/.
#
#   scripts/fuzz.sh [SECONDS]
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-30}
./scripts/install-deps.sh --fuzz
cmake -S . -B build-fuzz -DTARVEL_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build build-fuzz -j"$(nproc)"
status=0
for target in chkdsk_report rcscript wsprintf; do
    work=build-fuzz/work/$target crashes=build-fuzz/crashes/$target
    rm -rf "$work"
    mkdir -p "$work" "$crashes"
    log=build-fuzz/$target.log
    # The corpus grows in the work folder; the seeds in the repository stay as they are.
    if ! ./build-fuzz/fuzz/fuzz_$target -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
            -print_final_stats=1 -artifact_prefix="$crashes/" "$work" "fuzz/corpus/$target" >"$log" 2>&1; then
        echo "fuzz_$target: FAILED; see $log and $crashes" >&2
        tail -30 "$log" >&2
        status=1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
    echo "fuzz_$target: $runs runs in ${seconds}s, $speed exec/s, $cov edges, $(ls "$work" | wc -l) inputs in the corpus"
done
exit $status
