#!/usr/bin/env bash
# End to end, as a user: the real program under Xvfb, started on a page.
# Ctrl+D deletes a node with children and Ctrl+Z brings the whole subtree
# back at its place; typing in two nodes is undone by two Ctrl+Z; the
# caption's change mark follows the history back to the saved state, and
# Ctrl+Y redoes one step at a time. Each state is checked by saving it with
# Ctrl+S and reading the page file.
# Usage: undo_e2e.sh TAV_OUTLINER TAVPUB
set -euo pipefail
app=$1
tavpub=$2

source "$(dirname "$0")/session.sh"

# A node with children between two others: a subtree that comes back
# without its children, or at another place, reads differently.
cat > "$work/page.json" <<JSON
{"Title": "E2E undo", "FileName": "$work/page.html", "Charset": "Shift_JIS",
 "Nodes": [{"Name": "alpha", "Body": "alpha-body"},
           {"Name": "beta", "Body": "beta-body", "Children": [
             {"Name": "beta-one", "Body": "one-body", "Children": [{"Name": "beta-deep", "Body": "deep-body"}]},
             {"Name": "beta-two", "Body": "two-body"}]},
           {"Name": "gamma", "Body": "gamma-body"}]}
JSON
"$tavpub" import "$work/page.json" "$work/page.data"

# The page as tavpub reads it, without the carets: where the caret stands
# is kept without being a change.
outline() {
  "$tavpub" show "$1" | /usr/bin/python3 -c '
import json, sys
def strip(value):
    if isinstance(value, dict):
        return {k: strip(v) for k, v in value.items() if k not in ("SelStart", "SelLength")}
    if isinstance(value, list):
        return [strip(v) for v in value]
    return value
print(json.dumps(strip(json.load(sys.stdin)), ensure_ascii=False, indent=1))'
}
outline "$work/page.data" >"$work/original.txt"

# Ctrl+S, and the wait until the page file was replaced (each save writes
# a new file, so its inode changes).
save() {
  local before
  before=$(stat -c '%i %Y' "$work/page.data")
  key ctrl+s
  for _ in $(seq 100); do [ "$(stat -c '%i %Y' "$work/page.data")" != "$before" ] && break; sleep 0.1; done
  [ "$(stat -c '%i %Y' "$work/page.data")" != "$before" ] || fail "Ctrl+S wrote no page file"
  outline "$work/page.data" >"$work/saved.txt"
}
same_as_original() {
  diff -u "$work/original.txt" "$work/saved.txt" >&2 || fail "$1"
}
# Waits until the caption does (mark) or does not (clean) show the change mark.
caption() {
  local want=$1 name=""
  for _ in $(seq 100); do
    name=$(xdotool getwindowname "$main")
    case "$want:$name" in mark:*'* - Tav Outliner' | clean:*[!*]' - Tav Outliner') return 0 ;; esac
    sleep 0.1
  done
  fail "the caption “$name” is not $want: $2"
}

start_display
start_app "$app" "$work/page.data"
xdotool windowfocus --sync "$main"
caption clean "a page just opened"

# Delete a subtree, then undo it.
key Home Down          # beta, in the tree
key ctrl+d
caption mark "after Ctrl+D"
save
caption clean "after Ctrl+S"
grep -q '"beta' "$work/saved.txt" && fail "Ctrl+D left part of the subtree: $(cat "$work/saved.txt")"
for name in alpha gamma; do
  grep -q "\"$name\"" "$work/saved.txt" || fail "Ctrl+D took $name as well"
done
key ctrl+z
caption mark "after undoing back past the save"
save
same_as_original "Ctrl+Z did not bring the subtree back whole at its place"

# Typing in two nodes is two steps; undoing both is the saved state.
key Home F4 ctrl+End   # alpha, in the editor
xdotool type --delay 10 "zzA"
caption mark "while typing"
key F4 End F4 ctrl+End # gamma, in the editor
xdotool type --delay 10 "zzG"
key ctrl+z ctrl+z
caption clean "after undoing both runs of typing"
save
same_as_original "two Ctrl+Z did not undo the typing in both nodes"

# Redo, one step at a time.
key ctrl+y
caption mark "after Ctrl+Y"
save
grep -q 'alpha-bodyzzA' "$work/saved.txt" || fail "Ctrl+Y did not redo the typing in alpha: $(cat "$work/saved.txt")"
grep -q 'zzG' "$work/saved.txt" && fail "one Ctrl+Y redid two steps"
key F4 ctrl+shift+z     # from the tree this time
caption mark "after Ctrl+Shift+Z"
save
grep -q 'gamma-bodyzzG' "$work/saved.txt" || fail "Ctrl+Shift+Z did not redo the typing in gamma"

# Undoing typing in the node being edited shows the body as it was: what is
# typed next goes into that body, not into the undone text.
key F4 ctrl+End
xdotool type --delay 10 "zzH"
key ctrl+z ctrl+End
xdotool type --delay 10 "zzK"
save
grep -q 'gamma-bodyzzGzzK"' "$work/saved.txt" || fail "the editor kept the undone typing: $(cat "$work/saved.txt")"

menu alt+f x
wait_for_exit
echo "1 passed, 0 failed"
