#!/usr/bin/env bash
# tavpub convert streams: 1 GiB of Shift_JIS goes through a pipe while the
# process's address space is limited to a small part of that, and the output
# equals, byte for byte, the conversion of one line repeated.
# Usage: stream_memory.sh TAVPUB [SANITIZED]
set -euo pipefail
tavpub=$1
if [ "${2:-OFF}" = ON ]; then
  echo "skipped: AddressSanitizer reserves terabytes of address space, so ulimit -v cannot run tavpub"
  exit 77
fi

total=$((1 << 30))
limit_kib=$((128 * 1024))
# A line of kanji, kana, half-width katakana with voiced marks and ASCII, CR LF
# ended by `yes`; its length does not divide the block size, so characters and
# line breaks fall across block boundaries.
line=$'<p>\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x65\x83\x4c\x83\x58\x83\x67 \xb6\xde\xb2\xc4\xde \xca\xdf\xdd'
line+=$' <a href="~/a\\b">\x88\xea</a> 2026 \x81\x40\x81\x5b\xb1\xde</p>\r'
line_length=$(printf '%s\n' "$line" | wc -c)
full_lines=$((total / line_length))
rest=$((total % line_length))

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '%s\n' "$line" | "$tavpub" convert --to jis > "$work/line.jis"
printf '%s\n' "$line" | head -c "$rest" | "$tavpub" convert --to jis > "$work/rest.jis"
[ -s "$work/line.jis" ] && [ -s "$work/rest.jis" ]

# `yes` ends by SIGPIPE when `head` has enough; that is no failure.
repeat() { yes "$1" || true; }
expected() {
  repeat "$(cat "$work/line.jis")" | head -n "$full_lines"
  cat "$work/rest.jis"
}
repeat "$line" | head -c "$total" \
  | (ulimit -v "$limit_kib" && exec "$tavpub" convert --to jis) \
  | cmp - <(expected)
echo "converted $total bytes within $limit_kib KiB of address space"
