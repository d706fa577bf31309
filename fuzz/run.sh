#!/usr/bin/env bash
# fuzz/run.sh SECONDS [TARGET...]
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs each one for SECONDS
# over a copy of its seed corpus. Any finding (a crash, a sanitizer report,
# a failed check, a run over 10 seconds, or a leak) fails the script; the
# input that caused it is kept in build-fuzz/findings/<target>/.
# FUZZ_WORK names the directory for the growing corpora (default: a fresh
# temporary one, removed afterwards); FUZZ_PARALLEL runs that many targets
# at a time (default 1).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: fuzz/run.sh SECONDS [TARGET...]}
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_catalog fuzz_lzw fuzz_fnexp fuzz_install)
parallel=${FUZZ_PARALLEL:-1}

build=$PWD/build-fuzz
cmake -S fuzz -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j"$(nproc 2>/dev/null || echo 2)" --target "${targets[@]}"

if [ -n "${FUZZ_WORK:-}" ]; then
  mkdir -p "$FUZZ_WORK"
  work=$(cd "$FUZZ_WORK" && pwd)
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi

run_one() {
  local target=$1
  local corpus=$work/$target
  local findings=$build/findings/$target
  mkdir -p "$corpus" "$findings"
  cp -n fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null || true
  # Leaks count as findings; a catalog's disk request loop or a stuck
  # expansion shows up as a timeout.
  "$build/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" >"$work/$target.log" 2>&1
}

report() {
  local target=$1 status=$2
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log" | tail -1)
  if [ "$status" = 0 ]; then
    echo "fuzz: $target: ${runs:-?} runs in ${seconds}s, no finding"
  else
    echo "fuzz: $target: FINDING after ${runs:-?} runs (input kept in $build/findings/$target/)"
    tail -40 "$work/$target.log"
  fi
}

failed=0
i=0
while [ $i -lt ${#targets[@]} ]; do
  pids=()
  batch=("${targets[@]:$i:$parallel}")
  for t in "${batch[@]}"; do
    run_one "$t" &
    pids+=($!)
  done
  for k in "${!batch[@]}"; do
    status=0
    wait "${pids[$k]}" || status=$?
    report "${batch[$k]}" "$status"
    [ "$status" = 0 ] || failed=1
  done
  i=$((i + parallel))
done
exit $failed
