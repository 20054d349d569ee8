#!/bin/sh
# The native Windows build and its tests, run under Wine on a virtual display.
# With a Linux build in build-test (the README's test command makes it), the
# Windows report is also compared with the Linux one.
set -e
cd "$(dirname "$0")/.."
./scripts/install-deps.sh --windows
linux=""
[ -x build-test/tarvel-scan ] && linux="-DTARVEL_LINUX_BUILD=$PWD/build-test"
cmake -S . -B build-win --toolchain cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release $linux
cmake --build build-win -j"$(nproc)"
xvfb-run -a ctest --test-dir build-win --output-on-failure -j2
