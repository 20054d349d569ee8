#!/bin/sh
# What the sanitizer builds cannot test: tarvel-scan under an address-space
# limit (a sanitizer reserves terabytes of it, and its operator new aborts
# rather than throw). Builds tarvel-scan without sanitizers in build-plain and
# runs tests/memory/.
set -e
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build-plain -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVEL_TESTS=OFF >/dev/null
cmake --build build-plain -j"$(nproc)" --target tarvel-scan
for t in tests/memory/*.sh; do
    sh "$t" build-plain/tarvel-scan
done
