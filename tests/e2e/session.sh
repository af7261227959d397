# What the end-to-end scripts share: a work folder that holds the program's
# settings, a private X display, the program started on it, and the
# clean-up of everything they started. Sourced after `set -euo pipefail`.

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
helper_pids=() # further processes a script starts (servers)
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  for pid in "${helper_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  # KEEP_WORK=1 keeps the folder (logs, transcripts) for a look after a failure.
  [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; echo "0 passed, 1 failed"; exit 1; }

export XDG_CONFIG_HOME="$work/config"
export XDG_STATE_HOME="$work/state"
export XDG_RUNTIME_DIR="$work/runtime"
# Upload notices stay off the developer's desktop.
export DBUS_SESSION_BUS_ADDRESS=disabled:
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

# A display of our own; Xvfb writes its number once it is ready. Arguments
# go to Xvfb (-fbdir DIR keeps the screen's pixels in DIR/Xvfb_screen0).
start_display() {
  exec 3>"$work/display"
  # -noreset: a program killed as the last client must not reset the server
  # while the next one connects.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset "$@" >/dev/null 2>&1 &
  xvfb_pid=$!
  exec 3>&-
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || fail "Xvfb did not start"
  export DISPLAY=":$(cat "$work/display")"
}

# Starts the program (arguments: the program and its command line) in the
# work folder; `main` is its main window once it shows.
start_app() {
  cd "$work"
  "$@" >"$work/app.log" 2>&1 &
  app_pid=$!
  # Polled here rather than with --sync: a window that vanishes while
  # xdotool walks the tree (the splash, a killed run's) fails one search only.
  find_main || fail "no main window (started: $*); log: $(cat "$work/app.log")"
}
# Sets `main` to the program's main window once one shows; false after 30 s.
# The window can be made anew while the program runs (its first browser
# pane changes how it is drawn), so a test finds it again then.
find_main() {
  main=""
  for _ in $(seq 300); do
    main=$(xdotool search --onlyvisible --name ' - Tav Outliner$' 2>/dev/null | head -n 1) || true
    [ -n "$main" ] && xdotool windowfocus --sync "$main" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

# How many windows of the program show (a menu's popup is one).
visible() { xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | wc -l; }

# Waits for the program to end after it was asked to quit.
wait_for_exit() {
  for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app_pid" 2>/dev/null && fail "the program did not quit; log: $(cat "$work/app.log")"
  # A sanitizer build reports its findings in the exit status.
  wait "$app_pid" || fail "the program ended with an error; log: $(tail -n 30 "$work/app.log")"
  app_pid=""
}

# Driving the program as a user does. X delivers the keys to the focused
# window in order: waits are needed only where a window comes or goes.
key() { xdotool key --delay 40 "$@"; }
type_into() { key ctrl+a; xdotool type --delay 10 "$1"; }
shown() { xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
# Waits for the window of this caption and gives it the keyboard (there is
# no window manager to do that); prints its id.
window() {
  local id
  id=$(timeout 10 xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1) \
    || fail "no window “$1”; log: $(cat "$work/app.log")"
  xdotool windowfocus --sync "$id"
  echo "$id"
}
gone() {
  for _ in $(seq 100); do shown "$1" || return 0; sleep 0.1; done
  fail "the window “$1” stayed open"
}
# Opens a menu item of the main window by its accelerator letters, each
# once the popup before it is really there.
menu() {
  xdotool windowfocus --sync "$main"
  local before letter
  for letter in "$@"; do
    before=$(visible)
    key "$letter"
    [ "$letter" = "${!#}" ] && break
    for _ in $(seq 100); do [ "$(visible)" -gt "$before" ] && break; sleep 0.05; done
    [ "$(visible)" -gt "$before" ] || fail "the menu did not open at $letter"
  done
}
wait_for_file() {
  for _ in $(seq 100); do [ -f "$1" ] && return 0; sleep 0.1; done
  fail "no file $1"
}
