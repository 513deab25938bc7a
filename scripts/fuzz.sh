#!/usr/bin/env bash
# Builds the fuzzers (clang, libFuzzer, ASan, UBSan) and runs each for a bounded
# time from a copy of its committed corpus (fuzz/corpus*/ is never written): the
# entry points for SECONDS, kolmctl's readers of plug-in files and of directory
# texts, and the virtual box's signal files, for a quarter of that each (at least 10 s).
# A crash, a sanitizer report or a broken invariant fails the script; the input
# that did it is left in build/fuzz/run/<target>/artifacts/.
# Usage: bash scripts/fuzz.sh [SECONDS]    (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
quarter=$((seconds / 4 > 10 ? seconds / 4 : 10))

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

# fuzz TARGET CORPUS SECONDS
fuzz() {
  local target=$1 corpus=$2 time=$3
  local run=build/fuzz/run/$target
  rm -rf "$run"
  mkdir -p "$run/corpus" "$run/artifacts"
  cp "$corpus"/* "$run/corpus/"
  local status=0
  "./build/fuzz/bin/kolm_fuzz_$target" -max_total_time="$time" -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$run/artifacts/" "$run/corpus" >"$run/log" 2>&1 || status=$?
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$run/log")
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$run/log"
    echo "fuzz $target: FAILED after ${runs:-?} executions (log: $run/log, input: $run/artifacts/)" >&2
    exit 1
  fi
  grep -E '^#[0-9]+ +DONE' "$run/log" || true
  echo "fuzz $target: $runs executions in ${time} s, no crash, no broken invariant"
}

fuzz entry_points fuzz/corpus "$seconds"
fuzz plugin_files fuzz/corpus_plugin_files "$quarter"
fuzz directory_texts fuzz/corpus_directory_texts "$quarter"
fuzz signal_files fuzz/corpus_signal_files "$quarter"
