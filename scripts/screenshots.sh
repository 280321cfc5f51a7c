#!/usr/bin/env bash
# Pictures of the main window as a person sees it: the Tables, Views,
# Procedures and HTML settings pages with the sample database connected,
# drawn by the X server of Xvfb at the window's designed size.
#   scripts/screenshots.sh [FOLDER]      (default: build/screenshots)
# Look at them; they are not kept in the repository.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VARNEL_BUILD_DIR:-$here/build}
out=${1:-$build/screenshots}

"$here/scripts/install-deps.sh"
if ! command -v xvfb-run >/dev/null; then
  [ "$(id -u)" -eq 0 ] || { echo "screenshots: xvfb is missing; run as root to install it" >&2; exit 1; }
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq xvfb xauth >/dev/null
fi
"$here/scripts/build.sh" >/dev/null
cmake --build "$build" --target varnel-screenshots >/dev/null
db=$("$here/scripts/sample-db.sh" "$build")
mkdir -p "$out"
# A private per-user store: the window starts with the form defaults.
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
XDG_CONFIG_HOME=$config QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" \
  "$build/bin/varnel-screenshots" "$db" "$out"
