#!/bin/sh
# The directory enumeration and its read-ahead under ThreadSanitizer: the
# read-ahead suite and the scan suite, built with -fsanitize=thread. (Tests
# fork after threads have run, which ThreadSanitizer tolerates with
# die_after_fork=0.)
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_FLAGS="-fsanitize=thread" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" >/dev/null
cmake --build build-tsan -j"$(nproc)" --target kernel32_readahead_test scan_test
export QT_QPA_PLATFORM=offscreen TSAN_OPTIONS="halt_on_error=1 die_after_fork=0"
for suite in kernel32_readahead_test scan_test; do
    ./build-tsan/tests/$suite --gtest_brief=1
done
