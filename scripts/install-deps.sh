#!/bin/sh
# Installs what Tarvel needs to build, run and test on Debian 12 (as root).
# Quick and quiet when everything is already there.
#
#   scripts/install-deps.sh             the Linux build and its tests
#   scripts/install-deps.sh --windows   the Windows build (MinGW-w64), Wine to
#                                       run its tests, NSIS for its installer
#   scripts/install-deps.sh --fuzz      clang and libFuzzer for the fuzz targets
set -e
pkgs="cmake make g++ qt6-base-dev libgl-dev libgtest-dev fonts-dejavu-core fontconfig \
      xvfb xauth x11-apps xdotool imagemagick util-linux dpkg-dev file time \
      lintian desktop-file-utils appstream groff-base man-db"
case "${1:-}" in
--windows) pkgs="g++-mingw-w64-i686 googletest wine wine32:i386 nsis xvfb xauth" ;;
--fuzz) pkgs="cmake make clang-14 libclang-rt-14-dev" ;;
esac
missing=""
for p in $pkgs; do
    dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
export DEBIAN_FRONTEND=noninteractive
case "$missing" in
*:i386*)
    # Wine runs 32-bit Windows programs with its 32-bit half.
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386 ;;
esac
apt-get update -qq
apt-get install -y -qq $missing >/dev/null
