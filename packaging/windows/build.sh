#!/usr/bin/env bash
# Builds the Windows program on Debian 12, from the same sources as the Linux one:
#   1. installs what is missing (scripts/setup.sh --windows);
#   2. gets Debian's source packages of Qt base and PCRE2, the versions the host's Qt tools have;
#   3. builds them for x86-64 Windows with MinGW-w64 into a cache outside the checkout
#      (${XDG_CACHE_HOME:-~/.cache}/regex-workbench/windows), reused while its versions and options hold;
#   4. cross-builds the program and its tests in build-windows/;
#   5. makes build-windows/dist/: the zip and the NSIS installer.
# Any failed step stops the script with the step's name and a non-zero exit.
# RW_WINDOWS_BUILD sets the build folder; RW_WINDOWS_JOBS the parallel jobs (default: nproc).
set -Eeuo pipefail
shopt -s inherit_errexit

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
HERE="$ROOT/packaging/windows"
BUILD="${RW_WINDOWS_BUILD:-$ROOT/build-windows}"
CACHE="${XDG_CACHE_HOME:-$HOME/.cache}/regex-workbench/windows"
JOBS="${RW_WINDOWS_JOBS:-$(nproc)}"
TOOLCHAIN="$HERE/toolchain.cmake"

STEP="start"
step() {
  STEP="$*"
  echo "== $STEP ($(date +%T))"
}
trap 'rc=$?; echo "build.sh: failed at step: $STEP (exit $rc)" >&2; exit $rc' ERR

step "install missing packages"
bash "$ROOT/scripts/setup.sh" --windows
# The host's Qt tools, which the Windows Qt and the program are built with.
HOST_CMAKE_DIR="/usr/lib/$(gcc -dumpmachine)/cmake"

