#!/usr/bin/env bash
# End to end: the real program's preview pane under Xvfb, read through the
# browser engine's remote debugging port, which only this session opens.
# F12 shows the page generated from memory: typing shows within a second,
# a relative style sheet next to the output file applies, a hidden section
# opens and closes, selecting a node scrolls to its heading, a 1 MB node
# previews, and a link goes to the desktop's browser while the pane stays.
# Usage: preview_e2e.sh TAV_OUTLINER TAVPUB
set -euo pipefail
app=$1
tavpub=$2

source "$(dirname "$0")/session.sh"
cdp="/usr/bin/python3 $(dirname "$0")/cdp.py"

# Chromium refuses to run as root inside its sandbox: off for this test only.
port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
export QTWEBENGINE_REMOTE_DEBUGGING="127.0.0.1:$port" QTWEBENGINE_DISABLE_SANDBOX=1
export QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu"
# The desktop's "open" writes down what it was asked to open.
mkdir "$work/bin"
printf '#!/bin/sh\necho "$1" >> "%s/opened"\n' "$work" > "$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"

big=$(/usr/bin/python3 -c 'print("<p>" + "filler line " * 90000 + "</p>")')
cat > "$work/page.json" <<JSON
{"Title": "Preview", "FileName": "$work/page.html", "Charset": "Shift_JIS",
 "StyleSheetFileName": "style.css", "EnableStyleSheet": true,
 "Nodes": [{"Name": "first", "Body": "<p>start</p> <a href=\"https://example.invalid/away\">away</a>"},
           {"Name": "hidden", "Body": "<p>inside the hidden section</p>", "Hide": true},
           {"Name": "big", "Body": "$big"},
           {"Name": "last", "Body": "<p>the end</p>"}]}
JSON
"$tavpub" import "$work/page.json" "$work/page.data"
echo 'body { color: rgb(1, 2, 3); }' > "$work/style.css"

js() { $cdp "$port" "$1"; }
until_true() { $cdp "$port" "$1" --until-true "$2" >/dev/null || fail "$3 (${1})"; }

start_display
start_app "$app" "$work/page.data"
xdotool windowfocus --sync "$main"
key F12
until_true 'document.body.innerText.includes("start")' 30 "the preview did not show the page"
find_main || fail "the main window went with the pane's first showing"
until_true 'document.body.innerText.includes("filler line")' 5 "the 1 MB node is not in the preview"
until_true 'getComputedStyle(document.body).color === "rgb(1, 2, 3)"' 5 "the style sheet beside the output file did not apply"

# The hidden section, by its own script, while nothing refreshes the page
# (a refresh closes it again).
section='[...document.querySelectorAll("div")].find(d => d.innerText.includes("inside the hidden"))'
until_true "getComputedStyle($section).display === 'none'" 5 "the hidden section shows at first"
js "[...document.querySelectorAll('a')].find(a => a.innerText.includes('hidden')).click()" >/dev/null
until_true "getComputedStyle($section).display !== 'none'" 5 "the hidden section did not open"
js "[...document.querySelectorAll('a')].find(a => a.innerText.includes('hidden')).click()" >/dev/null
until_true "getComputedStyle($section).display === 'none'" 5 "the hidden section did not close"

# Typing shows within a second of the keystroke, before the run is a step.
key Home F4 ctrl+End
xdotool type --delay 0 "typed-live"
until_true 'document.body.innerText.includes("typed-live")' 1 "the typing did not show within a second"

# Selecting the last node scrolls to its heading, past the 1 MB node.
key F4 End
until_true 'window.scrollY > 1000' 5 "selecting the last node did not scroll the preview"

# A link leaves the pane where it was and goes to the desktop's browser.
before=$(js 'location.href')
js 'document.querySelector("a[href^=\"https:\"]").click()' >/dev/null
for _ in $(seq 100); do [ -s "$work/opened" ] && break; sleep 0.1; done
grep -qxF "https://example.invalid/away" "$work/opened" 2>/dev/null || fail "the link did not go to the desktop's browser"
[ "$(js 'location.href')" = "$before" ] || fail "the link took the pane away"
echo "1 passed, 0 failed"
