#!/bin/sh
# Installs what Tarvel needs to build, run and test on Debian 12 (as root).
# Quiet and quick when everything is already there.
set -e
pkgs="cmake make g++ qt6-base-dev libgl-dev libgtest-dev fonts-dejavu-core fontconfig \
      xvfb xauth x11-apps xdotool imagemagick util-linux dpkg-dev file"
missing=""
for p in $pkgs; do
    dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq $missing >/dev/null
