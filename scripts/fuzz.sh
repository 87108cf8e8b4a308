#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz", clang) and runs each for a
# bounded time; fails when one finds a crash.
#   scripts/fuzz.sh [seconds per target (default 20)] [target ...]
# Crash inputs are kept in build/fuzz/crashes/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift || true

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j4

if [ "$#" -gt 0 ]; then
  targets=("$@")
else
  mapfile -t targets < <(grep -v '^$' build/fuzz/fuzz-targets.txt)
fi

failed=()
for t in "${targets[@]}"; do
  corpus=build/fuzz/corpus/$t
  crashes=build/fuzz/crashes/$t
  mkdir -p "$corpus" "$crashes"
  seeds=()
  if [ -d "fuzz/corpus/$t" ]; then seeds=("fuzz/corpus/$t"); fi
  echo "fuzz: $t for ${seconds}s"
  # An input that hangs is a finding (-timeout); the whole run is bounded too.
  if ! timeout --verbose --kill-after=10 $((seconds + 120)) build/fuzz/fuzz/"$t" \
      -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$crashes/" "$corpus" "${seeds[@]}" 2> "build/fuzz/$t.log"; then
    tail -n 60 "build/fuzz/$t.log"
    if grep -q '^timeout: sending signal' "build/fuzz/$t.log"; then
      echo "fuzz: $t still ran $((seconds + 120))s after it started and was ended"
    fi
    failed+=("$t")
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "build/fuzz/$t.log" | sed "s/^/  /"
done

if [ "${#failed[@]}" -gt 0 ]; then
  echo "fuzz: crash or hang in ${failed[*]} (inputs in build/fuzz/crashes/)"
  exit 1
fi
echo "fuzz: all targets ran clean"
