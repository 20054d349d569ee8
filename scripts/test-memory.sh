#!/bin/sh
# What the sanitizer build cannot test: the Linux suite in a Release build
# (the README's first command's build, and a packager's), and tarvel-scan
# under an address-space limit (a sanitizer reserves terabytes of it, and its
# operator new aborts rather than throw). Builds without sanitizers in
# build-plain, runs its suite, then tests/memory/.
set -e
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build-plain -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-plain -j"$(nproc)"
ctest --test-dir build-plain --output-on-failure -j2
for t in tests/memory/*.sh; do
    sh "$t" build-plain/tarvel-scan
done
