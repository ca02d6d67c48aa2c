#!/usr/bin/env bash
# Tests the Windows build (made by build.sh) under Wine:
#   1. every test suite of build-windows/ through ctest, Wine being the build's emulator, on Qt's
#      offscreen platform;
#   2. a smoke test of the unzipped program on the Windows platform under Xvfb, from a folder whose
#      name is Chinese: it starts with a GBK test.txt and a source file named in Chinese, matches,
#      exports to the desktop and closes with confirmation; the working files' and the export's bytes
#      are checked;
#   3. the installer, silently: it installs, registers its uninstaller and Start-menu entry, and the
#      uninstaller takes it all away again.
# Arguments go to ctest (e.g. test.sh -R tst_gb18030); RW_WINDOWS_SMOKE=0 skips steps 2 and 3,
# RW_WINDOWS_SUITES=0 step 1. A failed smoke test leaves a screenshot in build-windows/smoke-failure.png
# when ImageMagick's import is there.
# Nothing is left running: the Wine server and Xvfb are stopped on the way out.
set -Eeuo pipefail
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
failed() {
  local rc=$1
  echo "test.sh: failed at step: $STEP (exit $rc)" >&2
  if [ -n "${DISPLAY:-}" ] && command -v import >/dev/null; then
    import -window root "$BUILD/smoke-failure.png" 2>/dev/null || true
  fi
  exit "$rc"
}
trap 'failed $?' ERR
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
# Wine hands Windows programs no QT_* variable of the Linux environment; the prefix's own environment
# does. Offscreen unless a program asks for a platform (-platform windows); test output to the pipe
# ctest reads, not to the debugger's channel.
for setting in QT_QPA_PLATFORM=offscreen QT_FORCE_STDERR_LOGGING=1 "QT_PLUGIN_PATH=$(winpath "$QT_PREFIX/plugins")"; do
  "$WINE" reg add 'HKCU\Environment' /v "${setting%%=*}" /d "${setting#*=}" /f >/dev/null 2>&1
done
"$WINESERVER" -w

if [ "${RW_WINDOWS_SUITES:-1}" != 0 ]; then
  step "test suites under Wine"
  # Where the tests find Qt's and MinGW's DLLs. Checks known to fail under Wine are in tests/gui/BLACKLIST.
  runtime="$(winpath "$QT_PREFIX/bin")"
  for dir in "${MINGW_RUNTIME_DIRS[@]}"; do runtime+=";$(winpath "$dir")"; done
  (cd "$BUILD" && WINEPATH="$runtime" ctest --output-on-failure -j"$(nproc)" "$@")
fi

[ "${RW_WINDOWS_SMOKE:-1}" = 0 ] && { step "done"; exit 0; }

DIST="$BUILD/dist"
NAME="regex-workbench-$VERSION-windows-x64"
# Wine's desktop is a link to the Linux home: the test's own folder takes its place.
DESKTOP_DIR="$WINEPREFIX/drive_c/users/$(id -un)/Desktop"
[ -L "$DESKTOP_DIR" ] && rm -f "$DESKTOP_DIR"
mkdir -p "$DESKTOP_DIR"
gb() { iconv -f UTF-8 -t GB18030; }
# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
  local seconds=$1
  shift
  for _ in $(seq $((seconds * 5))); do "$@" && return 0; sleep 0.2; done
  "$@"
}
same_bytes() { # <file> <expected bytes file> <what>
  cmp -s "$1" "$2" || { echo "$3: the bytes differ"; xxd "$1" | head; echo "expected:"; xxd "$2" | head; false; }
}

step "smoke test: the unzipped program in a folder named in Chinese"
APP_ROOT="$WORK/正则 工作台"
mkdir -p "$APP_ROOT"
unzip -q "$DIST/$NAME.zip" -d "$APP_ROOT"
APP="$APP_ROOT/$NAME"
printf '%s' '电话 (1[3-9]\d{9})' | gb >"$APP/bds.txt"
printf '旧的源文本\r\n' | gb >"$APP/test.txt"
SOURCE="$WORK/源文本 一.txt"
printf '张三 电话 13812345678\r\n李四 电话 13987654321\r\n' | gb >"$SOURCE"
cp "$APP/bds.txt" "$WORK/bds.expected"
rm -f "$DESKTOP_DIR/smoke.txt"
# Wine's own desktop window gives the program's windows a window manager: focus, frames, Alt+F4.
start=$(date +%s.%N)
# The prefix's environment says offscreen, for the suites: this one asks for Windows' own platform.
LANG=C.UTF-8 "$WINE" explorer /desktop=rw-smoke,1024x768 "$APP/regex-workbench.exe" -platform windows \
  "$(winpath "$SOURCE")" \
  >"$WORK/smoke.log" 2>&1 &
