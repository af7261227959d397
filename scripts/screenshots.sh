#!/usr/bin/env bash
# Takes the README's screenshots of the new page dialog, the folder chooser,
# the About box and the splash from the real program under Xvfb.
# Needs the built program (BUILD_DIR, default build), xvfb, xdotool,
# fonts-noto-cjk and imagemagick (import); only run when the windows change.
set -euo pipefail
cd "$(dirname "$0")/.."
app="$PWD/${BUILD_DIR:-build}/src/app/tav-outliner"
docs="$PWD/docs"

source "$PWD/tests/e2e/session.sh"
export LC_ALL=C.UTF-8
start_display
start_app "$app"
key() { xdotool key --delay 80 "$@"; sleep 0.4; }
window() { timeout 10 xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1; }

xdotool windowfocus --sync "$main"
key alt+f n p
dialog=$(window "新しいページの作成")
xdotool windowfocus --sync "$dialog"
for text in "旅の記録" "/home/hanako/public_html/travel/index.html" "/home/hanako/public_html"; do
  key ctrl+a
  xdotool type --delay 40 "$text"
  key Tab
  [ "$text" = "旅の記録" ] || key Tab
done
import -window "$dialog" "$docs/new-page.png"
key shift+Tab space              # the document root's "..." button
chooser=$(window "フォルダの選択")
xdotool windowfocus --sync "$chooser"
key Down Down Right              # open the home folder
sleep 0.5
import -window "$chooser" "$docs/folder-chooser.png"
key Escape
xdotool windowfocus --sync "$dialog"
key Escape

xdotool windowfocus --sync "$main"
key alt+h a
about=$(window "バージョン情報")
sleep 0.5
import -window "$about" "$docs/about.png"
xdotool mousemove --window "$about" 28 28 click 1   # the program's icon shows the splash
splash=$(window "ちょぉっと待っててネ☆")
sleep 0.5
import -window "$splash" "$docs/splash.png"
echo "docs/new-page.png, folder-chooser.png, about.png and splash.png written"
