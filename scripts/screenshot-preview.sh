#!/usr/bin/env bash
# Takes the README's picture of the live preview from the real program
# under Xvfb, on a copy of the sample page: the pane beside the editor,
# opened with F12. Needs the program built with the preview (BUILD_DIR,
# default build), xvfb, xdotool, fonts-noto-cjk and imagemagick; only run
# when this view changes.
set -euo pipefail
cd "$(dirname "$0")/.."
build="$PWD/${BUILD_DIR:-build}"
docs="$PWD/docs"

source "$PWD/tests/e2e/session.sh"
export LC_ALL=C.UTF-8
# The browser engine will not start as root inside its sandbox; this
# script is run by developers, the program's users keep it.
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1
export QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu
cp resources/sample/sample.data "$work/sample.data"
start_display
start_app "$build/src/app/tav-outliner" "$work/sample.data"
xdotool windowfocus --sync "$main"
xdotool key F12
# The window is made again when the pane first shows: find it, open every
# node, and give the engine time for its first page.
before=$main
for _ in $(seq 100); do
  find_main
  [ "$main" != "$before" ] && break
  sleep 0.1
done
xdotool windowfocus --sync "$main"
xdotool windowmove --sync "$main" 0 0
xdotool windowsize --sync "$main" 1020 660
xdotool key ctrl+F1
sleep 4
eval "$(xdotool getwindowgeometry --shell "$main")"
import -window root -crop "${WIDTH}x${HEIGHT}+$X+$Y" "$docs/preview.png"
echo "docs/preview.png written"
