"""kolm against the native plug-in on the simulated bench: every reading is decoded by
the box model from the clock edges the plug-in really produced."""

import math
import re
import shutil
import subprocess
import sys
import threading
import time

import pytest

import kolm
from conftest import rules
from kolm import _capture

BASE = 0x378


def test_readings_are_the_box_counts(box):
    assert (box.counts(0), box.counts(1)) == (682, 341)
    assert box.volts(1) == 341 * 5 / 1024


def test_relays_drive_their_lines_and_read_back_the_record(box, bench):
    box.relays[2] = True
    box.relays[1] = True
    box.relays[2] = False
    assert bench.kolmsim_data(BASE) & 0x0F == 0x02
    assert list(box.relays) == [False, True, False, False]
    with pytest.raises(IndexError):
        box.relays[4] = True


def test_restore_and_reinit_write_the_port_byte(box, bench):
    box.counts(0)
    bench.kolmsim_set_data(BASE, 0x05)
    box.reinit()
    assert bench.kolmsim_data(BASE) == 0xB5
    box.restore()
    assert bench.kolmsim_data(BASE) == 0x05


def test_texts_are_windows_1252(box):
    assert box.title == "KOLM en LPT1:"
    assert "20 février 2001" in box.detail
    assert box.names.reinit == "Réinitialisation"
    assert box.names.volts == ("tension voie 0", "tension voie 1")
    assert box.directory[13] == "PURE PASCAL asciiz Detail()"


def test_a_capture_with_a_gap_goes_on(box, bench, clock):
    # Each reading of one channel is 43 port accesses: the 4th reading's second one fails.
    bench.kolmsim_fail_accesses(3 * 43 + 2, 1, 3)
    times, counts, volts = capture = box.capture(channels=(0,), rate=100, count=8)
    assert (capture.gaps, len(capture)) == (1, 8)
    assert math.isnan(counts[3][0]) and math.isnan(volts[3][0])
    assert all(counts[k][0] == 682 for k in range(8) if k != 3)
    assert volts[0][0] == 682 * 5 / 1024 and list(times) == sorted(times)


@pytest.mark.parametrize("row", rules("gaps.csv"))
def test_the_gaps_of_each_rules_row(box, bench, clock, tmp_path, row):
    channels = tuple(int(c) for c in row["channels"].split())
    reading, channel, n = (int(v) for v in row["unanswered"].split(":"))
    # 43 port accesses a channel; an unanswered reading stops at its first.
    bench.kolmsim_fail_accesses((reading * len(channels) + channel) * 43 + 1, n, 3)
    if row["gaps"] == "no port":
        with pytest.raises(kolm.NoPortAccess):
            box.capture(channels, rate=100, count=int(row["readings"]))
        return
    capture = box.capture(channels, rate=100, count=int(row["readings"]))
    capture.to_csv(tmp_path / "gaps.csv")
    written = (tmp_path / "gaps.csv").read_text().splitlines()
    assert [line.split(",", 1)[1] for line in written[5:]] == row["rows"].split("|")
    assert capture.gaps == int(row["gaps"])


def test_a_late_reading_gives_its_missed_slot_up(box, monkeypatch, clock):
    reading, calls = box._reading, []

    def slow_third(channel):  # the third reading takes two and a half periods
        calls.append(channel)
        if len(calls) == 3:
            clock[0] += 2.5 * 0.01
        return reading(channel)

    monkeypatch.setattr(box, "_reading", slow_third)
    times, counts, _ = capture = box.capture(channels=(1,), rate=100, count=6)
    assert (capture.missed, capture.gaps, len(calls), len(capture)) == (1, 0, 5, 5)
    # Slot 3 has no row; slot 4, due at 0.04, is taken at once, late.
    assert list(times) == pytest.approx([0, 0.01, 0.02 + 0.025, 0.045, 0.05])
    assert [row[0] for row in counts] == [341] * 5


@pytest.mark.parametrize("row", rules("schedules.csv"))
def test_the_schedule_of_each_rules_row(sim, clock, tmp_path, row):
    asked = {k: (int if k == "count" else float)(row[k]) for k in ("rate", "duration", "count") if row[k]}
    if row["slots"] == "refused":
        with pytest.raises(ValueError):
            sim.capture((0,), **asked)
        return
    capture = sim.capture((0,), **asked)
    assert (len(capture), capture.missed) == (int(row["slots"]), 0)
    capture.to_csv(tmp_path / "c.csv")
    lines = (tmp_path / "c.csv").read_text().splitlines()
    schedule = f"# schedule: {row['schedule']}" if row["schedule"] else "time_s,ch0_counts,ch0_volts"
    assert lines[2 if row["schedule"] else 0] == schedule


