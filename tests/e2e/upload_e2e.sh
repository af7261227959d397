#!/usr/bin/env bash
# End to end: two pages queued by tavpub publish, the real program under
# Xvfb, Tools > FTP upload from the menu, Enter on the upload window, and
# both files on a pyftpdlib server (one remote folder created on the way),
# with the queue emptied.
# With "tls" the server requires explicit TLS with a self-signed certificate:
# the user trusts it in the question box, its fingerprint is stored, and the
# pages replace the live files through temporary names.
# With "sftp" the server is OpenSSH's sshd, run as the test's user with a
# host key of its own: the user trusts the unknown host key in the question
# box before any login, the login is by the key in ~/.ssh, the host lands in
# ~/.ssh/known_hosts, and the pages replace the live files atomically.
# Usage: upload_e2e.sh TAV_OUTLINER TAVPUB FTP_TEST_SERVER_PY [tls|sftp]
set -euo pipefail
app=$1
tavpub=$2
ftp_server=$3
mode=${4:-}

source "$(dirname "$0")/session.sh"

# The server, with www/ there already and fresh/ still to be made.
mkdir -p "$work/root/www"
server=("$ftp_server")
if [ "$mode" = tls ]; then
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
    -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
  fingerprint=$(openssl x509 -in "$work/cert.pem" -noout -fingerprint -sha256 | sed 's/.*=//')
  server=("$(dirname "$ftp_server")/ftps_test_server.py" --cert "$work/cert.pem" --key "$work/key.pem")
  printf 'old page\n' > "$work/root/www/one.html"
fi
if [ "$mode" = sftp ]; then
  printf 'old page\n' > "$work/root/www/one.html"
  # ~/.ssh of the program: the user's key, no known_hosts yet.
  export HOME="$work/home"
  unset SSH_AUTH_SOCK
  mkdir -p -m 700 "$HOME/.ssh"
  ssh-keygen -q -t ed25519 -N '' -f "$HOME/.ssh/id_ed25519"
  ssh-keygen -q -t ed25519 -N '' -f "$work/host_key"
  fingerprint=$(ssh-keygen -lf "$work/host_key.pub" | cut -d' ' -f2)
  port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
  # sshd will not start as root without its privilege separation folder.
  [ "$(id -u)" -ne 0 ] || mkdir -p /run/sshd
  cat > "$work/sshd_config" <<SSHD
Port $port
ListenAddress 127.0.0.1
HostKey $work/host_key
AuthorizedKeysFile $HOME/.ssh/id_ed25519.pub
PidFile none
StrictModes no
UsePAM no
PermitRootLogin yes
PasswordAuthentication no
KbdInteractiveAuthentication no
LogLevel VERBOSE
Subsystem sftp internal-sftp -d $work/root
SSHD
  /usr/sbin/sshd -D -f "$work/sshd_config" -E "$work/transcript" &
  helper_pids+=($!)
  for _ in $(seq 100); do grep -q "Server listening" "$work/transcript" 2>/dev/null && break; sleep 0.1; done
  grep -q "Server listening" "$work/transcript" || fail "sshd did not start: $(cat "$work/transcript")"
else
  /usr/bin/python3 "${server[@]}" --root "$work/root" --transcript "$work/transcript" \
    --user tav --password secret >"$work/ftp.out" &
  helper_pids+=($!)
  for _ in $(seq 100); do grep -q '^PORT ' "$work/ftp.out" 2>/dev/null && break; sleep 0.1; done
  port=$(sed -n 's/^PORT //p' "$work/ftp.out")
  [ -n "$port" ] || fail "the FTP server did not start"
fi

mkdir -p "$XDG_CONFIG_HOME/Tav"
cat > "$XDG_CONFIG_HOME/Tav/QUIB.conf" <<CONF
[Ftp]
main\\HostName=127.0.0.1:$port
main\\UserName=tav
main\\PassWord=secret
main\\UsePasv=1
CONF
if [ "$mode" = tls ]; then
  printf 'main\\UseTLS=1\nmain\\AtomicReplace=1\n' >> "$XDG_CONFIG_HOME/Tav/QUIB.conf"
elif [ "$mode" = sftp ]; then
  # A key login: the user is the one sshd runs as, and no password is stored.
  sed -i "s/^main\\\\UserName=.*/main\\\\UserName=$(id -un)/; /^main\\\\PassWord=/d" "$XDG_CONFIG_HOME/Tav/QUIB.conf"
  printf 'main\\Protocol=SFTP\nmain\\AtomicReplace=1\n' >> "$XDG_CONFIG_HOME/Tav/QUIB.conf"
fi

for page in one two; do
  folder=www
  [ "$page" = two ] && folder=fresh
  cat > "$work/$page.json" <<JSON
{"Title": "Page $page", "FileName": "$work/$page.html", "Charset": "Shift_JIS", "Upload": true,
 "FtpSettingName": "main", "RemoteFolder": "$folder",
 "Nodes": [{"Name": "first", "Body": "<p>page $page</p>"}]}
