#!/bin/sh
# A copy of the tests' Wine prefix whose screen has DPI dots per inch, as
# Windows' display scaling sets it (192: 200%).
#
#   dpi_prefix.sh FROM TO WINE_LOADER DPI
set -eu
from=$1 to=$2 wine=$3 dpi=$4
rm -rf "$to"
WINEPREFIX=$from wineserver -w # the registry as written, not as it is being written
cp -a "$from" "$to"
WINEPREFIX=$to "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
WINEPREFIX=$to wineserver -w
