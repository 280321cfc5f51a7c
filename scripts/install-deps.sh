#!/usr/bin/env bash
# Installs the Debian packages Varnel needs to build, test and run.
# Idempotent: installs nothing when everything is present.
#   scripts/install-deps.sh [--fuzz]
# --fuzz adds clang and its libFuzzer runtime for scripts/fuzz.sh.
set -euo pipefail

PACKAGES=(
  g++ cmake make pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev googletest
  libfbclient2 firebird-dev
  firebird3.0-server firebird3.0-server-core firebird3.0-utils
  xvfb xauth
  libxml2-utils
  time
)
if [ "${1:-}" = "--fuzz" ]; then
  PACKAGES+=(clang libclang-rt-14-dev)
fi
# Optional extras for the hardening and benchmark jobs.
if [ "${VARNEL_EXTRA_PACKAGES:-}" != "" ]; then
  read -r -a extra <<<"$VARNEL_EXTRA_PACKAGES"
  PACKAGES+=("${extra[@]}")
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  SUDO=(sudo)
else
  echo "Missing packages. Run as root:" >&2
  echo "  apt-get install -y ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
