#!/usr/bin/env bash
# Configures and builds into BUILD_DIR (default: build). Extra arguments go to
# cmake. The configure's own chatter goes to BUILD_DIR/configure.log; what it
# built and what it left out is printed. With TAV_REQUIRE_ALL=1 a part left
# out for want of its dependency fails the build, and with TAV_WERROR=1 any
# compiler warning does (CI sets both).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
mkdir -p "$build_dir"
args=(-S . -B "$build_dir" -G Ninja)
[ "${TAV_REQUIRE_ALL:-0}" = 1 ] && args+=(-DTAV_REQUIRE_ALL=ON)
[ "${TAV_WERROR:-0}" = 1 ] && args+=(-DTAV_WERROR=ON)
if ! cmake "${args[@]}" "$@" > "$build_dir/configure.log" 2>&1; then
  cat "$build_dir/configure.log" >&2
  exit 1
fi
grep -A3 "Tav Outliner:" "$build_dir/configure.log" || true
cmake --build "$build_dir" -j2
