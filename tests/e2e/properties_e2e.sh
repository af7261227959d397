#!/usr/bin/env bash
# End to end, as a user: set up an FTP server in Edit > Preferences, point
# the page at it in File > Properties, save with Ctrl+S, check what the
# page file and the settings file hold, and send the page with Tools > FTP
# upload. The real program under Xvfb, driven
# by the keyboard through xdotool; a local pyftpdlib server is the target.
# Usage: properties_e2e.sh TAV_OUTLINER TAVPUB
set -euo pipefail
app=$1
tavpub=$2
ftp_server="$(cd "$(dirname "$0")/.." && pwd)/upload/ftp_test_server.py"

source "$(dirname "$0")/session.sh"

# The FTP server; it says its port once it listens.
mkdir -p "$work/ftp/site"
/usr/bin/python3 "$ftp_server" --root "$work/ftp" --user tav --password secret >"$work/ftp.out" 2>&1 &
helper_pids+=($!)
for _ in $(seq 100); do grep -q '^PORT ' "$work/ftp.out" && break; sleep 0.1; done
port=$(sed -n 's/^PORT //p' "$work/ftp.out")
[ -n "$port" ] || fail "the FTP server did not start: $(cat "$work/ftp.out")"

cat > "$work/page.json" <<JSON
{"Title": "E2E properties", "FileName": "$work/page.html", "FtpSettingName": "(規定値)",
 "RemoteFolder": "public_html", "Upload": true, "Nodes": [{"Name": "first", "Body": "<p>to the server</p>"}]}
JSON
"$tavpub" import "$work/page.json" "$work/page.data"

start_display
start_app "$app" "$work/page.data"

type_text() { xdotool type --delay 15 "$1"; }

# Edit > Preferences, tab FTP: a setting named e2e for the local server.
menu alt+e p
window "環境設定"
key ctrl+Tab ctrl+Tab ctrl+Tab     # to the FTP tab; the name field has the focus
type_text "e2e"
key Tab Tab Tab Tab Tab            # past the add and apply buttons, the list and the protocol (FTP), to the server
type_text "127.0.0.1:$port"
key Tab
type_text "tav"
key Tab
type_text "secret"
key Tab space                      # passive transfers
key Return                         # Enter adds the typed name on this tab...
window "情報"
key Return                         # ...once the question is answered Yes
gone "情報"
window "環境設定"
key Return                         # the name is done with: now Enter is OK
gone "環境設定"

# File > Properties, tab options: the new setting and a remote folder.
menu alt+f r
window "ページのプロパティ"
key ctrl+Tab                       # to the options tab
key Tab Tab Tab Tab                # to the FTP setting list
type_text "e2e"                    # picked by typing its name
key Tab ctrl+a
type_text "site/e2e"
key Return
gone "ページのプロパティ"

xdotool windowfocus --sync "$main"
key ctrl+s
for _ in $(seq 100); do [ -f "$work/page.html" ] && break; sleep 0.1; done
[ -f "$work/page.html" ] || fail "Ctrl+S wrote no HTML file; log: $(cat "$work/app.log")"

json=$("$tavpub" show "$work/page.data")
grep -q '"FtpSettingName": *"e2e"' <<<"$json" || fail "the page does not name the setting: $json"
grep -q '"RemoteFolder": *"site/e2e"' <<<"$json" || fail "the page does not name the folder: $json"
settings="$XDG_CONFIG_HOME/Tav/QUIB.conf"
grep -q "^e2e\\\\HostName=127.0.0.1:$port\$" "$settings" || fail "the setting is not stored: $(cat "$settings")"
grep -q '^e2e\\UsePasv=1$' "$settings" || fail "passive mode is not stored"
grep -q '^e2e\\Protocol=FTP$' "$settings" || fail "the protocol is not stored"
grep -q '^SettingNameText=.*e2e' "$settings" || fail "the names list lacks the setting"
[ "$(stat -c %a "$settings")" = 600 ] || fail "the settings file is readable by others"
grep -q secret "$work/app.log" && fail "the password reached the program's output"

# Tools > FTP upload, Enter: the page reaches the server, its folder e2e
# made inside the existing site/ on the way.
menu alt+t f
window "アップロード"
key Return
# The run takes the page off the queue once the transfer is complete.
for _ in $(seq 200); do grep -q 'page.data' "$settings" || break; sleep 0.1; done
grep -q 'page.data' "$settings" && fail "the page is still queued; log: $(cat "$work/app.log")"
# The page arrives byte for byte, its CR LF line breaks included.
cmp -s "$work/ftp/site/e2e/page.html" "$work/page.html" \
  || fail "the page did not reach the server: $(ls -R "$work/ftp")"
key Escape
gone "アップロード"

# File > Exit writes every setting again: the names list it writes still
# holds the new setting.
menu alt+f x
wait_for_exit
grep -q '^SettingNameText=.*e2e' "$settings" || fail "the names list written at exit lacks the setting"
grep -q "^e2e\\\\HostName=127.0.0.1:$port\$" "$settings" || fail "the setting is gone after exit"
[ "$(stat -c %a "$settings")" = 600 ] || fail "the settings file is readable by others after exit"

echo "1 passed, 0 failed"
