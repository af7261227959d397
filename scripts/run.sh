#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tav Outliner on a copy of the
# sample page.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
build=$(cd "${BUILD_DIR:-build}" && pwd)
tavpub="$build/src/cli/tavpub"

# Trying the program never changes the checkout: it starts on a fresh copy
# of the sample in the build folder, with its HTML file set beside it, so
# that every save stays in that folder.
scratch="$build/sample-run"
mkdir -p "$scratch"
"$tavpub" show resources/sample/sample.data \
  | python3 -c 'import json, sys
page = json.load(sys.stdin)
page["FileName"] = sys.argv[1]
json.dump(page, sys.stdout, ensure_ascii=False)' "$scratch/sample.html" >"$scratch/sample.json"
"$tavpub" import "$scratch/sample.json" "$scratch/sample.data"
cd "$scratch" # the start folder: where a file named without a folder goes

if [ -x "$build/src/app/tav-outliner" ]; then
  exec "$build/src/app/tav-outliner" "$scratch/sample.data"
fi
# Without the main window: show the sample page as the program reads it.
exec "$tavpub" show "$scratch/sample.data"
