#!/usr/bin/env bash
# Sets up, builds with warnings as errors, and runs every test, then again under
# AddressSanitizer and UndefinedBehaviorSanitizer; then the Linux deliverables
# (x86-64, and i386 with its tests under qemu-i386), the 32-bit Windows DLLs tested
# under Wine, each with its release packages tested; makes the release (dist/release/)
# from the same build folders; then fuzzes the entry points for a minute and runs
# clang-tidy and cppcheck.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
for preset in ci asan linux-x86_64 linux-x86 windows-x86; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
bash scripts/release.sh
# kolmctl for i386 on the simulated interface, run under qemu-i386: the register
# convention end to end (its test suites are the native build's).
cmake --preset kolmctl-i386 >/dev/null
cmake --build --preset kolmctl-i386
ctest --test-dir build/kolmctl-i386/tools/kolmctl --output-on-failure
bash scripts/fuzz.sh 60
bash scripts/lint.sh