JSON
  "$tavpub" import "$work/$page.json" "$work/$page.data"
done
"$tavpub" publish "$work/one.data" "$work/two.data"
grep -q "two.data" "$XDG_CONFIG_HOME/Tav/QUIB.conf" || fail "publish did not queue the pages"

start_display
start_app "$app" "$work/one.data"
# Keys go to the focused window in order: each waits for the one before.
xdotool windowfocus --sync "$main"

key() { xdotool key --delay 80 "$@"; }
# Tools > FTP でアップロード, as a user picks it from the menu.
before=$(visible)
key alt+t
for _ in $(seq 100); do [ "$(visible)" -gt "$before" ] && break; sleep 0.1; done
[ "$(visible)" -gt "$before" ] || fail "the Tools menu did not open"
key f
upload=$(timeout 20 xdotool search --sync --onlyvisible --name '^アップロード$' | head -n 1) \
  || fail "no upload window; log: $(cat "$work/app.log")"
xdotool windowfocus --sync "$upload"
key Return

if [ "$mode" = sftp ]; then
  # The host key is not known: the program asks, showing its fingerprint,
  # before anything but the key exchange has happened.
  question=$(timeout 20 xdotool search --sync --onlyvisible --name '^質問$' | head -n 1) \
    || fail "no question about the host key; log: $(cat "$work/app.log")"
  grep -qE "Accepted|Failed|userauth" "$work/transcript" && fail "authenticated before the host key was trusted"
  xdotool windowfocus --sync "$question"
  key alt+y
elif [ -n "$mode" ]; then
  # The certificate is self-signed: the program asks, showing its fingerprint.
  question=$(timeout 20 xdotool search --sync --onlyvisible --name '^質問$' | head -n 1) \
    || fail "no question about the certificate; log: $(cat "$work/app.log")"
  [ -z "$(grep -E '^(USER|PASS)' "$work/transcript" || true)" ] || fail "logged in before the certificate was trusted"
  xdotool windowfocus --sync "$question"
  key alt+y
fi

for _ in $(seq 200); do
  [ -f "$work/root/www/one.html" ] && [ -f "$work/root/fresh/two.html" ] && break
  sleep 0.1
done
[ -f "$work/root/www/one.html" ] || fail "one.html did not reach the server"
[ -f "$work/root/fresh/two.html" ] || fail "two.html did not reach the server"
if [ "$mode" = sftp ]; then
  grep -q "Accepted publickey" "$work/transcript" || fail "not logged in by the key"
  ssh-keygen -F "[127.0.0.1]:$port" -f "$HOME/.ssh/known_hosts" >/dev/null \
    || fail "the host was not added to known_hosts"
  [ "$(ssh-keygen -lf "$HOME/.ssh/known_hosts" | cut -d' ' -f2)" = "$fingerprint" ] \
    || fail "known_hosts holds another key"
  [ -z "$(find "$work/root" -name '*.part')" ] || fail "a temporary file was left behind"
else
  grep -q "^MKD /fresh/" "$work/transcript" || fail "no folder was made: $(cat "$work/transcript")"
fi
grep -q "page one" "$work/root/www/one.html" || fail "one.html is not the page"
if [ "$mode" = tls ]; then
  [ "$(head -n 1 "$work/transcript")" = "AUTH TLS" ] || fail "the session did not start with AUTH TLS"
  grep -q "^RNTO one.html$" "$work/transcript" || fail "one.html was not renamed into place: $(cat "$work/transcript")"
  grep -qF "main\\TlsFingerprint=$fingerprint" "$XDG_CONFIG_HOME/Tav/QUIB.conf" \
    || fail "the trusted fingerprint was not stored: $(cat "$XDG_CONFIG_HOME/Tav/QUIB.conf")"
  [ -z "$(find "$work/root" -name '*.part')" ] || fail "a temporary file was left behind"
fi

# The run empties the queue when it ends.
for _ in $(seq 100); do grep -q "one.data" "$XDG_CONFIG_HOME/Tav/QUIB.conf" || break; sleep 0.1; done
grep -q "\.data" "$XDG_CONFIG_HOME/Tav/QUIB.conf" && fail "the queue still holds pages: $(cat "$XDG_CONFIG_HOME/Tav/QUIB.conf")"

# Escape closes the window (its Cancel button reads 閉じる now).
key Escape
for _ in $(seq 50); do xdotool search --onlyvisible --name '^アップロード$' >/dev/null 2>&1 || break; sleep 0.1; done
xdotool search --onlyvisible --name '^アップロード$' >/dev/null 2>&1 && fail "the upload window did not close"
if [ "$mode" = sftp ]; then
  # The first connection ended at the host key question, before any login.
  logged_out() { grep -v preauth "$work/transcript" | grep -q "Connection closed by"; }
  for _ in $(seq 100); do logged_out && break; sleep 0.1; done
  logged_out || fail "closing the window did not log out"
else
  grep -q "^QUIT" "$work/transcript" || fail "closing the window did not log out"
fi
echo "1 passed, 0 failed"
