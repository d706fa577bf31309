#!/usr/bin/env bash
# Builds everything and runs every test: the suite, the suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer, and a short run of each
# fuzz target. Set KIT_QUICK=1 to run the plain suite only.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

KIT_NEED_FUZZ=1 scripts/setup.sh

echo "== build and test"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIT_TESTS=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

[ "${KIT_QUICK:-0}" = 1 ] && exit 0

echo "== build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKIT_SANITIZE=ON >/dev/null
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --output-on-failure -j"$jobs"

if [ -x fuzz/run.sh ]; then
  echo "== short fuzz runs"
  fuzz/run.sh "${KIT_FUZZ_SECONDS:-30}"
fi
