#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need (only those missing),
# then configures and builds into ./build. Sourced by ./run and ./test.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
PACKAGES=(g++ cmake make pkg-config qt6-base-dev libgl-dev libxkbcommon-dev libpcre2-dev fonts-wqy-zenhei
  qt6-translations-l10n librsvg2-bin desktop-file-utils appstream dpkg-dev file)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

BUILD="${RW_BUILD_DIR:-$ROOT/build}"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j"$(nproc)"
