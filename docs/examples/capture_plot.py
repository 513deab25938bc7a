"""A 10 s capture of both inputs at 100 readings a second, drawn to a PNG file.

    python3 capture_plot.py [capture.png]
"""
import sys

import matplotlib

matplotlib.use("Agg")  # draw to a file, no window needed
import matplotlib.pyplot as plt  # noqa: E402

import kolm  # noqa: E402

out = sys.argv[1] if len(sys.argv) > 1 else "capture.png"
with kolm.open("LPT1") as box:
    capture = box.capture(channels=(0, 1), rate=100, duration=10)
    names = box.names.volts
times, counts, volts = capture

fig, ax = plt.subplots(figsize=(8, 4))
for column, channel in enumerate(capture.channels):
    ax.plot(times, volts[:, column], label=names[channel])  # a gap (NaN) breaks the line
ax.set_xlabel("time (s)")
ax.set_ylabel("volts")
ax.set_ylim(0, 5)
ax.set_title(f"{box.title} {capture.started:%Y-%m-%d %H:%M:%S}, {capture.rate:g} Hz")
ax.legend(loc="upper right")
ax.grid(True)
fig.savefig(out, dpi=100)
print(f"{len(capture)} slots, {capture.gaps} gaps, {capture.missed} missed -> {out}")
