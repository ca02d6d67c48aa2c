#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need (only those missing).
# With --fuzz, also what the libFuzzer targets need (clang and its sanitizer runtimes); with --windows,
# what the Windows cross build, its packages and its tests under Wine need (packaging/windows/).
# Run by ./run, ./test and .ci/run, which then build only what they need.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
PACKAGES=(g++ cmake make pkg-config qt6-base-dev libgl-dev libxkbcommon-dev libpcre2-dev fonts-wqy-zenhei
  qt6-translations-l10n librsvg2-bin desktop-file-utils appstream dpkg-dev file
  nodejs python3)
# nodejs and python3 run the converted patterns in tst_convertdifferential and the snippets in
# tst_patternconverter; libpcre2-dev also brings the 8-bit library a C program uses.

case "${1:-}" in
  --fuzz) PACKAGES+=(clang libclang-rt-dev) ;;
  --windows)
    PACKAGES+=(g++-mingw-w64-x86-64-posix mingw-w64-tools ninja-build perl dpkg-dev qt6-base-dev-tools
      qt6-base-private-dev icoutils nsis zip unzip wine64 xvfb xauth xdotool) ;;
esac
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
