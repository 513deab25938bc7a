"""kolm against the native plug-in on the simulated bench: every reading is decoded by
the box model from the clock edges the plug-in really produced."""

import math
import shutil
import threading
import time

import pytest

import kolm
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


def test_a_capture_with_a_gap_goes_on(box, bench):
    # Each reading of one channel is 43 port accesses: the 4th reading's second one fails.
    bench.kolmsim_fail_accesses(3 * 43 + 2, 1, 3)
    times, counts, volts = capture = box.capture(channels=(0,), rate=100, count=8)
    assert (capture.gaps, len(capture)) == (1, 8)
    assert math.isnan(counts[3][0]) and math.isnan(volts[3][0])
    assert all(counts[k][0] == 682 for k in range(8) if k != 3 and not math.isnan(counts[k][0]))
    assert volts[0][0] == 682 * 5 / 1024 and list(times) == sorted(times)


def test_a_late_reading_counts_its_missed_slot(box, monkeypatch):
    now = [0.0]
    monkeypatch.setattr(_capture, "_clock", lambda: now[0])
    monkeypatch.setattr(_capture, "_sleep", lambda s: now.__setitem__(0, now[0] + s))
    reading, calls = box._reading, []

    def slow_third(channel):  # the third reading takes two and a half periods
        calls.append(channel)
        if len(calls) == 3:
            now[0] += 2.5 * 0.01
        return reading(channel)

    monkeypatch.setattr(box, "_reading", slow_third)
    times, counts, _ = capture = box.capture(channels=(1,), rate=100, count=6)
    assert (capture.missed, capture.gaps, len(calls)) == (1, 0, 5)
    assert math.isnan(counts[3][0]) and times[3] == pytest.approx(0.03)
    assert [counts[k][0] for k in (0, 1, 2, 4, 5)] == [341] * 5


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
    for bad in ({"channels": (0, 0)}, {"channels": (2,)}, {"rate": 0}, {"duration": -1}, {"count": 0}):
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
