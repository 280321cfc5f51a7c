#!/usr/bin/env bash
# Creates the sample database (embedded engine: a local file, no server)
# from sample/sample.sql when it is missing or older than the script, and
# prints its path.
#   scripts/sample-db.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${VARNEL_BUILD_DIR:-$here/build}}
out=$build/sample
mkdir -p "$out"
db=$out/sample.fdb
if [ ! -f "$db" ] || [ "$here/sample/sample.sql" -nt "$db" ]; then
  rm -f "$db"
  { printf "SET NAMES ISO8859_1;\nCREATE DATABASE '%s' USER 'SYSDBA' DEFAULT CHARACTER SET UTF8;\n" "$db"
    cat "$here/sample/sample.sql"; } > "$out/create.sql"
  env -u ISC_USER -u ISC_PASSWORD isql-fb -q -b -i "$out/create.sql" >&2
fi
echo "$db"
