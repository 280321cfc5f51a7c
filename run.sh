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
db=$(scripts/sample-db.sh "$build")

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  # The window takes no arguments: it starts with the settings file its
  # per-user store remembers. A private store under build/sample names a
  # settings file with the form defaults and the sample database's path,
  # so the window opens ready to connect and your own store stays as it is.
  settings=$out/settings.ini
  [ -f "$settings" ] || cp "$here/sample/settings.ini" "$settings"
  sed -i "0,/^Database=/s|^Database=.*|Database=$db\r|" "$settings"
  config=$out/config
  conf=$config/Ostrel/Varnel.conf
  mkdir -p "$config/Ostrel"
  if [ -f "$conf" ] && grep -q '^SettingsFile=' "$conf"; then
    sed -i "s|^SettingsFile=.*|SettingsFile=\"$settings\"|" "$conf"
  elif [ -f "$conf" ] && grep -q '^\[General\]' "$conf"; then
    sed -i "0,/^\[General\]/s|^\[General\].*|&\nSettingsFile=\"$settings\"|" "$conf"
  else
    printf '[General]\nSettingsFile="%s"\n' "$settings" >> "$conf"
  fi
  XDG_CONFIG_HOME=$config exec "$build/bin/varnel"
fi

echo "No display: writing the documents of the sample database."
"$build/bin/varnel-export" -d "$db" --html "$out/sample.html" --xml "$out/sample.xml" --sql "$out/sample.sql"
echo "HTML: $out/sample.html"
echo "XML:  $out/sample.xml"
echo "SQL:  $out/sample.sql"
