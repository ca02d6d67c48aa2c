#!/usr/bin/env bash
# Runs every fuzz target for a while: run-fuzzers.sh <build dir> <seconds per target> [target...]
# New inputs go to a scratch corpus in the build dir; the checked-in seeds stay as they are.
# RW_FUZZ_TIMEOUT (seconds, default 30) is the wall-clock limit for one input.
# A finding stops its target, leaves the input as <build dir>/fuzz/<target>/crash-* and fails the run.
set -euo pipefail
HERE="$(cd "$(dirname "$0")" && pwd)"
BUILD="$(cd "$1" && pwd)"
SECONDS_EACH="$2"
shift 2
TARGETS=("$@")
[ ${#TARGETS[@]} -gt 0 ] || TARGETS=(match substitution rulescodec import exporttemplate)

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
status=0
for name in "${TARGETS[@]}"; do
  work="$BUILD/fuzz/$name"
  mkdir -p "$work/corpus"
  dict=()
  [ -f "$HERE/dict/$name.dict" ] && dict=(-dict="$HERE/dict/$name.dict")
  echo "-- fuzz_$name, ${SECONDS_EACH} s"
  if ! (cd "$work" && "$BUILD/tests/fuzz/fuzz_$name" -max_total_time="$SECONDS_EACH" -timeout="${RW_FUZZ_TIMEOUT:-30}" \
      -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 "${dict[@]}" corpus "$HERE/corpus/$name" \
      >log.txt 2>&1); then
    tail -n 60 "$work/log.txt"
    status=1
  fi
  grep -E "^stat::number_of_executed_units|^Done " "$work/log.txt" || true
done
exit $status
