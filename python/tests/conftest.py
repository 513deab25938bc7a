"""What the kolm tests share: the built plug-ins, the simulated bench behind the native
ones (reached through ctypes, the very library the plug-in loads), and a run of Python
in a process of its own behind the stand-in parport driver."""

import ctypes
import os
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
DEV_LIB = ROOT / "build/dev/lib"
DEV_KOLMCTL = ROOT / "build/dev/bin/kolmctl"
LINUX_DIST = ROOT / "dist/linux-x86_64"
FAKE_PARPORT = ROOT / "build/linux-x86_64/lib/libfake_parport.so"
WINDOWS_DIST = ROOT / "dist/windows-x64"
WINDOWS_BUILD = ROOT / "build/windows-x64"
RULES = ROOT / "tests/rules"

sys.path.insert(0, str(ROOT / "python"))


def need(*paths: Path) -> None:
    for p in paths:
        if not p.exists():
            pytest.skip(f"{p} is not built (its preset first)")


def rules(name: str):
    """The rows of a table of tests/rules/ (kolmctl's tests read the same), each a dict,
    as pytest parameters named by their "what"."""
    lines = [line for line in (RULES / name).read_text().splitlines() if line and not line.startswith("#")]
    header = lines[0].split(";")
    rows = [dict(zip(header, line.split(";"))) for line in lines[1:]]
    return [pytest.param(row, id=row["what"]) for row in rows]


@pytest.fixture
def clock(monkeypatch):
    """A capture's clock that moves only when it sleeps (and when a test moves it): no
    slot is missed, however loaded the machine."""
    from kolm import _capture
    now = [0.0]
    monkeypatch.setattr(_capture, "_clock", lambda: now[0])
    monkeypatch.setattr(_capture, "_sleep", lambda s: now.__setitem__(0, now[0] + s))
    return now


@pytest.fixture
def sim(tmp_path, monkeypatch):
    """kolmsim's virtual box, a copy of its own whose inputs are constants: 682 and 341
    counts."""
    need(DEV_LIB / "kolmsim.so", DEV_KOLMCTL)
    shutil.copy(DEV_LIB / "kolmsim.so", tmp_path)
    (tmp_path / "kolmsim.ini").write_text("[channel0]\nsignal=constant\noffset=3.3301\n"
                                          "[channel1]\nsignal=constant\noffset=1.6651\n")
    monkeypatch.setenv("KOLM_PLUGIN_DIR", str(tmp_path))
    monkeypatch.setenv("KOLMCTL", str(DEV_KOLMCTL))
    import kolm
    with kolm.open("SIM") as b:
        yield b


@pytest.fixture
def bench(monkeypatch):
    """The simulated bench of the native plug-ins, powered up afresh: both boxes' inputs
    at 682 and 341 counts (a swapped channel, a reversed bit order or a missed inversion
    reads as another count)."""
    need(DEV_LIB / "kolmlpt1.so", DEV_KOLMCTL)
    monkeypatch.setenv("KOLM_PLUGIN_DIR", str(DEV_LIB))
    monkeypatch.setenv("KOLMCTL", str(DEV_KOLMCTL))
    sim = ctypes.CDLL(str(DEV_LIB / "libkolmsim.so"))
    sim.kolmsim_data.restype = ctypes.c_uint8
    sim.kolmsim_reset()
    for base in (0x378, 0x278):
        sim.kolmsim_set_count(base, 0, 682)
        sim.kolmsim_set_count(base, 1, 341)
    return sim


@pytest.fixture
def box(bench):
    import kolm
    with kolm.open("LPT1") as b:
        yield b


def run_python(code: str, python: str = sys.executable, source: bool = True, **env: str) -> str:
    """Runs `code` in a new process behind the stand-in parport driver (LD_PRELOAD):
    kolm from the source with the x86-64 deliverables found through KOLM_PLUGIN_DIR, or
    (source=False) as `python` has it installed. Its standard output."""
    need(FAKE_PARPORT, LINUX_DIST / "kolmlpt1.so")
    environment = {k: v for k, v in os.environ.items() if not k.startswith(("KOLM", "FAKE_PARPORT"))}
    environment.pop("PYTHONPATH", None)
    if source:
        environment.update(PYTHONPATH=str(ROOT / "python"), KOLM_PLUGIN_DIR=str(LINUX_DIST))
    environment.update(LD_PRELOAD=str(FAKE_PARPORT), **env)
    preamble = ("import ctypes, kolm\n"
                f"fake = ctypes.CDLL({str(FAKE_PARPORT)!r})\n"
                "fake.kolmsim_data.restype = ctypes.c_uint8\n")
    done = subprocess.run([python, "-c", preamble + code], env=environment, capture_output=True, text=True,
                          timeout=120, check=False)
    assert done.returncode == 0, done.stdout + done.stderr
    return done.stdout