def test_the_schedule_keeps_its_slots_as_kolmctl_does():
    schedule, what = None, None
    for row in (p.values[0] for p in rules("missed_slots.csv")):
        if row["what"] != what:
            schedule, what = _capture.Schedule(100.0, 0.01, int(row["slots"])), row["what"]
        slot = schedule.next(float(row["now"]))
        assert (slot[0] if slot else -1, schedule.missed) == (int(row["slot"]), int(row["missed"])), what
        assert slot is None or slot[1] == pytest.approx(float(row["at"])), what


CALIBRATION = "[channel 0]\nname=T\nunit=\u00b0C\na=20\nb=-10\n[channel 1]\nname=pH;x,y\nunit=pH\na=-2.5\nb=7.25\n"


@pytest.mark.parametrize("french, count, calibrated, ini, folder", [
    (False, 3, False, CALIBRATION, "."), (True, 3, False, "", "."), (False, 1, False, "", "."),
    (False, 3, True, CALIBRATION, "."), (True, 3, True, CALIBRATION, "."), (False, 1, True, CALIBRATION, "."),
    (False, 3, True, "[channel 1]\nname=pH\n", "."), (True, 3, True, "; none\n", "."),
    (True, 3, True, CALIBRATION, "user/kolm"),  # none beside the plug-in: the user's
    (False, 3, True, "[channel 0]\nname=T\na=20 V\n", "."),  # refused by both, naming the line
], ids=["csv", "csv-fr", "one", "calibrated", "calibrated-fr", "one-calibrated", "channel-1", "none", "user's",
        "bad-line"])
def test_to_csv_writes_what_kolmctl_writes(sim, clock, tmp_path, monkeypatch, french, count, calibrated, ini,
                                           folder):
    from conftest import DEV_KOLMCTL
    monkeypatch.delenv("APPDATA", raising=False)
    monkeypatch.setenv("XDG_CONFIG_HOME", str(tmp_path / "user"))
    (tmp_path / folder).mkdir(parents=True, exist_ok=True)
    (tmp_path / folder / "kolmcal.ini").write_text(ini, encoding="utf-8")
    done = subprocess.run([str(DEV_KOLMCTL), str(sim.path), "read", "--csv-fr" if french else "--csv", "--rate",
                           "100", "--count", str(count)] + ["--calibrated"] * calibrated, capture_output=True)
    capture = sim.capture(rate=100, count=count)
    if done.returncode:
        assert "kolmcal.ini line 3: a must be a number" in done.stderr.decode()
        for refused in (lambda: capture.to_csv(tmp_path / "kolm.csv", calibrated=True), lambda: sim.calibration):
            with pytest.raises(kolm.KolmError, match="kolmcal.ini line 3: a must be a number"):
                refused()
        return
    if ini == CALIBRATION:
        assert sim.calibration == (kolm.Calibration("T", "\u00b0C", 20, -10),
                                   kolm.Calibration("pH;x,y", "pH", -2.5, 7.25))
    capture.to_csv(tmp_path / "kolm.csv", french=french, calibrated=calibrated)
    sep = ";" if french else ","

    def same_times(text):  # the times and the start differ from run to run; a row a reading, all alike
        lines = [re.sub(r"^[0-9]+[.,][0-9]{6}" + sep, "T" + sep, re.sub("^# start: .*", "# start", line))
                 for line in text.splitlines()]
        head = next(k for k, line in enumerate(lines) if line.startswith("time_s")) + 1
        return lines[:head], set(lines[head:])  # kolmctl may have missed a slot on a loaded machine

    assert same_times((tmp_path / "kolm.csv").read_text(encoding="utf-8")) == same_times(done.stdout.decode())


