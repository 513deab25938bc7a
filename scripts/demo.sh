#!/usr/bin/env bash
# Sets up, builds, and reads the simulated KOLM interface through the LPT1 plug-in.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
lib=build/dev/lib/kolmlpt1.so
./build/dev/bin/kolmctl "$lib" info
./build/dev/bin/kolmctl "$lib" read 6
