#!/usr/bin/env bash
# End to end: the program is killed with unsaved edits (kill -9), on a saved
# page and on the untitled page. Started again, it offers the recovery copy:
# Yes brings back exactly those edits and marks the page changed; No keeps
# the saved page and removes the copy. The page file is never touched.
# Usage: recovery_e2e.sh TAV_OUTLINER TAVPUB
set -euo pipefail
app=$1
tavpub=$2

source "$(dirname "$0")/session.sh"

cat > "$work/page.json" <<JSON
{"Title": "Crash page", "FileName": "$work/page.html", "Charset": "Shift_JIS",
 "Nodes": [{"Name": "first", "Body": "<p>saved</p>"}]}
JSON
"$tavpub" import "$work/page.json" "$work/page.data"
cp "$work/page.data" "$work/page.data.orig"
copies="$XDG_STATE_HOME/Tav/QUIB/recovery"

copy_count() { find "$copies" -name '*.data' 2>/dev/null | wc -l; }
wait_for_copy_with() {
  for _ in $(seq 200); do
    grep -qs "$1" "$copies"/*.data && return 0
    sleep 0.1
  done
  fail "no recovery copy holds “$1”; log: $(cat "$work/app.log")"
}
crash() {
  kill -9 "$app_pid"
  wait "$app_pid" 2>/dev/null || true
  app_pid=""
}
caption() { xdotool getwindowname "$main"; }

# Edits a page and is killed: a new node named by the keyboard, typing in it.
edit_and_crash() {
  local marker=$1
  xdotool windowfocus --sync "$main"
  key Home
  key ctrl+w                       # a child node, its name being edited
  xdotool type --delay 20 "node-$marker"
  key Return
  key F4                           # into its body
  xdotool type --delay 20 "typed-$marker"
  wait_for_copy_with "typed-$marker"
  crash
}

# Starts the program again and answers the offer (y: Yes, the default;
# n: No, by Escape).
answer_offer() {
  local answer=$1
  shift
  start_app "$app" "$@"
  window "質問" >/dev/null
  if [ "$answer" = y ]; then key Return; else key Escape; fi
  gone "質問"
}
marked() {
  for _ in $(seq 100); do caption | grep -q '\* - Tav Outliner$' && return 0; sleep 0.1; done
  return 1
}

export_page() { "$tavpub" show "$1"; }

start_display

# --- a saved page -------------------------------------------------------------
for answer in y n; do
  start_app "$app" "$work/page.data"
  edit_and_crash "$answer"
  cmp -s "$work/page.data" "$work/page.data.orig" || fail "the page file changed before any save"
  answer_offer "$answer" "$work/page.data"
  if [ "$answer" = y ]; then
    marked || fail "a restored page is not marked changed: $(caption)"
    cmp -s "$work/page.data" "$work/page.data.orig" || fail "restoring wrote the page file"
    xdotool windowfocus --sync "$main"
    key ctrl+s
    for _ in $(seq 100); do grep -q "typed-y" "$work/page.data" && break; sleep 0.1; done
    page=$(export_page "$work/page.data")
    for part in '"node-y"' 'typed-y' '"first"' '<p>saved</p>'; do
      grep -qF "$part" <<<"$page" || fail "the restored page lacks $part: $page"
    done
    for _ in $(seq 100); do [ "$(copy_count)" = 0 ] && break; sleep 0.1; done
    [ "$(copy_count)" = 0 ] || fail "the save left the recovery copy"
    cp "$work/page.data" "$work/page.data.orig"
  else
    cmp -s "$work/page.data" "$work/page.data.orig" || fail "No changed the page file"
    caption | grep -q '\* - Tav Outliner$' && fail "the declined page is marked changed"
    for _ in $(seq 100); do [ "$(copy_count)" = 0 ] && break; sleep 0.1; done
    [ "$(copy_count)" = 0 ] || fail "No kept the recovery copy"
  fi
  menu alt+f x
  wait_for_exit
done

# --- the untitled page --------------------------------------------------------
# Started without a page and without settings: the untitled page, whose file
# would lie in the program's folder and does not exist.
for answer in y n; do
  rm -rf "$XDG_CONFIG_HOME"
  start_app "$app"
  edit_and_crash "untitled-$answer"
  rm -rf "$XDG_CONFIG_HOME"
  answer_offer "$answer"
  if [ "$answer" = y ]; then
    marked || fail "the restored untitled page is not marked changed"
    # Saving would write into the program's folder: one more keystroke
    # makes a new copy, which must hold what was restored.
    xdotool windowfocus --sync "$main"
    key Home F4 ctrl+End
    xdotool type --delay 20 "_again"
    wait_for_copy_with "typed-untitled-y_again"
    grep -qs "node-untitled-y" "$copies"/*.data || fail "the restored untitled page lacks its node"
    menu alt+f x
    window "質問" >/dev/null
    key alt+n                      # do not save: the copy goes too
    wait_for_exit
    [ "$(copy_count)" = 0 ] || fail "not saving at exit kept the recovery copy"
  else
    for _ in $(seq 100); do [ "$(copy_count)" = 0 ] && break; sleep 0.1; done
    [ "$(copy_count)" = 0 ] || fail "No kept the untitled page's copy"
    menu alt+f x
    wait_for_exit
  fi
done
echo "1 passed, 0 failed"
