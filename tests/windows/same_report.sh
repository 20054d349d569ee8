#!/bin/sh
# One tree through the Linux and the Windows tarvel-scan: the same directory
# lines, the Windows ones with Z: and backslashes. Each platform lists a
# directory's entries in its own order (Wine sorts them), so the lines are
# compared as a set; the order within a report is the scan tests' business.
#
#   same_report.sh LINUX_TARVEL_SCAN WINE WINDOWS_TARVEL_SCAN
set -eu
linux=$1 wine=$2 windows=$3
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/a/b/c" "$tree/d" "$tree/日本" "$tree/.hidden"
head -c 5000 /dev/zero > "$tree/a/f"
head -c 4096 /dev/zero > "$tree/a/b/exact"
: > "$tree/a/b/c/empty"
head -c 4097 /dev/zero > "$tree/日本/over"
head -c 100 /dev/zero > "$tree/.hidden/x"
truncate -s 5G "$tree/d/big"

# The first line names the drive, which differs; the rest must not.
"$linux" --cluster-size 4096 "$tree" | tail -n +2 | LC_ALL=C sort > "$tree.linux"
"$wine" "$windows" --cluster-size 4096 "$tree" | tr -d '\r' | tail -n +2 |
    sed 's|^Z:||; s|\\|/|g' | LC_ALL=C sort > "$tree.windows"
trap 'rm -rf "$tree" "$tree.linux" "$tree.windows"' EXIT
if ! diff -u "$tree.linux" "$tree.windows"; then
    echo "the Windows report differs from the Linux one" >&2
    exit 1
fi
[ "$(wc -l < "$tree.linux")" -eq 8 ] || { echo "expected 7 directory lines and the closing one" >&2; exit 1; }
