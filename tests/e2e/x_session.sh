# Sourced by the scripts that drive the real program under Xvfb: a work
# folder with settings of its own, fail(), a display of its own
# (start_display), and at exit the processes listed in stop_pids stopped
# (the last started first) and the work folder removed.
work=$(mktemp -d)
stop_pids=()
on_exit() {
  local i
  for ((i = ${#stop_pids[@]} - 1; i >= 0; i--)); do kill "${stop_pids[i]}" 2>/dev/null || true; done
  rm -rf "$work"
}
trap on_exit EXIT
fail() { echo "FAIL: $*" >&2; echo "0 passed, 1 failed"; exit 1; }

export XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

# Xvfb writes its display number once it is ready.
start_display() {
  exec 3>"$work/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  stop_pids+=($!)
  exec 3>&-
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || fail "Xvfb did not start"
  export DISPLAY=":$(cat "$work/display")"
}
