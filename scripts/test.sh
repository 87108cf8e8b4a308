#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer/UBSan and warnings as
# errors, checks the README's Layout table against the build, and runs every
# test: alone under CTest, then every test program whole.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh ci
# The README's Layout table against the targets and what they link.
python3 scripts/check-layout.py
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --preset ci
bash scripts/test-whole.sh ci
