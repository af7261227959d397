#!/usr/bin/env bash
# Takes the README's pictures of outline editing from the real program
# under Xvfb, on a copy of the sample page: a drag showing where the node
# will land (a line) and one showing the node it will go into (a frame).
# Needs the built program (BUILD_DIR, default build), xvfb, xdotool,
# fonts-noto-cjk and imagemagick; only run when these views change.
set -euo pipefail
cd "$(dirname "$0")/.."
build="$PWD/${BUILD_DIR:-build}"
docs="$PWD/docs"

source "$PWD/tests/e2e/session.sh"
export LC_ALL=C.UTF-8
cp resources/sample/sample.data "$work/sample.data"
start_display
start_app "$build/src/app/tav-outliner" "$work/sample.data"
xdotool windowfocus --sync "$main"
xdotool key ctrl+F1                # every node open
sleep 0.5

# Rows of the tree, from its top left corner in the window: the drag grabs
# the label of "隠れない子ノード", the sixth row.
eval "$(xdotool getwindowgeometry --shell "$main")"
tree_top=$((Y + 63))
row=26
label_x=$((X + 80))
drag_to() { # x, y in the screen; then a picture of the window
  xdotool mousemove "$1" "$2"
  sleep 0.3
  xdotool mousemove "$(($1 + 2))" "$2"
  sleep 0.5
  import -window root -crop "640x360+$X+$Y" "$docs/$3"
}
xdotool mousemove $((label_x + 20)) $((tree_top + 5 * row + row / 2)) mousedown 1
xdotool mousemove $((label_x + 30)) $((tree_top + 5 * row))
# Over the icon of "見出しの深さ": a line before it.
drag_to $((X + 50)) $((tree_top + 2 * row + row / 2)) drop-line.png
# Over the label of "アウトラインとは": a frame, it would become its child.
drag_to $((X + 120)) $((tree_top + 1 * row + row / 2)) drop-child.png
xdotool key Escape
xdotool mouseup 1
echo "docs/drop-line.png and docs/drop-child.png written"
