#!/usr/bin/env bash
# Sets up, builds the x86-64 Linux deliverables, installs them as the release lays them
# out (bin/, lib/<multiarch>/kolm/) in build/demo/kolm/, and drives kolmsim, the
# plug-in with a virtual box, with kolmctl, the way a teacher prepares a practical
# without a box: its demo signals, then the first practical, a capacitor charged
# through a resistor by relay 0; last, the lab page of that practical.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset linux-x86_64 >/dev/null
cmake --build --preset linux-x86_64 --target kolmlpt1 kolmlpt2 kolmsim_plugin kolmctl
out=build/demo
rm -rf "$out"
cmake --install build/linux-x86_64 --prefix "$out/kolm" >/dev/null
kolmctl=$out/kolm/bin/kolmctl
lib=$(find "$out/kolm/lib" -name kolmsim.so)
step() { printf '\n== %s\n' "$1"; }

step "The plug-in: $kolmctl $lib info"
"$kolmctl" "$lib" info
step "Its function directory: $kolmctl $lib list"
"$kolmctl" "$lib" list
step "Readings of both channels (no kolmsim.ini: a sine on channel 0, a ramp on channel 1)"
"$kolmctl" "$lib" read --count 8 --interval 400 --plot "$out/readings.svg"
step "Relays 2 and 3 switched on in one load, as the virtual box holds them: relay 2 on then relay 3 on then relays"
"$kolmctl" "$lib" relay 2 on then relay 3 on then relays

lesson=$out/lesson
mkdir -p "$lesson"
cp "$lib" "$lesson/"
cat >"$lesson/kolmsim.ini" <<'EOF'
; The first practical: a capacitor charged through a resistor while relay 0 is on.
[channel0]
signal=rc
tau=0.5        ; R x C, seconds
[channel1]
signal=square  ; a clock to compare with
offset=2.5
amplitude=2
frequency=1
EOF
step "The first practical ($lesson/kolmsim.ini): relay 0 on for 3 s (six time constants), then off"
"$kolmctl" "$lesson/kolmsim.so" info
"$kolmctl" "$lesson/kolmsim.so" relay 0 on then read 0 --count 30 --interval 100 --plot "$out/charge.svg" \
  then relay 0 off then read 0 --count 30 --interval 100 --plot "$out/discharge.svg"
printf '\nCharts: %s/readings.svg, %s/charge.svg, %s/discharge.svg; "%s %s check" checks the plug-in.\n' \
  "$out" "$out" "$out" "$kolmctl" "$lib"

step "The lab page of the practical: $kolmctl $lesson/kolmsim.so serve"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "The browser opens the page (switch relay 0 on to charge the capacitor); Ctrl-C stops kolmctl."
  "$kolmctl" "$lesson/kolmsim.so" serve --open
else
  # No display (a server, CI): the page's address, then kolmctl stops after 20 s (or on Ctrl-C).
  echo "No display: open the address below in a browser of this machine within 20 s."
  timeout --signal=INT --kill-after=10 20 "$kolmctl" "$lesson/kolmsim.so" serve || [ $? -eq 124 ]
fi
