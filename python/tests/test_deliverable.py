"""kolm against the x86-64 Linux deliverables behind the stand-in parport driver, each
run in a process of its own (the driver is preloaded, and each load is fresh)."""

import pytest
from conftest import LINUX_DIST, run_python


@pytest.mark.parametrize("kolmctl_finds, relays, lines, ports, warned", [
    # kolmctl reads the lines before the load: relay 2 stays on while relay 1 goes on.
    ("0x378:682:341", [False, False, True, False], "0x76", [("parport0", 888, "kolmlpt1.so")], ""),
    # kolmctl finds no port at 0x378: the switch drives all four lines from the fresh
    # record (relay 2 goes off) and says which it set off.
    ("0x3BC", [False, False, False, False], "0x72", [("parport0", 956, None)],
     "also set relais 0, relais 2 and relais 3 off"),
])
def test_a_switch_leaves_the_relays_nobody_named(tmp_path, kolmctl_finds, relays, lines, ports, warned):
    latches = str(tmp_path / "latches")
    out = run_python(
        # The lines show relay 2 on, left by an earlier program, in kolmctl's process too.
        "import os, warnings\n"
        "fake.kolmsim_set_data(0x378, 0x74)\n"
        f"fake.fake_parport_share_latches({latches!r}.encode())\n"
        f"os.environ.update(FAKE_PARPORT_LATCHES={latches!r}, FAKE_PARPORT_BASES={kolmctl_finds!r})\n"
        "box = kolm.open('LPT1')\n"
        "print(box.counts(0), box.counts(1), list(box.relays))\n"
        "with warnings.catch_warnings(record=True) as said:\n"
        "    warnings.simplefilter('always')\n"
        "    box.relays[1] = True\n"
        "print(hex(fake.kolmsim_data(0x378)))\n"
        "print([str(w.message) for w in said if w.category is kolm.RelaysSetOff])\n"
        "print([(p.name, p.base, p.plugin) for p in kolm.ports()])\n",
        FAKE_PARPORT_BASES="0x378:682:341")
    shown, switched, said, listed = out.splitlines()
    assert shown == f"682 341 {relays}"
    assert switched == lines  # the readings' closing 0x70 kept
    assert warned in said if warned else said == "[]"
    assert listed == str(ports)


def test_after_fork_the_child_leaves_the_parents_port_alone():
    out = run_python(
        "import os, signal, sys, threading\n"
        "box = kolm.open('LPT1')\n"
        "held, done = threading.Event(), threading.Event()\n"
        "def busy():  # another thread inside a call and a load as the process forks\n"
        "    with box._lib.lock, kolm._plugin._loading:\n"
        "        held.set(); done.wait()\n"
        "threading.Thread(target=busy).start(); held.wait()\n"
        "pid = os.fork()\n"
        "if pid == 0:\n"
        "    signal.alarm(60)  # a child caught in a lock ends, rather than outlive the test\n"
        "    for call in (lambda: box.counts(0), lambda: box.relays.__setitem__(0, True), lambda: kolm.open('LPT1')):\n"
        "        try:\n"
        "            call()\n"
        "        except kolm.KolmError as e:\n"
        "            print('child:', 'before it forked' in str(e))\n"
        "    kolm.open('LPT2').close()  # a file the parent never loaded is the child's own\n"
        "    sys.stdout.flush(); os._exit(0)\n"
        "os.waitpid(pid, 0); done.set()\n"
        "print('parent:', box.counts(0))\n",
        FAKE_PARPORT_BASES="0x378:682:341")
    assert out.splitlines() == ["child: True"] * 3 + ["parent: 682"]


def test_no_port_raises_with_kolmctls_advice():
    out = run_python(
        "try:\n"
        "    kolm.open('LPT2').counts(0)\n"
        "except kolm.NoPortAccess as e:\n"
        "    print(e.reason); print(e.code); print(e.advice)\n",
        FAKE_PARPORT_BASES="0x378")
    assert 'kolmlpt2.so answered "no value" (-777)' in out
    assert "\nnoPortAtBase\n" in out
    assert "No parallel port at 0x0278; the system has parport0 at 0x0378." in out


def test_a_held_port_answers_once_it_is_let_go():
    out = run_python(
        "fake.fake_parport_hold(0, b'cupsd')\n"
        "box = kolm.open('LPT1')\n"
        "try:\n"
        "    box.counts(0)\n"
        "except kolm.NoPortAccess as e:\n"
        "    print('held:', e.advice)\n"
        "fake.fake_parport_hold(0, None)\n"
        "print(box.counts(1))\n",
        FAKE_PARPORT_BASES="0x378:682:341", KOLMCTL=str(LINUX_DIST / "kolmctl"))
    assert out.startswith("held: ") and out.endswith("\n341\n")

