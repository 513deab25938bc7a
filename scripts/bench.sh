#!/usr/bin/env bash
# Measures readings side by side in one run and writes docs/performance.md with the
# command behind each figure. Benchmarks, not tests: scripts/test.sh only builds them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target kolm_benchmarks reading_cost kolmctl kolmlpt1 kolmsim_plugin >/dev/null
# The ppdev figure: the x86-64 deliverable under the fake parallel-port driver.
cmake --preset linux-x86_64 >/dev/null
cmake --build --preset linux-x86_64 --target kolmlpt1 fake_parport ppdev_ioctls >/dev/null
bin=build/dev/bin
out=docs/performance.md
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

bench_cmd="$bin/kolm_benchmarks --benchmark_min_time=1 --benchmark_format=json"
$bench_cmd >"$tmp/bench.json" 2>/dev/null

n=100000
cg_cmd="valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file=OUT $bin/reading_cost plugin|loop $n"
for mode in plugin loop; do
  valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file="$tmp/cg.$mode" \
    "$bin/reading_cost" "$mode" "$n" 2>/dev/null
done

n_ppdev=10000
ppdev_cmd="LD_PRELOAD=build/linux-x86_64/lib/libfake_parport.so build/linux-x86_64/bin/ppdev_ioctls dist/linux-x86_64/kolmlpt1.so $n_ppdev"
env LD_PRELOAD=build/linux-x86_64/lib/libfake_parport.so \
  build/linux-x86_64/bin/ppdev_ioctls dist/linux-x86_64/kolmlpt1.so "$n_ppdev" >"$tmp/ppdev.txt"
ppdev() { awk -v key="$1" '$1 == key { print $2 }' "$tmp/ppdev.txt"; }

