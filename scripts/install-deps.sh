#!/bin/sh
# Installs what Tarvel needs to build, run and test on Debian 12 (as root).
# Quick and quiet when everything is already there.
#
#   scripts/install-deps.sh             the Linux build and its tests
#   scripts/install-deps.sh --windows   the Windows builds (MinGW-w64, 32 and
#                                       64 bits), Wine to run their tests,
#                                       NSIS for their installers
#   scripts/install-deps.sh --fuzz      clang and libFuzzer for the fuzz targets
set -e
case "${1:-}" in
"") pkgs="cmake make g++ pkg-config binutils-mingw-w64-x86-64 qt6-base-dev qt6-wayland libgl-dev libmount-dev libxcb1-dev libgtest-dev fonts-dejavu-core fontconfig \
          xvfb xauth x11-apps xdotool imagemagick util-linux dpkg-dev file time \
          dbus at-spi2-core python3-pyatspi \
          lintian desktop-file-utils appstream groff-base man-db" ;;
--windows)
    pkgs="cmake make g++-mingw-w64-i686 g++-mingw-w64-x86-64 googletest wine wine64 nsis xvfb xauth file"
    # 32-bit Wine comes from the i386 architecture; where that cannot be
    # added, only the 64-bit Windows tests can run.
    if [ "$(dpkg --print-architecture)" = amd64 ] &&
        { dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386; }; then
        pkgs="$pkgs wine32:i386"
    fi ;;
--fuzz) pkgs="cmake make clang-14 libclang-rt-14-dev" ;;
*)
    echo "usage: scripts/install-deps.sh [--windows | --fuzz]" >&2
    exit 2 ;;
esac
missing=""
for p in $pkgs; do
    dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq $missing >/dev/null
