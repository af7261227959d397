#!/usr/bin/env bash
# End to end, as a user: the real program under Xvfb, started on a page.
# File > New > Page opens on that page's names; Enter asks before they
# replace its files, and No keeps the dialog, so that Escape and Ctrl+S
# leave the page file as it was. Then a new page whose HTML file goes into a
# folder that does not exist yet: Ctrl+S writes both files and the caption
# loses its change mark.
# Usage: pagefiles_e2e.sh TAV_OUTLINER TAVPUB
set -euo pipefail
app=$1
tavpub=$2

source "$(dirname "$0")/session.sh"

cat > "$work/page.json" <<JSON
{"Title": "E2E old page", "FileName": "$work/page.html",
 "Nodes": [{"Name": "kept", "Body": "<p>the old page</p>"}]}
JSON
"$tavpub" import "$work/page.json" "$work/page.data"
cp "$work/page.data" "$work/page.data.before"

start_display
start_app "$app" "$work/page.data"

# New page, Enter: the names are the open page's.
menu alt+f n p
window "新しいページの作成"
key Return
window "質問"
key Return                              # No is the default
gone "質問"
shown "新しいページの作成" || fail "No closed the new page dialog"
window "新しいページの作成"
key Escape
gone "新しいページの作成"
xdotool windowfocus --sync "$main"
key ctrl+s
wait_for_file "$work/page.html"
cmp -s "$work/page.data" "$work/page.data.before" || fail "the old page file changed"

# A new page whose HTML folder is missing.
menu alt+f n p
window "新しいページの作成"
type_into "E2E new page"
key Tab
type_into "$work/out/deep/new.html"
key Tab Tab
type_into "$work/site"
key Return
gone "新しいページの作成"
xdotool windowfocus --sync "$main"
key ctrl+q Return                       # a node, its name accepted: the page is changed
for _ in $(seq 50); do [[ $(xdotool getwindowname "$main") == *'* - Tav Outliner' ]] && break; sleep 0.1; done
[[ $(xdotool getwindowname "$main") == *'* - Tav Outliner' ]] || fail "the caption shows no change: $(xdotool getwindowname "$main")"
key ctrl+s
wait_for_file "$work/out/deep/new.html"
wait_for_file "$work/site/new.data"
for _ in $(seq 50); do [[ $(xdotool getwindowname "$main") != *'* - Tav Outliner' ]] && break; sleep 0.1; done
[[ $(xdotool getwindowname "$main") != *'* - Tav Outliner' ]] || fail "the saved page still shows a change"

menu alt+f x
wait_for_exit
cmp -s "$work/page.data" "$work/page.data.before" || fail "the old page file changed"
grep -q "E2E new page" "$work/site/new.data" || fail "the new page file lacks the title"
echo "1 passed, 0 failed"
