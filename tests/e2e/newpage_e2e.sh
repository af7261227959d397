#!/usr/bin/env bash
# End to end: start the real program under Xvfb on its untitled page, make a
# new page through File > New > Page by typing its title, output file and a
# document root that does not exist yet, save it with Ctrl+S, open
# Help > About, and quit. Checks the page file in the created root and the
# HTML file.
# Usage: newpage_e2e.sh TAV_OUTLINER
set -euo pipefail
app=$1

source "$(dirname "$0")/session.sh"
start_display
start_app "$app"

menu alt+f n p
window "新しいページの作成" >/dev/null
type_into "E2E new page"
key Tab
type_into "$work/new.html"
key Tab Tab
type_into "$work/site/root"
key Return
gone "新しいページの作成"
[ -d "$work/site/root" ] || fail "the document root was not created"

xdotool windowfocus --sync "$main"
key ctrl+s
for _ in $(seq 50); do [ -f "$work/new.html" ] && break; sleep 0.1; done

menu alt+h a
window "バージョン情報" >/dev/null
key Return
gone "バージョン情報"

menu alt+f x
wait_for_exit

page="$work/site/root/new.data"
[ -f "$page" ] || fail "no page file in the document root: $(ls -R "$work/site")"
head -c 16 "$page" | grep -q "Tav Outliner 1.4" || fail "the page file has no 1.4 tag"
grep -q "E2E new page" "$page" || fail "the page file lacks the title"
grep -q "<Title>E2E new page</Title>" "$work/new.html" || fail "the HTML file lacks the title: $(head -c 400 "$work/new.html")"
grep -q "charset=iso-2022-jp" "$work/new.html" || fail "the new page is not in iso-2022-jp"
echo "1 passed, 0 failed"
