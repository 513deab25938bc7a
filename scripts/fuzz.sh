#!/usr/bin/env bash
# Builds the entry-point fuzzer (clang, libFuzzer, ASan, UBSan) and runs it for a
# bounded time from a copy of the committed corpus (fuzz/corpus/ is never written).
# A crash, a sanitizer report or a broken invariant fails the script; the input
# that did it is left in build/fuzz/run/artifacts/.
# Usage: bash scripts/fuzz.sh [SECONDS]    (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

run=build/fuzz/run
rm -rf "$run"
mkdir -p "$run/corpus" "$run/artifacts"
cp fuzz/corpus/* "$run/corpus/"

status=0
./build/fuzz/bin/kolm_fuzz_entry_points -max_total_time="$seconds" -timeout=10 \
  -print_final_stats=1 -artifact_prefix="$run/artifacts/" "$run/corpus" >"$run/log" 2>&1 || status=$?

runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$run/log")
if [ "$status" -ne 0 ]; then
  tail -n 60 "$run/log"
  echo "fuzz: FAILED after ${runs:-?} executions (log: $run/log, input: $run/artifacts/)" >&2
  exit 1
fi
grep -E '^#[0-9]+ +DONE' "$run/log" || true
echo "fuzz: $runs executions in ${seconds} s, no crash, no broken invariant"
