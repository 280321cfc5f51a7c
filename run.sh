#!/usr/bin/env bash
# Installs what is missing, builds, creates the sample database (embedded
# engine: a local file, no server) and opens the main window ready to
# connect to it. Without a display it writes the HTML, XML and SQL
# documents of the sample database with varnel-export instead.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"

scripts/install-deps.sh
scripts/build.sh

build=${VARNEL_BUILD_DIR:-$here/build}
out=$build/sample
mkdir -p "$out"
db=$out/sample.fdb
if [ ! -f "$db" ] || [ "$here/sample/sample.sql" -nt "$db" ]; then
  rm -f "$db"
  { printf "SET NAMES ISO8859_1;\nCREATE DATABASE '%s' USER 'SYSDBA' DEFAULT CHARACTER SET UTF8;\n" "$db"
    cat "$here/sample/sample.sql"; } > "$out/create.sql"
  env -u ISC_USER -u ISC_PASSWORD isql-fb -q -b -i "$out/create.sql"
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$build/bin/varnel"
fi

echo "No display: writing the documents of the sample database."
"$build/bin/varnel-export" -d "$db" --html "$out/sample.html" --xml "$out/sample.xml" --sql "$out/sample.sql"
echo "HTML: $out/sample.html"
echo "XML:  $out/sample.xml"
echo "SQL:  $out/sample.sql"
