"""Both inputs at 100 readings a second for 10 s, drawn as they come, then saved to a
PNG file and, as kolmctl writes it, to a CSV file beside it. The box: the virtual one
("SIM") unless another is named.

    python3 capture_plot.py [capture.png] [SIM|LPT1|LPT2|PLUGIN-FILE]
"""
import sys

import matplotlib

matplotlib.use("Agg")  # draw to a file, no window needed; in a notebook leave this out
import kolm  # noqa: E402

out = sys.argv[1] if len(sys.argv) > 1 else "capture.png"
with kolm.open(sys.argv[2] if len(sys.argv) > 2 else "SIM") as box:
    capture = kolm.plot_live(box, channels=(0, 1), rate=100, duration=10)
capture.figure.savefig(out, dpi=100)
capture.to_csv(out.rsplit(".", 1)[0] + ".csv")
print(f"{len(capture)} readings, {capture.gaps} gaps, {capture.missed} missed -> {out}")
