#!/usr/bin/env bash
# Installs what is missing, builds, starts the local Firebird server on
# 127.0.0.1:3050 and runs every test; then runs the whole suite again in the
# AddressSanitizer/UndefinedBehaviorSanitizer build (scripts/sanitize.sh,
# build-asan/; skipped with VARNEL_SKIP_SANITIZE=1). Exits non-zero when a
# test fails in either run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"

scripts/install-deps.sh
scripts/build.sh
scripts/fbserver.sh start

build=${VARNEL_BUILD_DIR:-$here/build}
jobs=$(nproc 2>/dev/null || echo 2)
status=0
(cd "$build" && ctest --output-on-failure -j "$jobs" "$@") || status=$?

if [ "${VARNEL_SKIP_SANITIZE:-0}" != "1" ]; then
  echo "== Sanitizer run (build-asan) =="
  scripts/sanitize.sh "$@" || { rc=$?; [ "$status" -ne 0 ] || status=$rc; }
fi
exit "$status"
