#!/usr/bin/env bash
# Fails when a source folder includes a header of a folder above it: the
# arrows between folders run one way, core -> settings -> upload -> page ->
# editor/controls/preview -> dialogs -> app, with cli beside app on the layers
# without widgets.
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

declare -A allowed=(
  [document]=""
  [publish]="document"
  [settings]="document publish"
  [upload]="document publish settings"
  [page]="document publish settings upload"
  [editor]="document publish settings"
  [controls]="document publish settings"
  [preview]="document publish settings upload page"
  [dialogs]="document publish settings upload page editor controls"
  [app]="document publish settings upload page editor controls preview dialogs"
  [cli]="document publish settings upload page"
)

status=0
for folder in src/*/; do
  layer=$(basename "$folder")
  if [[ ! -v allowed[$layer] ]]; then
    echo "src/$layer: a folder the layer rule does not know; add it to $0"
    status=1
    continue
  fi
  while IFS=: read -r file line target; do
    used=${target%%/*}
    [ "$used" = "$layer" ] && continue
    [[ " ${allowed[$layer]} " == *" $used "* ]] && continue
    echo "$file:$line: $layer may not include $target"
    status=1
  done < <(grep -rnoE '^#include "[a-z]+/[^"]+"' "$folder" | sed -E 's/#include "([^"]+)"/\1/')
done
exit $status
