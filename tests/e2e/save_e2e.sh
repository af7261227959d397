#!/usr/bin/env bash
# End to end: start the real program under Xvfb on a page named on the
# command line, type into a node with the keyboard, save with Ctrl+S, quit
# through the File menu, and check the page file, the HTML file and the
# settings the program left.
# Usage: save_e2e.sh TAV_OUTLINER TAVPUB
set -euo pipefail
app=$1
tavpub=$2

source "$(dirname "$0")/session.sh"

cat > "$work/page.json" <<JSON
{"Title": "E2E page", "FileName": "$work/page.html", "Charset": "Shift_JIS",
 "Nodes": [{"Name": "first", "Body": "<p>start</p>"}, {"Name": "second", "Body": ""}]}
JSON
"$tavpub" import "$work/page.json" "$work/page.data"

start_display
start_app "$app" "$work/page.data"
# Keys go to the focused window in order: each waits for the one before.
xdotool windowfocus --sync "$main"

key() { xdotool key --delay 80 "$@"; }
key Home               # the first node of the tree
key F4                 # into the editor
key ctrl+End
xdotool type --delay 30 " typed-by-e2e"
key ctrl+s
for _ in $(seq 100); do grep -q "typed-by-e2e" "$work/page.html" 2>/dev/null && break; sleep 0.1; done
# File > Exit, once the File menu's popup window is really there.
before=$(visible)
key alt+f
for _ in $(seq 100); do [ "$(visible)" -gt "$before" ] && break; sleep 0.1; done
[ "$(visible)" -gt "$before" ] || fail "the File menu did not open"
key x

wait_for_exit

grep -q "typed-by-e2e" "$work/page.data" || fail "the page file lacks the typed text"
grep -q "<p>start</p> typed-by-e2e" "$work/page.html" || fail "the HTML file lacks the typed text"
head -c 16 "$work/page.data" | grep -q "Tav Outliner 1.4" || fail "the page file has no 1.4 tag"
settings="$XDG_CONFIG_HOME/Tav/QUIB.conf"
[ -f "$settings" ] || fail "no settings file"
grep -q "LastFileName=$work/page.html" "$settings" || fail "LastFileName not stored: $(cat "$settings")"
grep -q "LastTitle=E2E page" "$settings" || fail "LastTitle not stored"
[ "$(stat -c %a "$settings")" = 600 ] || fail "the settings file is readable by others"
grep -q "page.data" "$XDG_CONFIG_HOME/VuzOdiRo/OFH.conf" || fail "the page is not in the recent files"
echo "1 passed, 0 failed"
