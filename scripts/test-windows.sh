#!/bin/sh
# The native Windows builds and their tests, run under Wine on a virtual
# display: the 64-bit build (build-win64) under 64-bit Wine always, the 32-bit
# build (build-win) under 32-bit Wine where this host's kernel runs 32-bit x86
# code. Both are built everywhere: cross compiling needs no 32-bit kernel.
# With a Linux build in build-test (the README's test command makes it), each
# Windows report is also compared with the Linux one.
set -e
cd "$(dirname "$0")/.."
./scripts/install-deps.sh --windows
linux=""
[ -x build-test/tarvel-scan ] && linux="-DTARVEL_LINUX_BUILD=$PWD/build-test"

build() { # build folder, toolchain, the other edition's build folder
    cmake -S . -B "$1" --toolchain "cmake/$2.cmake" -DCMAKE_BUILD_TYPE=Release $linux \
        -DTARVEL_OTHER_WINDOWS_BUILD="$PWD/$3"
    cmake --build "$1" -j"$(nproc)"
}
build build-win64 mingw-x86_64 build-win
build build-win mingw-i686 build-win64
# Each suite installs its own edition (a ctest fixture makes its installer)
# and the other edition over it, where that one runs here: both are made now.
(cd build-win64 && cpack -G NSIS >/dev/null)
(cd build-win && cpack -G NSIS >/dev/null)

# Whether 32-bit Wine starts here, found by starting it. A kernel without
# IA-32 emulation refuses its loader with "Exec format error": that alone is a
# reason to skip; any other failure is an error like any other.
wine32=${TARVEL_WINE32:-/usr/lib/wine/wine}
run32=yes
if ! started=$(sh -c 'exec "$0" --version' "$wine32" 2>&1); then
    case "$started" in
    *"Exec format error"*)
        echo "test-windows.sh: 32-bit Windows tests skipped: this host's kernel runs no 32-bit x86 code ($started)"
        run32=no ;;
    *)
        echo "test-windows.sh: 32-bit Wine does not start: $started" >&2
        exit 1 ;;
    esac
fi

xvfb-run -a ctest --test-dir build-win64 --output-on-failure -j2
[ "$run32" = no ] || xvfb-run -a ctest --test-dir build-win --output-on-failure -j2
