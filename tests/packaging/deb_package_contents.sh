#!/usr/bin/env bash
# Builds the .deb from a build tree, unpacks it into a temporary root and checks what it holds, what it
# depends on, and that the unpacked program starts.
# Usage: deb_package_contents.sh BUILD_DIR EXPECTED_FILE_LIST VERSION
set -euo pipefail
build=$1 expected=$2 version=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; exit 1; }
deb=$(find "$work/out" -maxdepth 1 -name "regex-workbench_${version}_*.deb")
[ -n "$deb" ] || { echo "no regex-workbench_${version}_*.deb in $(ls "$work/out")"; exit 1; }

dpkg -x "$deb" "$work/root"
(cd "$work/root" && find . \( -type f -o -type l \) | LC_ALL=C sort) >"$work/files.txt"
LC_ALL=C sort "$expected" | diff -u - "$work/files.txt" || { echo "the package's file list differs"; exit 1; }

# Dependencies come from the linked libraries, not from a hand-kept list.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6gui6 libqt6core6 libpcre2-16-0 libc6; do
  grep -q "$lib" <<<"$depends" || { echo "Depends lacks $lib: $depends"; exit 1; }
done

for size in 16 24 32 48 64 128 256; do
  png="$work/root/usr/share/icons/hicolor/${size}x${size}/apps/regex-workbench.png"
  file -b "$png" | grep -q "PNG image data, $size x $size" || { echo "$png: $(file -b "$png")"; exit 1; }
done

out=$("$work/root/usr/bin/regex-workbench" --version)
[ "$out" = "regex-workbench $version" ] || { echo "--version printed: $out"; exit 1; }
echo "package ok: $(basename "$deb")"
