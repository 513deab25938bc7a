#!/usr/bin/env bash
# Sets up, builds with warnings as errors, and runs every test, then again under
# AddressSanitizer and UndefinedBehaviorSanitizer; then the Linux deliverables
# (x86-64, and i386 with its tests under qemu-i386), the 32-bit Windows DLLs tested
# under Wine; then fuzzes the entry points for a minute and runs clang-tidy and cppcheck.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
for preset in ci asan linux-x86_64 linux-x86 windows-x86; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
bash scripts/fuzz.sh 60
bash scripts/lint.sh