# A field of one benchmark's run, from the JSON report (one "key": value a line).
field() {
  awk -v name="$1" -v key="$2" '
    /"name":/ { cur = $0; sub(/.*"name": "/, "", cur); sub(/".*/, "", cur) }
    cur == name && $0 ~ "\"" key "\":" { v = $0; sub(/.*": /, "", v); sub(/,$/, "", v); print v; exit }' \
    "$tmp/bench.json"
}
per_reading() { awk -v t="$(awk '/^totals:/ {print $2}' "$tmp/cg.$1")" -v n="$n" 'BEGIN { printf "%.1f", t / n }'; }
mega() { awk -v v="$1" 'BEGIN { printf "%.2f M", v / 1e6 }'; }
num() { awk -v v="$1" 'BEGIN { printf "%g", v }'; }
ns() { awk -v v="$1" 'BEGIN { printf "%.1f", v }'; }

# Readings per second through kolmctl: the whole tool, the plug-in in its own process,
# CSV to /dev/null; the best of three runs.
n_ctl=400000
ctl_cmd="$bin/kolmctl build/dev/lib/kolmlpt1.so read --counts --csv --count $n_ctl --interval 0 >/dev/null"
ctl_best=0
for _ in 1 2 3; do
  t0=$(date +%s.%N)
  "$bin/kolmctl" build/dev/lib/kolmlpt1.so read --counts --csv --count "$n_ctl" --interval 0 >/dev/null
  t1=$(date +%s.%N)
  ctl_best=$(awk -v n="$n_ctl" -v a="$t0" -v b="$t1" -v best="$ctl_best" 'BEGIN { r = n / (b - a); print (r > best ? r : best) }')
done

# The schedule of a capture: 1,000 readings at 100 Hz through kolmctl, from the times
# it wrote (seconds from the start, to the microsecond). Slot k is due at k x 10 ms:
# the mean period is the span over 999 periods; lateness is each reading's time past
# its slot; drift compares the mean lateness of the last 100 readings with the first 100.
n_rate=1000
rate_cmd="$bin/kolmctl build/dev/lib/kolmlpt1.so read 0 --counts --csv --rate 100 --count $n_rate"
"$bin/kolmctl" build/dev/lib/kolmlpt1.so read 0 --counts --csv --rate 100 --count "$n_rate" 2>"$tmp/rate.err" |
  grep -v '^#' | tail -n +2 | cut -d, -f1 >"$tmp/rate.times"
read -r rate_n rate_mean rate_error rate_late rate_max rate_drift < <(awk -v p=0.01 '
  { t[NR - 1] = $1; late = $1 - (NR - 1) * p; sum += late; if (late > max) max = late
    if (NR <= 100) first += late; last[NR % 100] = late }
  END { n = NR; for (k in last) lastsum += last[k]
        mean = (t[n - 1] - t[0]) / (n - 1)
        printf "%d %.6f %.4f %.1f %.1f %.1f\n", n, mean * 1000, (mean - p) / p * 100, sum / n * 1e6, max * 1e6,
               (lastsum - first) / 100 * 1e6 }' "$tmp/rate.times")
rate_missed=$(sed -n 's/.*, \([0-9]*\) missed slots\{0,1\} .*/\1/p' "$tmp/rate.err")
rate_missed=${rate_missed:-0}
rate_verdict=$(awk -v e="$rate_error" 'BEGIN { print (e < 0 ? -e : e) <= 0.1 ? "met" : "NOT met" }')

ir_plugin=$(per_reading plugin)
ir_loop=$(per_reading loop)
ratio=$(awk -v a="$ir_plugin" -v b="$ir_loop" 'BEGIN { printf "%.2f", a / b }')
verdict=$(awk -v r="$ratio" 'BEGIN { print (r <= 1.2 ? "met" : "NOT met") }')

{
  echo "# Performance"
  echo
  echo "Written by \`bash scripts/bench.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC'), $(uname -sm),"
  echo "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores shared with other jobs:"
  echo "the times vary from run to run; the instruction and access counts do not. Build: the"
  echo "\`dev\` preset (RelWithDebInfo). The plug-in's own sources are linked into the benchmarks"
  echo "(\`bench/\`) with a port access the benchmark chooses: the simulated bench, whose box model"
  echo "decodes every clock edge, or a null backend whose accesses do nothing."
  echo
  echo "## Readings per second through EA(0)"
  echo
  echo "Command: \`$bench_cmd\`"
  echo
  echo "| what | readings per second | CPU ns per reading |"
  echo "|---|---|---|"
  for row in "EA0_Simulator:EA(0) on the simulated bench" "EA0_NullBackend:EA(0) on the null backend" \
             "HandLoop_NullBackend:hand-written loop, same 43 accesses, null backend"; do
    name=${row%%:*}
    echo "| ${row#*:} | $(mega "$(field "$name" items_per_second)") | $(ns "$(field "$name" cpu_time)") |"
  done
  echo
  echo "## Readings per second through kolmctl"
  echo
  echo "Command: \`$ctl_cmd\`, timed, best of three. Each reading is EA(0) and EA(1), made in the"
  echo "plug-in's own process (kolmctl's isolation) and written as a CSV line; back-to-back readings"
  echo "go 256 to an exchange with that process."
  echo
  echo "| what | readings per second |"
  echo "|---|---|"
  echo "| kolmctl read, simulated bench | $(mega "$ctl_best") |"
  echo
  echo "## The period of a capture at 100 Hz"
  echo
  echo "Command: \`$rate_cmd\`: the times of the CSV (seconds from the start, to the microsecond)."
  echo "kolmctl asks for reading k at start + k x 10 ms, waiting for each slot; a reading that could"
  echo "not start before the next slot would be counted as a missed slot. Lateness is each reading's"
  echo "time past its slot (the wake-up, the exchange with the plug-in's process and EA(0) itself);"
  echo "drift is the mean lateness of the last 100 readings less that of the first 100."
  echo
  echo "| readings | mean period | error (target within 0.1 %) | mean lateness | largest lateness | drift over 10 s | missed slots |"
  echo "|---|---|---|---|---|---|---|"
  echo "| $rate_n | $rate_mean ms | $rate_error %: $rate_verdict | $rate_late µs | $rate_max µs | $rate_drift µs | $rate_missed |"
  echo
  echo "## Instructions per reading (callgrind)"
  echo
  echo "Command, once with \`plugin\` and once with \`loop\`: \`$cg_cmd\`; only the $n readings"
  echo "are instrumented, and the figure is the instruction total divided by $n."
  echo
  echo "| what | instructions per reading |"
  echo "|---|---|"
  echo "| EA(0), null backend | $ir_plugin |"
  echo "| hand-written loop (\`bench/hand_loop.cpp\`), null backend | $ir_loop |"
  echo "| ratio (target at most 1.2) | $ratio: $verdict |"
  echo
  echo "## Port accesses and heap allocations per reading"
  echo
  echo "Command: as for readings per second (\`EA0_AccessesPerReading/<resolution>\`: a backend that"
  echo "only counts; heap allocations counted by a \`malloc\` hook around 1000 readings)."
  echo
  echo "| resolution | port accesses | expected, 3 + 4 x resolution | heap allocations |"
  echo "|---|---|---|---|"
  for r in 0 1 10 16; do
    name="EA0_AccessesPerReading/$r"
    echo "| $r | $(num "$(field "$name" accesses_per_reading)") | $(num "$(field "$name" expected)") | $(num "$(field "$name" allocs_per_reading)") |"
  done
  echo
  echo "Heap allocations per reading during the speed runs: simulated bench $(num "$(field EA0_Simulator allocs_per_reading)"),"
  echo "null backend $(num "$(field EA0_NullBackend allocs_per_reading)")."
  echo
  echo "## ioctls per port access on the ppdev path"
  echo
  echo "Command: \`$ppdev_cmd\`"
  echo
  echo "A host (\`bench/ppdev_ioctls.cpp\`) loads the x86-64 deliverable with the fake parallel-port"
  echo "driver preloaded (\`tests/linux/fake_parport.cpp\`: parport0 at 0x378, served from the simulated"
  echo "bench), so the plug-in claims /dev/parport0 and reaches the port through ppdev. It makes $n_ppdev"
  echo "readings through EA(0); the driver counts every ioctl, and its bench every port access they made."
  echo
  echo "| readings | port accesses | ioctls | ioctls per reading (43 accesses at resolution 10) | ioctls per port access (target exactly 1) |"
  echo "|---|---|---|---|---|"
  echo "| $(ppdev readings) | $(ppdev port_accesses) | $(ppdev ioctls) | $(ppdev ioctls_per_reading) | $(ppdev ioctls_per_access) |"
} >"$out"
# kolmctl serve streaming to two clients: its own script, ten minutes.
{
  echo
  bash scripts/bench_serve.sh
} >>"$out"
cat "$out"
