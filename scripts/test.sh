#!/usr/bin/env bash
# Sets up, builds with warnings as errors, and runs every test, then again under
# AddressSanitizer and UndefinedBehaviorSanitizer; then builds the 32-bit Windows DLLs
# into dist/windows-x86 and tests them under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
for preset in ci asan windows-x86; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
