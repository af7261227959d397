#!/usr/bin/env bash
# Renders the program icon's SVG into the PNGs committed beside it, which the
# program compiles in (Qt's SVG module is not needed at run time).
# Needs Debian's librsvg2-bin (rsvg-convert); only run when the SVG changes.
set -euo pipefail
cd "$(dirname "$0")/../resources/icons"
for size in 16 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" tav-outliner.svg --output "tav-outliner-$size.png"
done
