#!/usr/bin/env bash
# End to end: scripts/run.sh, as a newcomer tries it, leaves the checkout as
# it was. The script runs from a checkout of its own (the sample page, the
# script, the set-up steps stubbed: the test's build is done), started from
# another folder; Ctrl+S in the program it starts writes the page file and
# the HTML file into the build folder and nowhere else.
# Usage: runscript_e2e.sh TAV_OUTLINER TAVPUB SOURCE_DIR
set -euo pipefail
app=$1
tavpub=$2
source_dir=$3

source "$(dirname "$0")/session.sh"

checkout="$work/checkout"
mkdir -p "$checkout/scripts" "$checkout/resources/sample" "$checkout/build/src/app" "$checkout/build/src/cli"
cp "$source_dir/scripts/run.sh" "$checkout/scripts/"
for step in install-deps.sh build.sh; do printf '#!/bin/sh\n' >"$checkout/scripts/$step"; done
chmod +x "$checkout/scripts/"*.sh
cp "$source_dir/resources/sample/sample.data" "$checkout/resources/sample/"
ln -s "$app" "$checkout/build/src/app/tav-outliner"
ln -s "$tavpub" "$checkout/build/src/cli/tavpub"
# Every file of the checkout outside the build folder, with its time and size.
listing() { (cd "$checkout" && find . -path ./build -prune -o -printf '%p %T@ %s\n' | sort); }
listing >"$work/before"

start_display
start_app "$checkout/scripts/run.sh"     # from the work folder
xdotool windowfocus --sync "$main"
xdotool key ctrl+s
scratch="$checkout/build/sample-run"
saved() { [ -e "$scratch/sample.html" ] || [ -e "$checkout/sample.html" ] || [ -e "$work/sample.html" ]; }
for _ in $(seq 100); do saved && break; sleep 0.1; done
saved || fail "Ctrl+S wrote no HTML file; log: $(cat "$work/app.log")"

before=$(visible)
xdotool key alt+f
for _ in $(seq 100); do [ "$(visible)" -gt "$before" ] && break; sleep 0.1; done
xdotool key x
wait_for_exit

listing | diff "$work/before" - >&2 || fail "the checkout changed"
[ ! -e "$work/sample.html" ] || fail "the HTML file went into the folder the script was started from"
[ -f "$scratch/sample.html" ] || fail "no HTML file beside the copy: $(ls -R "$checkout")"
grep -q '"FileName": *"'"$scratch"'/sample.html"' <("$tavpub" show "$scratch/sample.data") \
  || fail "the copy's output file is not beside it: $("$tavpub" show "$scratch/sample.data" | head -n 12)"
echo "1 passed, 0 failed"
