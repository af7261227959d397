#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop
# finds there: the file list, the desktop entry, the catalogue entry, and
# that page files are known by their content first and by their name.
# Usage: install_test.sh BUILD_DIR MODULE_DIR MANUAL
#   MODULE_DIR: tavpub's module folder, under the prefix; MANUAL: the manual's file name
set -euo pipefail
build=$1
module_dir=$2
manual=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$work/dest" cmake --install "$build" --prefix /usr >/dev/null
root="$work/dest/usr"

# Exactly these files, nothing missing and nothing stray.
expected="bin/tav-outliner
bin/tavpub
$module_dir/tavpub-qt.so
share/applications/tav-outliner.desktop
share/doc/tav-outliner/changelog.gz
share/doc/tav-outliner/copyright
share/man/man1/tav-outliner.1.gz
share/man/man1/tavpub.1.gz
share/icons/hicolor/128x128/apps/tav-outliner.png
share/icons/hicolor/16x16/apps/tav-outliner.png
share/icons/hicolor/256x256/apps/tav-outliner.png
share/icons/hicolor/32x32/apps/tav-outliner.png
share/icons/hicolor/48x48/apps/tav-outliner.png
share/icons/hicolor/64x64/apps/tav-outliner.png
share/icons/hicolor/scalable/apps/tav-outliner.svg
share/metainfo/org.example.tav_outliner.metainfo.xml
share/mime/packages/tav-outliner.xml
share/tav-outliner/$manual
share/tav-outliner/sample.data
share/tav-outliner/sample.json"
actual=$(cd "$root" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$actual" = "$(LC_ALL=C sort <<<"$expected")" ] || fail "installed files differ:
$(diff <(LC_ALL=C sort <<<"$expected") <(echo "$actual") || true)"

for size in 16 32 48 64 128 256; do
  dims=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print("%dx%d" % struct.unpack(">II", d[16:24]))' \
         "$root/share/icons/hicolor/${size}x${size}/apps/tav-outliner.png")
  [ "$dims" = "${size}x${size}" ] || fail "the ${size}px icon is $dims"
done

desktop-file-validate "$root/share/applications/tav-outliner.desktop"
appstreamcli validate --no-net "$root/share/metainfo/org.example.tav_outliner.metainfo.xml" >/dev/null \
  || appstreamcli validate --no-net "$root/share/metainfo/org.example.tav_outliner.metainfo.xml"
gzip -t "$root/share/doc/tav-outliner/changelog.gz"

# The page file type, as a desktop without its own file manager asks for it.
update-mime-database "$root/share/mime"
export XDG_DATA_HOME="$root/share" XDG_DATA_DIRS=/usr/share XDG_CURRENT_DESKTOP=
"$root/bin/tavpub" import <(echo '{"Title": "x", "Nodes": []}') "$work/x.data"
cp "$work/x.data" "$work/x.bin"
printf 'not a page\n' > "$work/other.data"
type_of() { xdg-mime query filetype "$1"; }
page=application/x-tav-outliner-page
[ "$(type_of "$work/x.data")" = "$page" ] || fail "x.data is $(type_of "$work/x.data")"
[ "$(type_of "$work/x.bin")" = "$page" ] || fail "x.bin (content wins) is $(type_of "$work/x.bin")"
[ "$(type_of "$work/other.data")" != "$page" ] || fail "a .data file that is not a page is taken for one"
grep -q "^MimeType=$page;$" "$root/share/applications/tav-outliner.desktop" || fail "the desktop entry does not open pages"

# The filters start without Qt; the other commands load it with their module.
if ldd "$root/bin/tavpub" | grep -q 'libQt6'; then fail "tavpub links Qt, which slows every filter's start"; fi
[ "$(printf '\x82\xa0' | "$root/bin/tavpub" convert --from sjis --to euc | od -An -tx1 | tr -d ' ')" = a4a2 ] \
  || fail "the installed tavpub does not convert"

# Copied away from its module, tavpub still filters, and says what it misses.
mkdir "$work/alone" && cp "$root/bin/tavpub" "$work/alone/"
printf 'a' | "$work/alone/tavpub" base64 | grep -qx YQ== || fail "tavpub without its module cannot filter"
status=0
"$work/alone/tavpub" show "$root/share/tav-outliner/sample.data" 2> "$work/alone.err" || status=$?
[ "$status" -eq 1 ] && grep -q "cannot find .*tavpub-qt.so" "$work/alone.err" \
  || fail "tavpub without its module: status $status, $(cat "$work/alone.err")"

# The relocated tool reads the installed sample page.
"$root/bin/tavpub" show "$root/share/tav-outliner/sample.data" | grep -q '"Title"' || fail "tavpub cannot read the sample"
echo "install layout, desktop entry, metainfo and page file type: ok"