step "source package entries"
# apt-get source needs deb-src entries; made from the machine's own deb entries when it has none.
has_deb_src() {
  grep -Eqs '^[[:space:]]*deb-src[[:space:]]|^Types:.*deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
    /etc/apt/sources.list.d/*.sources
}
if ! has_deb_src; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  generated=""
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    generated+="$(sed -n 's/^[[:space:]]*deb\([[:space:]]\)/deb-src\1/p' "$f")"$'\n'
  done
  if [ -n "${generated//[$'\n']/}" ]; then
    printf '%s' "$generated" | $SUDO tee /etc/apt/sources.list.d/regex-workbench-src.list >/dev/null
  fi
  stanzas=""
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    # Each stanza whose Types has deb, with Types: deb-src and its other fields as they are.
    stanzas+="$(awk 'BEGIN { RS = ""; ORS = "\n\n" }
      /(^|\n)Types:[^\n]*[[:space:]]deb([[:space:]]|$)|(^|\n)Types:[[:space:]]*deb(\n|[[:space:]]|$)/ {
        n = split($0, lines, "\n"); out = ""
        for (i = 1; i <= n; i++) {
          line = lines[i]
          if (line ~ /^Types:/) line = "Types: deb-src"
          if (line ~ /^Enabled:[[:space:]]*no/) { out = ""; break }
          out = out line "\n"
        }
        if (out != "") printf "%s\n", out
      }' "$f")"$'\n\n'
  done
  if [ -n "${stanzas//[$'\n']/}" ]; then
    printf '%s' "$stanzas" | $SUDO tee /etc/apt/sources.list.d/regex-workbench-src.sources >/dev/null
  fi
  has_deb_src || { echo "no deb entries to make deb-src entries from" >&2; false; }
  $SUDO apt-get update -q
fi

QT_DEB_VERSION="$(dpkg-query -W -f='${Version}' qt6-base-dev)"
PCRE2_DEB_VERSION="$(dpkg-query -W -f='${Version}' libpcre2-dev)"
QT_VERSION="${QT_DEB_VERSION%%+*}"
QT_VERSION="${QT_VERSION%%-*}"

# The options each library is built with; a cache built with others is rebuilt.
PCRE2_OPTIONS=(-DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON
  -DPCRE2_BUILD_PCRE2_8=OFF -DPCRE2_BUILD_PCRE2_16=ON -DPCRE2_BUILD_PCRE2_32=OFF -DPCRE2_SUPPORT_JIT=ON
  -DPCRE2_BUILD_PCRE2GREP=OFF -DPCRE2_BUILD_TESTS=OFF -DPCRE2_SUPPORT_LIBZ=OFF -DPCRE2_SUPPORT_LIBBZ2=OFF
  -DPCRE2_SUPPORT_LIBEDIT=OFF -DPCRE2_SUPPORT_LIBREADLINE=OFF)
# No Wintab header in Debian's source (tablet events off); OpenGL stays on, which the Windows platform
# plugin of this version needs. The program uses Core, Gui, Widgets and Test only.
QT_OPTIONS=(-DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="$HOST_CMAKE_DIR" -DFEATURE_tabletevent=OFF
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF -DFEATURE_xml=OFF
  -DFEATURE_concurrent=OFF -DFEATURE_icu=OFF -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF
  -DFEATURE_system_jpeg=OFF -DFEATURE_system_doubleconversion=OFF -DFEATURE_glib=OFF)

# What a cached library was built from: the source version, its options and the toolchain.
cache_key() { # <deb version> <options...>
  { printf '%s\n' "$@"; cat "$TOOLCHAIN"; x86_64-w64-mingw32-g++-posix -dumpfullversion; } | sha256sum | cut -c1-12
}
PCRE2_PREFIX="$CACHE/pcre2-$PCRE2_DEB_VERSION-$(cache_key "$PCRE2_DEB_VERSION" static-cflags "${PCRE2_OPTIONS[@]}")"
QT_PREFIX="$CACHE/qtbase-$QT_DEB_VERSION-$(cache_key "$QT_DEB_VERSION" "${QT_OPTIONS[@]}")"
STAMP=".complete"

# Unpacks Debian's source package <name> into $CACHE/src/<name>-<version> (made anew). The version
# wanted comes first; another Debian revision of the same upstream version stands in when a mirror
# lacks it (the security archive may keep only part of a source package).
fetch_source() { # <source package> <version> -> prints the folder
  local name="$1" version="$2" upstream="${2%-*}" dir="$CACHE/src/$1-$2" v
  local versions
  versions="$( (echo "$version"; apt-cache showsrc "$name" | sed -n 's/^Version: //p' | sort -rV) | awk '!seen[$0]++')"
  for v in $versions; do
    [ "${v%-*}" = "$upstream" ] || continue
    rm -rf "$dir" "$dir.download"
    mkdir -p "$dir.download"
    if (cd "$dir.download" && apt-get source -q --download-only "$name=$v" >&2); then
      dpkg-source --no-check -x "$dir.download"/*.dsc "$dir" >&2
      rm -rf "$dir.download"
      echo "source: $name $v" >&2
      echo "$dir"
      return 0
    fi
  done
  echo "no complete source package of $name $upstream could be downloaded" >&2
  return 1
}

# A prefix is used only with its stamp, written after its install finished; anything else there
# (an interrupted build) is removed and built again.
cached() { [ -f "$1/$STAMP" ]; }

# Builds of other versions or options are not used again.
for old in "$CACHE"/pcre2-* "$CACHE"/qtbase-*; do
  [ -e "$old" ] && [ "$old" != "$PCRE2_PREFIX" ] && [ "$old" != "$QT_PREFIX" ] && rm -rf "$old"
done

# Builds Debian's source package for Windows into a prefix with the CMake options given; finish (a
# function, or true) runs on the installed prefix before its stamp is written.
build_cached() { # <label> <source package> <version> <prefix> <finish> <options...>
  local label=$1 package=$2 version=$3 prefix=$4 finish=$5 src work
  shift 5
  if cached "$prefix"; then
    step "$label for Windows: cached in $prefix"
    return
  fi
  step "$label: source package $package $version"
  rm -rf "$prefix"
  src="$(fetch_source "$package" "$version")"
  step "$label for Windows: configure and build (Qt: about half an hour on two cores)"
  work="$CACHE/build/$package"
  rm -rf "$work"
  mkdir -p "$CACHE/build"
  cmake -G Ninja -S "$src" -B "$work" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_INSTALL_PREFIX="$prefix" \
    "$@" >"$work.configure.log" 2>&1 || { tail -40 "$work.configure.log" >&2; false; }
  cmake --build "$work" -j"$JOBS"
  step "$label for Windows: install"
  cmake --install "$work" >/dev/null
  "$finish" "$prefix"
  touch "$prefix/$STAMP"
  rm -rf "$work" "$work.configure.log" "$src"
}

# The static library's users must say so (PCRE2_STATIC), or they look for the DLL's imports.
pcre2_static_cflags() {
  sed -i 's/^Cflags: \(.*\)$/Cflags: \1 -DPCRE2_STATIC/' "$1/lib/pkgconfig/libpcre2-16.pc"
}

build_cached PCRE2 pcre2 "$PCRE2_DEB_VERSION" "$PCRE2_PREFIX" pcre2_static_cflags "${PCRE2_OPTIONS[@]}"
build_cached "Qt $QT_VERSION" qt6-base "$QT_DEB_VERSION" "$QT_PREFIX" true "${QT_OPTIONS[@]}"

# Qt's Chinese translations, the same files on every system, where a Qt install keeps them: the tests
# load them from there, the zip from beside the program.
QM_FILES=(/usr/share/qt6/translations/qt_zh_CN.qm /usr/share/qt6/translations/qtbase_zh_CN.qm)
mkdir -p "$QT_PREFIX/translations"
cp "${QM_FILES[@]}" "$QT_PREFIX/translations/"

WINE="$(command -v wine64 || echo /usr/lib/wine/wine64)"
VERSION="$(sed -n 's/^project(RegexWorkbench VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")"
MINGW_RUNTIME_DIRS=("$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")"
  /usr/x86_64-w64-mingw32/lib)

step "program and tests for Windows: configure"
export RW_WINDOWS_PREFIXES="$QT_PREFIX;$PCRE2_PREFIX"
# The tests run through Wine (packaging/windows/test.sh sets its environment).
PKG_CONFIG_LIBDIR="$PCRE2_PREFIX/lib/pkgconfig" PKG_CONFIG_PATH="" \
  cmake -G Ninja -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$QT_PREFIX" -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="$HOST_CMAKE_DIR" \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$WINE" >"$BUILD.configure.log" 2>&1 ||
  { tail -40 "$BUILD.configure.log" >&2; false; }
rm -f "$BUILD.configure.log"

step "program and tests for Windows: build"
cmake --build "$BUILD" -j"$JOBS"

# What the tests need to run under Wine: where the DLLs and plugins are.
cat >"$BUILD/windows-env.sh" <<ENV
# Written by build.sh: the Windows build's runtime, for packaging/windows/test.sh.
QT_PREFIX='$QT_PREFIX'
MINGW_RUNTIME_DIRS=(${MINGW_RUNTIME_DIRS[*]})
VERSION='$VERSION'
ENV

step "zip"
DIST="$BUILD/dist"
NAME="regex-workbench-$VERSION-windows-x64"
STAGE="$DIST/$NAME"
rm -rf "$DIST"
mkdir -p "$STAGE/platforms" "$STAGE/styles" "$STAGE/translations"
x86_64-w64-mingw32-strip -o "$STAGE/regex-workbench.exe" "$BUILD/src/regex-workbench.exe"
cp "$QT_PREFIX/plugins/platforms/qwindows.dll" "$STAGE/platforms/"
cp "$QT_PREFIX/plugins/styles/qwindowsvistastyle.dll" "$STAGE/styles/"
# Every DLL the program and its plugins load, found in Qt's and MinGW's folders; Windows' own stay out.
dll_search=("$QT_PREFIX/bin" "${MINGW_RUNTIME_DIRS[@]}")
pending=("$STAGE/regex-workbench.exe" "$STAGE/platforms/qwindows.dll" "$STAGE/styles/qwindowsvistastyle.dll")
while [ ${#pending[@]} -gt 0 ]; do
  file="${pending[0]}"
  pending=("${pending[@]:1}")
  for dll in $(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
    [ -e "$STAGE/$dll" ] && continue
    for dir in "${dll_search[@]}"; do
      if [ -f "$dir/$dll" ]; then
        cp "$dir/$dll" "$STAGE/"
        pending+=("$STAGE/$dll")
        break
      fi
    done
  done
done
for dll in "$STAGE"/*.dll "$STAGE"/*/*.dll; do
  x86_64-w64-mingw32-strip --strip-unneeded "$dll"
done
cp "${QM_FILES[@]}" "$STAGE/translations/"
cp "$HERE/qt.conf" "$STAGE/"
cp "$ROOT/LICENSE" "$STAGE/LICENSE"
(cd "$DIST" && zip -q -r -9 "$NAME.zip" "$NAME")

step "installer"
makensis -V2 -DVERSION="$VERSION" -DSTAGE="$STAGE" -DICON="$BUILD/src/regex-workbench.ico" \
  -DOUTFILE="$DIST/regex-workbench-$VERSION-setup.exe" "$HERE/installer.nsi"

step "done"
ls -l "$DIST"/*.zip "$DIST"/*.exe
