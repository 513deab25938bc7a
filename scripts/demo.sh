#!/usr/bin/env bash
# Sets up, builds, and drives the simulated KOLM interface through the LPT1 plug-in
# with kolmctl, the way a technician checks a real one.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
lib=build/dev/lib/kolmlpt1.so
kolmctl=build/dev/bin/kolmctl
step() { printf '\n== %s\n' "$1"; }

step "The plug-in: $kolmctl $lib info"
"$kolmctl" "$lib" info
step "Its function directory: $kolmctl $lib list"
"$kolmctl" "$lib" list
step "Readings of both channels (the simulated box: a sine on channel 0, a ramp on channel 1)"
"$kolmctl" "$lib" read --count 8 --interval 400 --plot build/dev/readings.svg
step "Relays 2 and 3 switched on in one load: $kolmctl $lib relay 2 on then relay 3 on then relays"
"$kolmctl" "$lib" relay 2 on then relay 3 on then relays
printf '\nThe readings are charted in build/dev/readings.svg; "%s %s check" checks the plug-in.\n' "$kolmctl" "$lib"