# The rules file is written once the working files are loaded.
wait_for 90 test -s "$APP/gz.txt" || { echo "the program did not start"; cat "$WORK/smoke.log"; false; }
echo "working files loaded $(echo "$(date +%s.%N) - $start" | bc) s after the start"
DESKTOP_WINDOW=$(xdotool search --name 'rw-smoke' | head -1)
xdotool windowfocus --sync "$DESKTOP_WINDOW"
sleep 2
# F5 matches; the results list's menu (its window sits in the middle of the 1024x768 desktop) exports
# "{2}={3};" to smoke.txt on the desktop.
xdotool mousemove 500 500 click 1
xdotool key F5
sleep 2
xdotool mousemove 500 470 click 3
sleep 1
xdotool key Up Return
sleep 1.5
xdotool type --delay 30 '{2}={3};'
xdotool key Return
sleep 1.5
xdotool type --delay 30 'smoke'
xdotool key Return
wait_for 30 test -s "$DESKTOP_DIR/smoke.txt" || { echo "no export on the desktop"; ls -la "$DESKTOP_DIR"; false; }
printf '电话 13812345678=13812345678;电话 13987654321=13987654321' >"$WORK/export.expected"
same_bytes "$DESKTOP_DIR/smoke.txt" "$WORK/export.expected" "the export"
# Closing asks first; Yes (the default button) writes the working files and ends the program.
xdotool key alt+F4
sleep 1.5
xdotool key Return
wait_for 30 bash -c '! pgrep -f "regex-workbench\.exe" >/dev/null' || { echo "the program did not end"; false; }
cp "$SOURCE" "$WORK/test.expected"
same_bytes "$APP/test.txt" "$WORK/test.expected" "test.txt (the file opened, in GB18030 with CRLF)"
same_bytes "$APP/bds.txt" "$WORK/bds.expected" "bds.txt"
"$WINESERVER" -k 2>/dev/null || true
"$WINESERVER" -w

step "installer: a silent install and uninstall"
# No space: /D= takes the rest of the command line unquoted, and Wine quotes an argument with a space.
INSTALL_DIR='C:\RW测试'
INSTALL_UNIX="$WINEPREFIX/drive_c/RW测试"
UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\RegexWorkbench'
SHORTCUT="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/正则表达式工作台.lnk"
LANG=C.UTF-8 "$WINE" "$DIST/regex-workbench-$VERSION-setup.exe" /S "/D=$INSTALL_DIR"
"$WINESERVER" -w
for f in regex-workbench.exe Qt6Widgets.dll platforms/qwindows.dll styles/qwindowsvistastyle.dll \
  translations/qtbase_zh_CN.qm qt.conf LICENSE uninstall.exe regex-workbench.ico; do
  [ -f "$INSTALL_UNIX/$f" ] || { echo "not installed: $f"; false; }
done
[ -f "$SHORTCUT" ] || { echo "no Start-menu entry"; false; }
"$WINE" reg query "$UNINSTALL_KEY" /v DisplayName 2>/dev/null | grep -q 'DisplayName' ||
  { echo "no uninstaller registered"; false; }
out=$("$WINE" "$INSTALL_UNIX/regex-workbench.exe" --version 2>/dev/null | tr -d '\r')
[ "$out" = "regex-workbench $VERSION" ] || { echo "the installed program's --version printed: $out"; false; }
# A working file kept beside the program is the user's: the uninstaller leaves it, and its folder.
printf 'kept' >"$INSTALL_UNIX/test.txt"
"$WINE" "$INSTALL_UNIX/uninstall.exe" /S
wait_for 60 test ! -e "$INSTALL_UNIX/regex-workbench.exe" || { echo "the uninstaller left the program"; false; }
wait_for 30 test ! -e "$INSTALL_UNIX/uninstall.exe" || { echo "the uninstaller left itself"; false; }
[ "$(cat "$INSTALL_UNIX/test.txt")" = kept ] || { echo "the uninstaller took the user's file"; false; }
ls "$INSTALL_UNIX" | grep -qvx test.txt && { echo "left behind:"; ls -R "$INSTALL_UNIX"; false; }
[ ! -e "$SHORTCUT" ] || { echo "the Start-menu entry is still there"; false; }
if "$WINE" reg query "$UNINSTALL_KEY" >/dev/null 2>&1; then echo "the uninstaller is still registered"; false; fi
rm -rf "$INSTALL_UNIX"

step "done"
