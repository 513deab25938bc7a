"""The wheels as users get them: the Linux one installed with pip into a fresh virtual
environment (no numpy there) and used; the Windows one's loader logic (file search,
kolmctl.exe and its answers) against its 64-bit DLLs and kolmctl.exe under
64-bit Wine. No Windows Python runs here, so ctypes never loads the DLLs themselves."""

import os
import shutil
import subprocess
import sys
import zipfile
from pathlib import Path

import pytest

from conftest import FAKE_PARPORT, LINUX_DIST, ROOT, WINDOWS_BUILD, WINDOWS_DIST, need, run_python

sys.path.insert(0, str(ROOT / "python"))
import make_wheel  # noqa: E402


def test_the_linux_wheel_installs_into_a_fresh_venv_and_drives_the_box(tmp_path):
    need(LINUX_DIST / "kolmctl")
    wheel = make_wheel.make("linux-x86_64", LINUX_DIST, tmp_path)
    assert make_wheel.make("linux-x86_64", LINUX_DIST, tmp_path / "again").read_bytes() == wheel.read_bytes()
    venv = tmp_path / "venv"
    subprocess.run(["/usr/bin/python3", "-m", "venv", str(venv)], check=True)
    subprocess.run([str(venv / "bin/pip"), "install", "-q", "--no-index", str(wheel)], check=True)
    out = run_python("print(kolm.open('LPT1'))\n"
                     "print(kolm.open('LPT2').capture(channels=(1,), count=1).counts)\n",
                     python=str(venv / "bin/python"), source=False, FAKE_PARPORT_BASES="0x378,0x278:5:709")
    site = next(venv.glob("lib/python3*/site-packages"))
    assert out.splitlines() == [f"<kolm.Box 'KOLM en LPT1:' from {site}/kolm/plugins/kolmlpt1.so (open)>",
                                "[[709.0]]"]  # lists: numpy is not in the venv
    # `kolmctl` on the venv's PATH runs the bundled one; `python -m kolm` shows what kolm
    # finds and kolmctl's ports, behind the stand-in parport driver.
    env = dict(os.environ, PATH=f"{venv}/bin:/usr/bin:/bin", LD_PRELOAD=str(FAKE_PARPORT),
               FAKE_PARPORT_BASES="0x378")
    env = {k: v for k, v in env.items() if k not in ("KOLMCTL", "KOLM_PLUGIN_DIR", "PYTHONPATH")}
    ran = [subprocess.run(args, env=env, capture_output=True, text=True, timeout=120, check=True).stdout
           for args in (["kolmctl", "kolmsim", "info"], [str(venv / "bin/python"), "-m", "kolm"])]
    assert f"file:      {site}/kolm/plugins/kolmsim.so " in ran[0]
    assert [line.split() for line in ran[1].splitlines()[1:4]] == [
        [name, f"{site}/kolm/plugins/{stem}.so"] for name, stem in (("LPT1", "kolmlpt1"), ("LPT2", "kolmlpt2"),
                                                                   ("SIM", "kolmsim"))]
    assert "parport0" in ran[1].split("ports):")[1]


def test_the_source_trees_interface_module_is_the_one_the_wheel_gets(tmp_path, monkeypatch):
    # The facts' one list changed without `python/make_wheel.py --interface`?
    assert (ROOT / "python" / make_wheel.INTERFACE).read_text() == make_wheel.interface_module()
    (tmp_path / "facts.txt").write_text("relays four  the relays\n")
    monkeypatch.setattr(make_wheel, "FACTS", tmp_path / "facts.txt")
    with pytest.raises(SystemExit, match="not a fact"):
        make_wheel.interface_module()


@pytest.fixture
def windows_wheel(tmp_path):
    """The Windows wheel, unpacked; kolm imported from it as on Windows."""
    need(WINDOWS_DIST / "kolmctl.exe")
    wheel = make_wheel.make("windows-x64", WINDOWS_DIST, tmp_path)
    assert wheel.name.endswith("-py3-none-win_amd64.whl")
    zipfile.ZipFile(wheel).extractall(tmp_path / "site")
    return tmp_path / "site"


def run_as_windows(site: Path, code: str, **env: str) -> str:
    environment = {k: v for k, v in os.environ.items() if not k.startswith("KOLM")}
    environment.update(PYTHONPATH=str(site), **env)
    done = subprocess.run([sys.executable, "-c", "import sys; sys.platform = 'win32'\nimport kolm\n" + code],
                          env=environment, capture_output=True, text=True, timeout=300, check=False)
    assert done.returncode == 0, done.stdout + done.stderr
    return done.stdout


def test_the_windows_wheel_finds_its_dlls_and_kolmctl(windows_wheel):
    out = run_as_windows(windows_wheel, "from kolm import _files, _plugin_lookup\n"
                         "path = _plugin_lookup.find_plugin('LPT2')\n"
                         "print(path.relative_to(sys.path[1]), _files.find_kolmctl(path.parent).name)")
    assert out == "kolm/plugins/kolmlpt2.dll kolmctl.exe\n"


def test_the_windows_wheels_kolmctl_answers_the_package_under_wine(windows_wheel, tmp_path):
    need(WINDOWS_BUILD / "tests/windows/with-helper/inpoutx64.dll")
    # kolmctl.exe under 64-bit Wine, Linux paths given as Wine's Z: drive.
    runner = tmp_path / "kolmctl"
    runner.write_text("#!/bin/sh\nexe=$1; shift\nfor a; do case $a in /*) a=Z:$a;; esac; set -- \"$@\" \"$a\"; shift; "
                      f"done\nexec {ROOT}/tests/windows/run-wine32.sh {WINDOWS_BUILD}/wine/prefix \"$exe\" \"$@\"\n")
    runner.chmod(0o755)
    plugins = windows_wheel / "kolm/plugins"
    code = ("from pathlib import Path\n"
            f"exe = {str(plugins / 'kolmctl.exe')!r}\n"
            "reason, advice = kolm._kolmctl.no_port_advice(Path(exe).parent / 'kolmlpt1.dll')\n"
            "print(reason); print(advice)\n"
            "print(kolm.ports().helper_open)\n")
    wrapper = tmp_path / "kolmctl-wine"
    wrapper.write_text(f"#!/bin/sh\nexec {runner} {plugins / 'kolmctl.exe'} \"$@\"\n")
    wrapper.chmod(0o755)
    out = run_as_windows(windows_wheel, code, KOLMCTL=str(wrapper))
    assert out.startswith("noHelper\n")
    assert "put the port helper inpoutx64.dll in the host program's folder" in out
    assert out.endswith("False\n")
    shutil.copy(WINDOWS_BUILD / "tests/windows/with-helper/inpoutx64.dll", plugins)
    assert run_as_windows(windows_wheel, "print(kolm.ports().helper_open)", KOLMCTL=str(wrapper)) == "True\n"
