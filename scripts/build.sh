#!/usr/bin/env bash
# Configures (once) and builds the project into build/ (or $VARNEL_BUILD_DIR).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VARNEL_BUILD_DIR:-$here/build}
jobs=$(nproc 2>/dev/null || echo 2)
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
fi
cmake --build "$build" -j "$jobs"
