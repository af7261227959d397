#!/usr/bin/env bash
# Takes the README's screenshots of the new page dialog and the About box
# from the real program under Xvfb: docs/new-page.png and docs/about.png.
# Needs the built program (BUILD_DIR, default build), xvfb, xdotool,
# fonts-noto-cjk and imagemagick (import); only run when the windows change.
set -euo pipefail
cd "$(dirname "$0")/.."
app="$PWD/${BUILD_DIR:-build}/src/app/tav-outliner"
docs="$PWD/docs"

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" LC_ALL=C.UTF-8
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

cd "$work"
"$app" >/dev/null 2>&1 &
app_pid=$!
main=$(timeout 30 xdotool search --sync --name '^Tav Outliner' | head -n 1)
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
key Escape

xdotool windowfocus --sync "$main"
key alt+h a
about=$(window "バージョン情報")
sleep 0.5
import -window "$about" "$docs/about.png"
echo "docs/new-page.png and docs/about.png written"
