#!/usr/bin/env bash
# Builds the Debian package from BUILD_DIR, checks it with lintian, installs
# it as a user would (dpkg, then apt for its dependencies), starts the
# installed program from its desktop entry on the installed sample page
# under Xvfb, opens the installed manual from its Help menu, and removes the
# package again.
# Usage: scripts/check-package.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# A work folder, a display and the clean-up, as the end-to-end tests have them.
source tests/e2e/session.sh

rm -f "$build"/tav-outliner_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/tav-outliner_*.deb)
lintian --fail-on error "$deb" 2>&1 | grep -v "^running with root privileges" || true
lintian --fail-on error "$deb" >/dev/null 2>&1 || fail "lintian reports errors"

$sudo dpkg -i "$deb" || $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -f -y -q
dpkg-query -W -f='${Status}' tav-outliner | grep -q "install ok installed" || fail "not installed"

# The system's page file type, from the package's MIME entry.
"/usr/bin/tavpub" import <(echo '{"Title": "x", "Nodes": []}') "$work/x.data"
[ "$(XDG_CURRENT_DESKTOP= xdg-mime query filetype "$work/x.data")" = application/x-tav-outliner-page ] \
  || fail "xdg-mime does not know page files"

# A display of our own, and a stand-in for the desktop's URL handler that
# writes down what it was asked to open.
start_display
mkdir "$work/bin" "$work/home" && chmod 700 "$work/home"
printf '#!/bin/sh\necho "$1" >> "%s/opened"\n' "$work" > "$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
export HOME="$work/home" PATH="$work/bin:$PATH" XDG_DATA_HOME="$work/home/.local/share"

gio launch /usr/share/applications/tav-outliner.desktop /usr/share/tav-outliner/sample.data
window=$(timeout 30 xdotool search --sync --onlyvisible --class '^tav-outliner$' | head -n 1) \
  || fail "the installed program showed no window"
app_pid=$(xdotool getwindowpid "$window")
class=$(xprop -id "$window" WM_CLASS | sed 's/.*= //')
wanted=$(sed -n 's/^StartupWMClass=//p' /usr/share/applications/tav-outliner.desktop)
[[ "$class" == *"\"$wanted\""* ]] || fail "WM_CLASS $class does not match StartupWMClass=$wanted"

# Help > manual, once the Help menu is really there.
main=$window
menu alt+h o
for _ in $(seq 50); do [ -s "$work/opened" ] && break; sleep 0.1; done
version=$(dpkg-deb -f "$deb" Version)
grep -qxF "/usr/share/tav-outliner/Tav Outliner $version.html" "$work/opened" 2>/dev/null \
  || fail "Help did not open the installed manual: $(cat "$work/opened" 2>/dev/null)"
# The desktop started it, so it is not ours to wait for: stop it and let it go.
kill "$app_pid"
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
app_pid=""

$sudo dpkg -r tav-outliner
shopt -s nullglob
left=(/usr/bin/tav-outliner /usr/bin/tavpub /usr/share/tav-outliner /usr/lib/tav-outliner /usr/lib/*/tav-outliner)
shopt -u nullglob
for path in "${left[@]}"; do [ ! -e "$path" ] || fail "$path left after removal"; done
echo "package $(basename "$deb"): lintian clean, installs, starts from its desktop entry, removes: ok"
