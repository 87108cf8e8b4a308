#!/usr/bin/env bash
# Runs every test program of a build whole, each in one process, all at once.
# CTest starts every test alone; here a test that depends on what an earlier
# test of its program left behind fails.  The programs come from the list the
# build writes (test-programs.txt), so a new test program is run without
# being named here.  A program still running after the limit (seconds,
# ORVALIN_TEST_LIMIT, default 600) is ended and named, so a hang cannot stop
# the run without a word.
# Usage: scripts/test-whole.sh [preset]   (default: ci)
set -euo pipefail
cd "$(dirname "$0")/.."
build="build/${1:-ci}"
limit="${ORVALIN_TEST_LIMIT:-600}"
list="$build/test-programs.txt"
[ -s "$list" ] || { echo "test-whole: no $list (build first)" >&2; exit 1; }
logs="$build/test-whole"
rm -rf "$logs"
mkdir -p "$logs"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"

pids=()
names=()
while IFS=$'\t' read -r program folder; do
  [ -n "$program" ] || continue
  name="$(basename "$program")"
  (cd "$folder" && exec timeout --verbose --kill-after=10 "$limit" "$program") \
    >"$logs/$name.log" 2>&1 &
  pids+=("$!")
  names+=("$name")
done <"$list"

failed=0
for i in "${!pids[@]}"; do
  name="${names[$i]}"
  if wait "${pids[$i]}"; then
    echo "test-whole: $name passed"
    continue
  fi
  failed=1
  if grep -q '^timeout: sending signal' "$logs/$name.log"; then
    echo "test-whole: $name still ran after ${limit} s and was ended (log: $logs/$name.log)"
    grep '^\[ RUN      \]' "$logs/$name.log" | tail -1 | sed 's/^\[ RUN      \]/  last test started:/' || true
  else
    echo "test-whole: $name FAILED run whole (log: $logs/$name.log)"
  fi
  grep -E '^\[  FAILED  \]|Failure$' "$logs/$name.log" | head -20 || true
done
exit "$failed"
