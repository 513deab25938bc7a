"""kolm against the x86-64 Linux deliverables behind the stand-in parport driver, each
run in a process of its own (the driver is preloaded, and each load is fresh)."""

from conftest import LINUX_DIST, run_python


def test_a_fresh_load_reads_the_box_and_records_the_relays_off():
    out = run_python(
        # The lines show relays 0 and 2 on, left by an earlier program.
        "fake.kolmsim_set_data(0x378, 0x05)\n"
        "box = kolm.open('LPT1')\n"
        "print(box.counts(0), box.counts(1), list(box.relays))\n"
        "box.relays[1] = True\n"
        "print(hex(fake.kolmsim_data(0x378)))\n"
        "print([(p.name, p.base, p.plugin) for p in kolm.ports()])\n",
        FAKE_PARPORT_BASES="0x378:682:341")
    assert out.splitlines() == [
        "682 341 [False, False, False, False]",
        "0x72",  # all four lines from the record (0 and 2 go off); the readings' closing 0x70 kept
        "[('parport0', 888, 'kolmlpt1.so')]",
    ]


def test_no_port_raises_with_kolmctls_advice():
    out = run_python(
        "try:\n"
        "    kolm.open('LPT2').counts(0)\n"
        "except kolm.NoPortAccess as e:\n"
        "    print(e.reason); print(e.advice)\n",
        FAKE_PARPORT_BASES="0x378")
    assert 'kolmlpt2.so answered "no value" (-777)' in out
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

