#!/usr/bin/env bash
# Installs what is missing, builds, starts the local Firebird server on
# 127.0.0.1:3050 and runs every test. Exits non-zero when a test fails.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"

scripts/install-deps.sh
scripts/build.sh
scripts/fbserver.sh start

build=${VARNEL_BUILD_DIR:-$here/build}
jobs=$(nproc 2>/dev/null || echo 2)
cd "$build"
ctest --output-on-failure -j "$jobs" "$@"
