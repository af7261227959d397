#!/usr/bin/env bash
# End to end, by keys only: an outline of eight nodes, three levels deep,
# built in the real program with the add, add-after and move keys, saved
# with Ctrl+S and compared with the page as tavpub reads it.
# Usage: outline_keys_e2e.sh TAV_OUTLINER TAVPUB
set -euo pipefail
app=$1
tavpub=$2

source "$(dirname "$0")/session.sh"

cat > "$work/page.json" <<JSON
{"Title": "Keys", "FileName": "$work/page.html", "Charset": "Shift_JIS", "Nodes": []}
JSON
"$tavpub" import "$work/page.json" "$work/page.data"

# The outline of a page file as "A(A1 A2) B": names, nesting and order.
shape() {
  "$tavpub" show "$1" | /usr/bin/python3 -c '
import json, sys
def shape(nodes):
    return " ".join(n["Name"] + ("(" + shape(n["Children"]) + ")" if n.get("Children") else "") for n in nodes)
print(shape(json.load(sys.stdin)["Nodes"]))'
}
# Names a node whose name is being edited; Return ends the edit.
name() { xdotool type --delay 20 "$1"; key Return; }

start_display
start_app "$app" "$work/page.data"
xdotool windowfocus --sync "$main"

key ctrl+w; name A                 # nothing selected: a top-level node
key ctrl+shift+q; name B           # after the new node, which stays selected
key ctrl+shift+q; name C
key Home
key ctrl+w; name A1                # a child of A
key ctrl+shift+q; name A2
key Up
key ctrl+w; name A1a               # a child of A1: the third level
key End                            # C, the last node shown
key ctrl+shift+q; name B1          # after C ...
key alt+shift+Up                   # ... moved before it ...
key alt+shift+Right                # ... and into B, as its last child
key End
key ctrl+w; name D                 # a child of C ...
key alt+shift+Left                 # ... moved out, after it
key ctrl+s

want="A(A1(A1a) A2) B(B1) C D"
for _ in $(seq 100); do [ "$(shape "$work/page.data" 2>/dev/null)" = "$want" ] && break; sleep 0.1; done
got=$(shape "$work/page.data")
[ "$got" = "$want" ] || fail "the outline is “$got”, not “$want”"
echo "1 passed, 0 failed"
