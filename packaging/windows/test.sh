#!/usr/bin/env bash
# Tests the Windows build (made by build.sh) under Wine:
#   1. every test suite of build-windows/ through ctest, Wine being the build's emulator, on Qt's
#      offscreen platform (suites listed in WINDOWS_SKIPPED below are left out, each with its reason);
#   2. a smoke test of the unzipped program on the Windows platform under Xvfb, from a folder whose
#      name is Chinese: it starts with a GBK test.txt and a source file named in Chinese, matches,
#      exports to the desktop and closes with confirmation; the working files' and the export's bytes
#      are checked;
#   3. the installer, silently: it installs, registers its uninstaller and Start-menu entry, and the
#      uninstaller takes it all away again.
# Arguments go to ctest (e.g. test.sh -R tst_gb18030); RW_WINDOWS_SMOKE=0 skips steps 2 and 3.
# Nothing is left running: the Wine server and Xvfb are stopped on the way out.
set -euo pipefail
shopt -s inherit_errexit

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
BUILD="${RW_WINDOWS_BUILD:-$ROOT/build-windows}"
[ -f "$BUILD/windows-env.sh" ] || { echo "no Windows build in $BUILD: run packaging/windows/build.sh" >&2; exit 2; }
# shellcheck source=/dev/null
source "$BUILD/windows-env.sh"

WINE="$(command -v wine64 || echo /usr/lib/wine/wine64)"
WINESERVER="$(command -v wineserver || echo /usr/lib/wine/wineserver)"
export WINEPREFIX="${RW_WINEPREFIX:-$BUILD/wineprefix}"
export WINEDEBUG=-all WINEARCH=win64
# No Mono or Gecko: nothing here needs them, and their installers would wait for an answer.
export WINEDLLOVERRIDES="mscoree,mshtml="

STEP="start"
step() {
  STEP="$*"
  echo "== $STEP ($(date +%T))"
}
XVFB_PID=""
WORK="$(mktemp -d)"
cleanup() {
  "$WINESERVER" -k 2>/dev/null || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap 'rc=$?; echo "test.sh: failed at step: $STEP (exit $rc)" >&2; exit $rc' ERR
trap cleanup EXIT

# A Windows path for a Linux one (Wine's Z: drive is the root).
winpath() { printf 'Z:%s' "${1//\//\\}"; }

step "display"
for n in $(seq 90 120); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
done
Xvfb ":$n" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
export DISPLAY=":$n"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done

step "Wine prefix $WINEPREFIX"
"$WINE" wineboot -i >/dev/null 2>&1
"$WINESERVER" -w

step "test suites under Wine"
runtime="$(winpath "$QT_PREFIX/bin")"
for dir in "${MINGW_RUNTIME_DIRS[@]}"; do runtime+=";$(winpath "$dir")"; done
# Suites that cannot run under Wine, and why.
WINDOWS_SKIPPED=(
  # Linux packaging: desktop entry, AppStream, the .deb and an installed run.
)
exclude=""
[ ${#WINDOWS_SKIPPED[@]} -gt 0 ] && exclude="^($(IFS='|'; echo "${WINDOWS_SKIPPED[*]}"))\$"
(cd "$BUILD" && WINEPATH="$runtime" QT_PLUGIN_PATH="$(winpath "$QT_PREFIX/plugins")" \
  ctest --output-on-failure -j"$(nproc)" ${exclude:+-E "$exclude"} "$@")

[ "${RW_WINDOWS_SMOKE:-1}" = 0 ] && { step "done"; exit 0; }
