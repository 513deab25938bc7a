#!/usr/bin/env bash
# Sets up, builds with warnings as errors, and runs every test of each preset (the
# README's table): the native build on the simulated interface, the same under
# AddressSanitizer and UndefinedBehaviorSanitizer, the Linux deliverables (x86-64, and
# i386 with kolmctl, tested under qemu-i386), the 32-bit and 64-bit Windows DLLs and
# kolmctl.exe tested under Wine, each deliverable build with its release packages
# tested (the amd64 package installed for real, as root), then the Python package
# (pytest); runs both Linux builds on a real kernel under QEMU; makes the release
# (dist/release/) from the same build folders; then fuzzes the entry points for a
# minute and runs clang-tidy, cppcheck and the layering check.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
for preset in dev asan linux-x86_64 linux-x86 windows-x86 windows-x64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
# The Python package (python/tests): on the dev build's simulated box, on the x86-64
# deliverables, its wheels, and the guide's examples. Debian's python3, where pytest is.
/usr/bin/python3 -m pytest -q -p no:cacheprovider python/tests
# The Linux deliverables of both builds on Debian's kernel under QEMU (tests/system/).
bash tests/system/run.sh
bash scripts/release.sh
bash scripts/fuzz.sh 60
bash scripts/lint.sh
