#!/usr/bin/env bash
# End to end: type "abc <b" at the end of one node (the caret right after a
# tag name), leave the editor with F4 and go to the next node: its plain
# text shows in the text colour, not in the tag name's. The real program
# under Xvfb, driven by the keyboard; the colours are read from the screen's
# pixels.
# Usage: colouring_e2e.sh TAV_OUTLINER TAVPUB
set -euo pipefail
app=$1
tavpub=$2
colours="$(cd "$(dirname "$0")" && pwd)/screen_colours.py"

source "$(dirname "$0")/session.sh"

# Colours no other part of the window uses: text green, tag names magenta
# (the store keeps them as 0x00BBGGRR).
mkdir -p "$XDG_CONFIG_HOME/Tav"
cat > "$XDG_CONFIG_HOME/Tav/QUIB.conf" <<CONF
[Preferences]
EditorBGColor=$((0xFFFFFF))
EditorTextColor=$((0x00C800))
EditorTagDirectiveColor=$((0xFF00FF))
EditorTagSymbolColor=$((0x800000))
EditorTagParameterColor=$((0x000080))
EditorFontSize=14
CONF
cat > "$work/page.json" <<JSON
{"Title": "E2E colours", "FileName": "$work/page.html",
 "Nodes": [{"Name": "typed", "Body": ""}, {"Name": "next", "Body": "plain words, plain words"}]}
JSON
"$tavpub" import "$work/page.json" "$work/page.data"

mkdir "$work/screen"
start_display -fbdir "$work/screen"
start_app "$app" "$work/page.data"
xdotool windowfocus --sync "$main"

key() { xdotool key --delay 80 "$@"; }
# How many pixels show text in a colour (NAME=RRGGBB).
count() {
  local line
  line=$(/usr/bin/python3 "$colours" "$work/screen/Xvfb_screen0" "$1")
  echo "${line##* }"
}
# Waits until some pixels show the colour, or none; the screen follows the
# keys a little later.
shows() {
  local n
  for _ in $(seq 30); do n=$(count "$1"); [ "$n" -gt 0 ] && return 0; sleep 0.2; done
  return 1
}
gone() {
  local n
  for _ in $(seq 30); do n=$(count "$1"); [ "$n" -eq 0 ] && return 0; sleep 0.2; done
  return 1
}
tag_name=tag=FF00FF
text=text=00C800

key Home F4 ctrl+End
xdotool type --delay 40 "abc <b"
# The typed tag name is there in its own colour: the check sees it.
shows "$tag_name" || fail "the typed tag name does not show in its colour; log: $(cat "$work/app.log")"
key F4 Down
gone "$tag_name" || fail "the tag name's colour stays on screen after going to the next node"
shows "$text" || fail "the next node's text does not show in the text colour"

# Saved, the page lets File > Exit quit without a question.
key ctrl+s
for _ in $(seq 100); do [ -f "$work/page.html" ] && break; sleep 0.1; done
before=$(visible)
key alt+f
for _ in $(seq 100); do [ "$(visible)" -gt "$before" ] && break; sleep 0.1; done
key x
wait_for_exit
grep -q "abc <b" "$work/page.data" || fail "the typed text was not saved"
echo "1 passed, 0 failed"
