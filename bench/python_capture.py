#!/usr/bin/env python3
"""A capture from Python on kolmsim's virtual box: both channels at RATE Hz for SECONDS s
(scripts/bench.sh: 1000 Hz for 60 s), on kolm's schedule. Prints one "key value" a line:
the readings, the missed slots, the gaps, and the lateness of the readings past their
slots (mean and largest, in microseconds).

    KOLM_PLUGIN_DIR=build/dev/lib PYTHONPATH=python python3 bench/python_capture.py 1000 60
"""
import sys

import kolm

rate, seconds = float(sys.argv[1]), float(sys.argv[2])
late = []
with kolm.open("SIM") as box:
    capture = box.capture(channels=(0, 1), rate=rate, duration=seconds,
                          callback=lambda r: late.append(r.time - r.slot / rate))
print("readings", len(capture))
print("missed", capture.missed)
print("gaps", capture.gaps)
print(f"late_mean_us {sum(late) / len(late) * 1e6:.1f}")
print(f"late_max_us {max(late) * 1e6:.1f}")
