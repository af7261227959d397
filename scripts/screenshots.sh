#!/usr/bin/env bash
# Takes the README's screenshots of the new page dialog, the folder chooser,
# the About box, the splash, the preferences' FTP tab, Qt's file dialog
# (Japanese also in the C locale) and the find bar from the real program
# under Xvfb.
# Needs the built program (BUILD_DIR, default build), xvfb, xdotool,
# fonts-noto-cjk and imagemagick (import); only run when the windows change.
set -euo pipefail
cd "$(dirname "$0")/.."
app="$PWD/${BUILD_DIR:-build}/src/app/tav-outliner"
tavpub="$PWD/${BUILD_DIR:-build}/src/cli/tavpub"
docs="$PWD/docs"

source "$PWD/tests/e2e/session.sh"
export LC_ALL=C.UTF-8
# Two FTP settings for the preferences' FTP tab: one on FTPS with a trusted
# certificate, one on plain FTP.
mkdir -p "$XDG_CONFIG_HOME/Tav"
cat >"$XDG_CONFIG_HOME/Tav/QUIB.conf" <<'CONF'
[Ftp]
SettingNameText=(\x898f\x5b9a\x5024)\r\n\x81ea\x5b85\r\nwork\r\n

[Ftp/%U81EA%U5B85]
HostName=ftp.example.jp
UserName=tav
PassWord=secret
UsePasv=1
UseTLS=1
AtomicReplace=1
TlsFingerprint=3F:A2:9C:41:07:D8:5E:B3:6A:12:CE:90:44:7B:E1:28:D5:0F:63:AA:19:B7:84:2E:C0:5D:F6:39:71:8A:E4:0B

[Ftp/work]
HostName=ftp.work.example.jp
UserName=hanako
PassWord=pw
UsePasv=1
CONF
# Page files for the file dialog to list.
for page in "旅の記録" index; do printf 'Tav Outliner 1.4\r\n' >"$work/$page.data"; done
start_display
start_app "$app"
key() { xdotool key --delay 80 "$@"; sleep 0.4; }
window() { timeout 10 xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1; }

xdotool windowfocus --sync "$main"
key alt+f n p
dialog=$(window "新しいページの作成")
xdotool windowfocus --sync "$dialog"
for text in "旅の記録" "/home/hanako/public_html/travel/index.html" "/home/hanako/public_html"; do
  key ctrl+a
  xdotool type --delay 40 "$text"
  key Tab
  [ "$text" = "旅の記録" ] || key Tab
done
import -window "$dialog" "$docs/new-page.png"
key shift+Tab space              # the document root's "..." button
chooser=$(window "フォルダの選択")
xdotool windowfocus --sync "$chooser"
key Down Down Right              # open the home folder
sleep 0.5
import -window "$chooser" "$docs/folder-chooser.png"
key Escape
xdotool windowfocus --sync "$dialog"
key Escape

xdotool windowfocus --sync "$main"
key alt+h a
about=$(window "バージョン情報")
sleep 0.5
import -window "$about" "$docs/about.png"
xdotool mousemove --window "$about" 28 28 click 1   # the program's icon shows the splash
splash=$(window "ちょぉっと待っててネ☆")
sleep 0.5
import -window "$splash" "$docs/splash.png"
xdotool mousemove --window "$splash" 40 40 click 1  # a click closes the splash
xdotool windowfocus --sync "$about"
key Escape

xdotool windowfocus --sync "$main"
key alt+e p
prefs=$(window "環境設定")
xdotool windowfocus --sync "$prefs"
key ctrl+shift+Tab               # the FTP tab, the last one
key Tab Tab Down                 # past the tab's 適用 to the list: the setting below "(規定値)"
sleep 0.5
import -window "$prefs" "$docs/preferences.png"
key Escape

xdotool windowfocus --sync "$main"
key ctrl+o
open=$(window "開く")
sleep 0.5
import -window "$open" "$docs/file-dialog.png"
key Escape
# The find bar, on a page that writes one word in katakana, half-width
# katakana and hiragana: folding finds them all.
xdotool windowfocus --sync "$main"
key alt+f x                      # the untitled page is unchanged: no question
wait_for_exit
cat >"$work/travel.json" <<'JSON'
{"Title": "旅の記録", "Nodes": [
 {"Name": "はじめに", "Body": "<p>京都と奈良を旅した記録です。</p>\r\n<p>写真は<a href=\"photo.html\">アルバム</a>にあります。</p>\r\n"},
 {"Name": "一日目：京都", "Body": "<p>朝の新幹線で京都へ。</p>\r\n<p>清水寺のあと、ｶﾞｲﾄﾞブックで見た店で昼ごはん。</p>\r\n<p>ガイドさんのおすすめは湯豆腐でした。</p>\r\n",
  "Children": [{"Name": "写真", "Body": "<img src=\"kiyomizu.jpg\" alt=\"清水寺\">\r\n"}]},
 {"Name": "二日目：奈良", "Body": "<p>奈良公園の鹿にせんべいをあげました。</p>\r\n"},
 {"Name": "がいどぶっく", "Body": "<ul>\r\n<li>京都のガイド</li>\r\n</ul>\r\n"}]}
JSON
"$tavpub" import "$work/travel.json" "$work/travel.data"
start_app "$app" "$work/travel.data"
xdotool windowfocus --sync "$main"
key Down                         # the first node
key ctrl+h
xdotool type --delay 40 "ガイド"
key Tab
xdotool type --delay 40 "案内"
key alt+j                        # full-width and half-width, hiragana and katakana
key F3 F3                        # the second match, selected in its body
sleep 0.5
import -window "$main" "$docs/find-bar.png"
echo "docs/new-page.png, folder-chooser.png, about.png, splash.png, preferences.png, file-dialog.png and find-bar.png written"
