#!/usr/bin/env bash
# Installs the program into a temporary prefix the running user can't write to, as /usr is, and starts
# it: --help and --version answer, and the working files are created in the user's data directory, not
# beside the executable. Root writes everywhere, so as root the program runs as nobody.
# Usage: installed_run.sh BUILD_DIR VERSION
set -euo pipefail
build=$1 version=$2

work=$(mktemp -d)
trap '{ [ -n "$pid" ] && kill "$pid"; pkill -KILL -f "$work/usr/bin/regex-workbench"; } 2>/dev/null || true; chmod -R u+w "$work"; rm -rf "$work"' EXIT
pid=
chmod 755 "$work"
cmake --install "$build" --prefix "$work/usr" >/dev/null
home="$work/home"
mkdir -p "$home"
printf 'from the command line\n' >"$work/opened.txt"
chmod 644 "$work/opened.txt"

as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chown -R 65534:65534 "$home"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
else
  chmod -R a-w "$work/usr"
fi
# exec: the function's subshell becomes the program, so "$!" below is the program itself, not a shell
# whose death would leave it running.
run() {
  exec env -i PATH=/usr/bin:/bin HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$home" \
    QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 "${as_user[@]}" "$work/usr/bin/regex-workbench" "$@"
}

out=$(run --version)
[ "$out" = "regex-workbench $version" ] || { echo "--version printed: $out"; exit 1; }
out=$(run --help)
for word in "[FILE]" "--version" "--help"; do
  grep -qF -- "$word" <<<"$out" || { echo "--help lacks $word:"; echo "$out"; exit 1; }
done

data="$home/.local/share/regex-workbench"
run "$work/opened.txt" >"$work/run.log" 2>&1 &
pid=$!
for _ in $(seq 100); do
  [ -s "$data/gz.txt" ] && break
  kill -0 "$pid" 2>/dev/null || { echo "the program ended early:"; cat "$work/run.log"; exit 1; }
  sleep 0.2
done
[ -s "$data/gz.txt" ] || { echo "no rules file in $data:"; ls -la "$home" "$data" || true; cat "$work/run.log"; exit 1; }
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=
# Nothing the test started may outlive it.
for _ in $(seq 50); do
  pgrep -f "$work/usr/bin/regex-workbench" >/dev/null || break
  sleep 0.1
done
if pgrep -f "$work/usr/bin/regex-workbench" >/dev/null; then
  echo "the program outlived its kill:"; pgrep -af "$work/usr/bin/regex-workbench"
  pkill -KILL -f "$work/usr/bin/regex-workbench" || true
  exit 1
fi

beside=$(ls -A "$work/usr/bin")
[ "$beside" = "regex-workbench" ] || { echo "files beside the executable: $beside"; exit 1; }
echo "installed run ok: working files in $data"
