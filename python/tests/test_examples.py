"""The guide's two examples (docs/examples/) run as a reader runs them, on the virtual
box of kolmsim and on the native plug-in on the simulated bench: input 0 of either is a
10 s sine of 0.5 to 4.5 V."""

import os
import subprocess
import sys

from conftest import DEV_KOLMCTL, DEV_LIB, ROOT, need


def run_example(name, *args):
    need(DEV_LIB / "kolmlpt1.so", DEV_LIB / "kolmsim.so")
    env = dict(os.environ, PYTHONPATH=str(ROOT / "python"), KOLM_PLUGIN_DIR=str(DEV_LIB), KOLMCTL=str(DEV_KOLMCTL))
    done = subprocess.run([sys.executable, str(ROOT / "docs/examples" / name), *args], env=env,
                          capture_output=True, text=True, timeout=120, check=False)
    assert done.returncode == 0, done.stderr
    return done.stdout


def test_capture_plot_draws_ten_seconds_to_png(tmp_path):
    png = tmp_path / "capture.png"
    out = run_example("capture_plot.py", str(png))  # the virtual box
    readings, missed = int(out.split()[0]), int(out.split()[4])
    assert readings + missed == 1000 and png.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
    assert (tmp_path / "capture.csv").read_text().count("\n") == 5 + readings
    assert png.stat().st_size > 10000  # axes, two traces and their labels, not an empty frame


def test_relay_threshold_switches_on_and_off_as_input_0_crosses():
    # "  1.23 s  3.004 V  relay 0 on": from off, on above 3 V, then off below 2 V, in turn.
    # Input 0 passes 3 V within any 10 s of its cycle, so there is at least one switch.
    lines = run_example("relay_threshold.py", "10", "LPT1").splitlines()
    switches = [(float(line.split()[2]), line.split()[-1]) for line in lines]
    assert [state for _, state in switches] == ["on", "off"] * (len(switches) // 2) + ["on"] * (len(switches) % 2)
    assert switches and all(v > 3.0 if state == "on" else v < 2.0 for v, state in switches)
