#!/usr/bin/env python3
"""Makes the kolm wheel of one platform with the standard library alone: the package's
Python files plus that platform's plug-ins and kolmctl in kolm/plugins/, and the
console script `kolmctl` that runs the latter.

    make_wheel.py linux-x86_64 dist/linux-x86_64 OUT_DIR     kolm-V-py3-none-manylinux_2_34_x86_64.whl
    make_wheel.py windows-x64 dist/windows-x64 OUT_DIR       kolm-V-py3-none-win_amd64.whl

    make_wheel.py --interface                                rewrites kolm/_interface.py

kolm/_interface.py, the plug-in interface's facts, is made from the project's one list of
them (tools/kolmctl/interface_facts.txt), as the build makes kolmctl's header; the copy in
the source tree serves a kolm run from there, and python/tests checks that it is current.
The version is the project's (CMakeLists.txt), which kolm.__version__ must match. The
binaries are stripped as in the release's other packages (binutils' strip, where it is
installed); the zip's times are fixed, so two runs give the same bytes.
"""

import base64
import hashlib
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
# The Linux files need the C library of glibc 2.34 or later (the .deb says the same).
PLATFORMS = {
    "linux-x86_64": ("manylinux_2_34_x86_64", ["kolmlpt1.so", "kolmlpt2.so", "kolmsim.so", "kolmctl"], "strip"),
    "windows-x64": ("win_amd64", ["kolmlpt1.dll", "kolmlpt2.dll", "kolmsim.dll", "kolmctl.exe"],
                    "x86_64-w64-mingw32-strip"),
}
STAMP = (2026, 1, 1, 0, 0, 0)
FACTS = HERE.parent / "tools/kolmctl/interface_facts.txt"
INTERFACE = "kolm/_interface.py"


def project_version() -> str:
    text = (HERE.parent / "CMakeLists.txt").read_text()
    return re.search(r"project\(kolm VERSION ([0-9.]+)", text).group(1)


def interface_module() -> str:
    """kolm/_interface.py's text: a NAME = value line for each fact, its meaning above it."""
    text = '"""The plug-in interface\'s facts, made by python/make_wheel.py from\ntools/kolmctl/interface_facts.txt: edit that."""\n'
    for line in FACTS.read_text(encoding="utf-8").splitlines():
        if not line[:1].isalpha():
            continue
        fact = re.fullmatch(r'([a-z0-9_]+) +("[^"]*"|-?[0-9][0-9a-fA-Fx.]*) +(.+)', line)
        if not fact:
            sys.exit(f"make_wheel.py: {FACTS}: not a fact (name value what): {line}")
        text += f"\n#: {fact.group(3)}\n{fact.group(1).upper()} = {fact.group(2)}\n"
    return text


def metadata(version: str) -> str:
    readme = (HERE / "README.md").read_text(encoding="utf-8")
    return (f"Metadata-Version: 2.1\nName: kolm\nVersion: {version}\n"
            "Summary: The KOLM parallel-port acquisition box from Python (ctypes, through its plug-in)\n"
            "License: MIT\nRequires-Python: >=3.9\nProvides-Extra: numpy\nRequires-Dist: numpy; extra == \"numpy\"\n"
            "Provides-Extra: lesson\nRequires-Dist: matplotlib; extra == \"lesson\"\n"
            "Requires-Dist: pandas; extra == \"lesson\"\n"
            f"Description-Content-Type: text/markdown\n\n{readme}")


def stripped(source: Path, strip: str) -> bytes:
    if not shutil.which(strip):
        return source.read_bytes()
    with tempfile.TemporaryDirectory() as folder:
        copy = Path(folder) / source.name
        shutil.copyfile(source, copy)
        subprocess.run([strip, "--strip-unneeded", str(copy)], check=True)
        return copy.read_bytes()


def make(platform: str, files_from: Path, out: Path) -> Path:
    tag, binaries, strip = PLATFORMS[platform]
    version = project_version()
    init = (HERE / "kolm" / "__init__.py").read_text()
    if f'__version__ = "{version}"' not in init:
        sys.exit(f"make_wheel.py: kolm/__init__.py's __version__ is not the project's {version}")
    info = f"kolm-{version}.dist-info"
    entries = [(f"kolm/{p.name}", p.read_bytes(), 0o644) for p in sorted((HERE / "kolm").glob("*.py"))
               if f"kolm/{p.name}" != INTERFACE]
    entries.append((INTERFACE, interface_module().encode(), 0o644))
    for name in binaries:
        source = files_from / name
        if not source.is_file():
            sys.exit(f"make_wheel.py: {source} is missing: build the {platform} preset first")
        mode = 0o755 if name.startswith("kolmctl") else 0o644
        entries.append((f"kolm/plugins/{name}", stripped(source, strip), mode))
    entries.append((f"{info}/LICENSE", (HERE.parent / "LICENSE").read_bytes(), 0o644))
    entries.append((f"{info}/METADATA", metadata(version).encode(), 0o644))
    wheel = f"Wheel-Version: 1.0\nGenerator: kolm make_wheel.py\nRoot-Is-Purelib: false\nTag: py3-none-{tag}\n"
    entries.append((f"{info}/WHEEL", wheel.encode(), 0o644))
    # `kolmctl` on the environment's PATH: a script pip writes, which runs the bundled one.
    entries.append((f"{info}/entry_points.txt", b"[console_scripts]\nkolmctl = kolm.__main__:kolmctl\n", 0o644))
    record = ""
    for name, data, _ in entries:
        digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
        record += f"{name},sha256={digest},{len(data)}\n"
    record += f"{info}/RECORD,,\n"
    entries.append((f"{info}/RECORD", record.encode(), 0o644))

    out.mkdir(parents=True, exist_ok=True)
    path = out / f"kolm-{version}-py3-none-{tag}.whl"
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data, mode in entries:
            item = zipfile.ZipInfo(name, STAMP)
            item.external_attr = (0o100000 | mode) << 16
            item.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(item, data)
    return path


if __name__ == "__main__":
    if sys.argv[1:] == ["--interface"]:
        (HERE / INTERFACE).write_text(interface_module(), encoding="utf-8")
        sys.exit(0)
    if len(sys.argv) != 4 or sys.argv[1] not in PLATFORMS:
        sys.exit(f"usage: make_wheel.py {'|'.join(PLATFORMS)} FILES_FOLDER OUT_FOLDER")
    print(make(sys.argv[1], Path(sys.argv[2]), Path(sys.argv[3])))
