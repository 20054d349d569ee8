#!/usr/bin/env bash
# Takes a screenshot of the real program showing a real report: starts
# tarvel under Xvfb in DIR, chooses File/Open with the keyboard as a person
# would, selects the directory the dialog lists (DIR), answers any message
# box with Enter, and saves the main window's picture.
#
#   scripts/screenshot.sh [BUILD_DIR] [DIR] [OUT]
#
# Defaults: build, the repository's src/ folder, docs/screenshot.png.
# Needs xvfb-run, xdotool and ImageMagick's import (Debian: xvfb xauth
# xdotool imagemagick); as root it installs xdotool when it is missing.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
dir=$(cd "${2:-$repo/src}" && pwd)
out=${3:-$repo/docs/screenshot.png}
case "$out" in /*) ;; *) out="$PWD/$out" ;; esac

if [ "${TARVEL_SHOT_INSIDE:-}" != 1 ]; then
    if ! command -v xdotool >/dev/null && [ "$(id -u)" = 0 ]; then
        apt-get install -y -qq --no-install-recommends xdotool >/dev/null
    fi
    for tool in xvfb-run xdotool import; do
        command -v "$tool" >/dev/null || { echo "screenshot.sh: $tool is missing" >&2; exit 1; }
    done
    prog=${TARVEL_PROGRAM:-$build/tarvel}
    [ -x "$prog" ] || { echo "screenshot.sh: $prog is missing" >&2; exit 1; }
    export TARVEL_PROGRAM="$prog"
    mkdir -p "$(dirname "$out")"
    TARVEL_SHOT_INSIDE=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build" "$dir" "$out"
fi

# Inside Xvfb. No window manager runs: focus is given directly.
wait_window() { # NAME-REGEX SECONDS -> window id, or nothing
    local i
    for ((i = 0; i < $2 * 10; i++)); do
        local w
        w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
        [ -n "$w" ] && { echo "$w"; return; }
        sleep 0.1
    done
}

cd "$dir" # the dialog lists the current directory first
"$TARVEL_PROGRAM" 2>/dev/null &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

main=$(wait_window '^Directory Sizes$' 20)
[ -n "$main" ] || { echo "screenshot.sh: the main window did not appear" >&2; exit 1; }
xdotool windowfocus --sync "$main"
sleep 0.5
xdotool key alt+f
sleep 0.3
xdotool key o

dlg=$(wait_window '^Select Directory$' 20)
[ -n "$dlg" ] || { echo "screenshot.sh: the directory dialog did not appear" >&2; exit 1; }
xdotool windowfocus --sync "$dlg"
sleep 0.3
xdotool key Tab Tab space # from the list over Cancel to Select, and press it

# The survey may tell of a fallback (no disk checker here): answer with Enter.
for _ in 1 2 3; do
    box=$(wait_window '^(Failure|Error)$' 3)
    [ -n "$box" ] || break
    xdotool windowfocus --sync "$box"
    xdotool key Return
    sleep 0.3
done

title=$(wait_window '^Directory Sizes of ' 60)
[ -n "$title" ] || { echo "screenshot.sh: no report appeared" >&2; exit 1; }
sleep 1 # the report paints once the survey returns to the message loop
import -window "$main" "$out"
xdotool windowfocus "$main" key alt+f
sleep 0.3
xdotool key x
wait $pid 2>/dev/null || true
trap - EXIT
echo "screenshot.sh: $out"
