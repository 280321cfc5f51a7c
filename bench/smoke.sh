#!/usr/bin/env bash
# Smoke run of the benchmark for CI: the small catalogue, one run of each
# figure, no warm-up; passes when every expected line is there.
#   bench/smoke.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${VARNEL_BUILD_DIR:-$here/build}}

out=$("$here/bench/run.sh" --size small --runs 1 --warmup 0 --window-tables 20,200 --build-dir "$build" \
  --cache-dir "$build/bench-cache" 2>&1) || { printf '%s\n' "$out"; echo "smoke: the runner failed" >&2; exit 1; }
printf '%s\n' "$out"

expected=(
  '^machine: [0-9]+ cores$'
  '^catalogue: 50 tables of 20 columns, 10 views, 10 procedures, seed 1 '
  '^generation: [0-9]+\.[0-9] s( \(cached\))?$'
  '^first page 20 tables: [0-9]+\.[0-9] ms$'
  '^first page 20 tables rows fetched: [0-9]+ rows$'
  '^first page 200 tables: [0-9]+\.[0-9] ms$'
  '^first page 200 tables rows fetched: [0-9]+ rows$'
  '^first page 200 tables attach: [0-9]+\.[0-9] ms '
  '^ratio first page 200 / 20 tables: [0-9]+\.[0-9]{2} \(target: '
  '^ratio first page after attach 200 / 20 tables: [0-9]+\.[0-9]{2} \(target: '
)
for m in embedded tcp; do
  expected+=(
    "^$m verified: tables=50 fields=1000 views=10 viewfields=100 procedures=10 parameters=80 "
    "^$m floor: [0-9]+ ms$"
    "^$m floor peak memory: [0-9]+\.[0-9] MiB$"
    "^$m floor \(no types join\): [0-9]+ ms$"
    "^$m bulk floor: [0-9]+ ms$"
    "^$m isql -extract: [0-9]+ ms$"
    "^$m isql -extract peak memory: [0-9]+\.[0-9] MiB$"
    "^ratio $m floor / bulk floor: [0-9]+\.[0-9]{2} \(target: "
    "^ratio $m floor \(no types join\) / bulk floor: [0-9]+\.[0-9]{2} \(target: "
    "^ratio $m export xml / isql -extract: [0-9]+\.[0-9]{2} \(target: "
  )
  for doc in html xml sql; do
    expected+=(
      "^$m export $doc: [0-9]+ ms$"
      "^$m export $doc peak memory: [0-9]+\.[0-9] MiB$"
      "^ratio $m export $doc / floor: [0-9]+\.[0-9]{2} \(target: "
      "^ratio $m export $doc / bulk floor: [0-9]+\.[0-9]{2} \(target: "
      "^ratio $m export $doc peak memory / 64 MiB: [0-9]+\.[0-9]{2} \(target: "
    )
  done
done
missing=0
for re in "${expected[@]}"; do
  if ! grep -Eq -- "$re" <<<"$out"; then
    echo "smoke: missing a line matching: $re" >&2
    missing=1
  fi
done
exit $missing
