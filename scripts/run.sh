#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tav Outliner on the sample page.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
build_dir=${BUILD_DIR:-build}
sample="$PWD/resources/sample/sample.data"
if [ -x "$build_dir/src/app/tav-outliner" ]; then
  exec "$build_dir/src/app/tav-outliner" "$sample"
fi
# Without the main window: show the sample page as the program reads it.
exec "$build_dir/src/cli/tavpub" show "$sample"
