#!/bin/sh
# Open-ended fuzzing, outside the test command: each target for SECONDS
# (default 300) from a new random seed. What it finds is mended, then its
# input joins fuzz/corpus/<target>/ as a regression (scripts/fuzz.sh).
#
#   scripts/fuzz-explore.sh [SECONDS]
exec "$(dirname "$0")/fuzz.sh" --explore "${1:-300}"
