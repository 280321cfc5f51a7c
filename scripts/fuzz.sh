#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang into build-fuzz/ (or
# $VARNEL_FUZZ_BUILD_DIR) and runs each for a while on a copy of its seed
# corpus fuzz/corpus/<target>/ (the repository's corpus is never written).
#   scripts/fuzz.sh [seconds per target, default 60] [target ...]
# Prints per target the executions and whether it crashed; a crash leaves
# the input in build-fuzz/artifacts/ and makes the script fail.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VARNEL_FUZZ_BUILD_DIR:-$here/build-fuzz}
jobs=$(nproc 2>/dev/null || echo 2)
seconds=${1:-60}
shift || true

all=(fuzz_profile fuzz_sql_clauses fuzz_markers fuzz_database_name fuzz_xml_escape fuzz_description fuzz_calc_field)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all[@]}")

"$here/scripts/install-deps.sh" --fuzz
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVARNEL_FUZZ=ON -DVARNEL_BUILD_GUI=OFF -DVARNEL_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j "$jobs" --target "${targets[@]}"

artifacts=$build/artifacts
mkdir -p "$artifacts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:${UBSAN_OPTIONS:-}"

failed=0
summary=()
for t in "${targets[@]}"; do
  corpus=$work/$t
  mkdir -p "$corpus"
  cp "$here/fuzz/corpus/$t/"* "$corpus/"
  log=$build/$t.log
  rc=0
  TMPDIR=$work "$build/fuzz/$t" -max_total_time="$seconds" -timeout=25 -print_final_stats=1 \
    -artifact_prefix="$artifacts/$t-" "$corpus" >"$log" 2>&1 || rc=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  # A crash prints no final figures: the last progress line counts.
  [ -z "$execs" ] && execs=$(grep -ao '^#[0-9]*' "$log" | tail -1 | tr -d '#' || true)
  if [ "$rc" -eq 0 ]; then
    result=ok
  else
    result="CRASHED (exit $rc, see $log)"
    failed=1
  fi
  summary+=("$(printf '%-20s %12s executions  %s' "$t" "${execs:-?}" "$result")")
done

printf '%s\n' "${summary[@]}"
exit "$failed"
