#!/usr/bin/env bash
# Runs every test program of a build whole, each in one process, all at once.
# CTest starts every test alone; here a test that depends on what an earlier
# test of its program left behind fails.  The programs come from the list the
# build writes (test-programs.txt), so a new test program is run without
# being named here.  Usage: scripts/test-whole.sh [preset]   (default: ci)
set -euo pipefail
cd "$(dirname "$0")/.."
build="build/${1:-ci}"
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
  (cd "$folder" && exec "$program" --gtest_brief=1) >"$logs/$name.log" 2>&1 &
  pids+=("$!")
  names+=("$name")
done <"$list"

failed=0
for i in "${!pids[@]}"; do
  if wait "${pids[$i]}"; then
    echo "test-whole: ${names[$i]} passed"
  else
    failed=1
    echo "test-whole: ${names[$i]} FAILED run whole (log: $logs/${names[$i]}.log)"
    grep -E '^\[  FAILED  \]|Failure$' "$logs/${names[$i]}.log" | head -20 || true
  fi
done
exit "$failed"