def test_plot_live_draws_each_reading_and_the_capture_converts(sim, clock, monkeypatch):
    matplotlib = pytest.importorskip("matplotlib")
    matplotlib.use("Agg")
    seen = []
    sim.capture(count=2, callback=seen.append)
    capture = kolm.plot_live(sim, (1, 0), rate=50, count=4)
    lines = capture.figure.axes[0].get_lines()
    assert [list(line.get_ydata()) for line in lines] == [list(capture.volts[:, k]) for k in (0, 1)]
    assert list(lines[0].get_xdata()) == list(capture.times) and len(capture) == 4
    assert [r.counts for r in seen] == [(682.0, 341.0)] * 2
    frame = capture.to_dataframe()
    assert list(frame.columns) == ["time_s", "ch1_counts", "ch1_volts", "ch0_counts", "ch0_volts"]
    assert list(frame["ch0_counts"]) == [682.0] * 4
    monkeypatch.setitem(sys.modules, "pandas", None)
    with pytest.raises(ImportError, match="pip install pandas"):
        capture.to_dataframe()


def test_no_port_is_an_exception_and_the_next_call_tries_again(box, bench):
    bench.kolmsim_fail_accesses(1, 0xFFFFFFFF, 3)
    for attempt in (lambda: box.counts(0), lambda: box.volts(1), lambda: box.capture(count=3),
                    lambda: box.relays.__setitem__(0, True)):
        with pytest.raises(kolm.NoPortAccess, match="-777"):
            attempt()
    bench.kolmsim_fail_accesses(0, 0, 3)
    assert box.counts(0) == 682


def test_two_threads_never_call_at_once(box):
    # Interleaved port accesses would clock two readings into one: wrong counts.
    seen = []
    threads = [threading.Thread(target=lambda: seen.extend(box.counts(0) for _ in range(300))) for _ in range(2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert seen == [682] * 600


def test_one_object_per_load_and_settings_checked(box):
    with pytest.raises(kolm.KolmError, match="already open"):
        kolm.open("LPT1")
    for bad in ({"channels": (0, 0)}, {"channels": (2,)}, {"rate": 0}, {"duration": -1}, {"count": 1.5}):
        with pytest.raises(ValueError):
            box.capture(**bad)
    with pytest.raises(ValueError):
        box.counts(2)
    box.close()
    with pytest.raises(kolm.KolmError, match="closed"):
        box.counts(0)


def i386_elf(tmp_path):
    path = tmp_path / "kolmlpt1_i386.so"
    path.write_bytes(b"\x7fELF\x01" + bytes(13) + b"\x03\x00" + bytes(44))
    return path


@pytest.mark.parametrize("make, says", [
    (lambda tmp: tmp / "none.so", "no such file"),
    (lambda tmp: (tmp / "text.so").write_text("not a library") and tmp / "text.so", "not a shared library"),
    (i386_elf, "is an i386 Linux shared object"),
    (lambda tmp: __import__("conftest").DEV_LIB / "libkolmsim.so", "exports no DLLFunctionDirectory"),
])
def test_a_wrong_file_is_a_plugin_error(bench, tmp_path, make, says):
    with pytest.raises(kolm.PluginError, match=says):
        kolm.open(str(make(tmp_path)))


def test_sim_is_the_virtual_box_with_the_signals_beside_it(tmp_path, monkeypatch):
    """kolm.open("SIM"): kolmsim, its inputs the constants of its kolmsim.ini and an RC
    circuit (tau 1 us) that relay 2 charges; a bad kolmsim.ini is NoPortAccess with the
    line at fault."""
    from conftest import DEV_KOLMCTL, DEV_LIB, need
    need(DEV_LIB / "kolmsim.so", DEV_KOLMCTL)
    shutil.copy(DEV_LIB / "kolmsim.so", tmp_path)
    ini = tmp_path / "kolmsim.ini"
    ini.write_text("[channel0]\nsignal=constant\noffset=3.3301\n[channel1]\nsignal=rc\ntau=1e-6\nrelay=2\n")
    monkeypatch.setenv("KOLM_PLUGIN_DIR", str(tmp_path))
    monkeypatch.setenv("KOLMCTL", str(DEV_KOLMCTL))
    with kolm.open("SIM") as box:
        assert box.title == "KOLM simul\xe9"
        assert (box.counts(0), box.counts(1)) == (682, 0)
        box.relays[2] = True
        time.sleep(0.001)  # a thousand time constants
        assert box.counts(1) == 1023
    bad = tmp_path / "bad"  # another file: the one above stays loaded in this process
    bad.mkdir()
    shutil.copy(DEV_LIB / "kolmsim.so", bad)
    (bad / "kolmsim.ini").write_text("[channel0]\nsignal=sinus\n")
    monkeypatch.setenv("KOLM_PLUGIN_DIR", str(bad))
    with kolm.open("SIM") as box, pytest.raises(kolm.NoPortAccess, match="kolmsim.ini line 2"):
        box.counts(0)
