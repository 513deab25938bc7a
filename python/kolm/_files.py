"""Where kolmctl is, and what kind of file a plug-in is, read from its
header before anything loads it (a 32-bit plug-in in a 64-bit Python must be named as
such, not fail inside the loader)."""

import os
import shutil
import struct
from pathlib import Path
from typing import Optional, Tuple

from ._errors import PluginError
from ._plugin_lookup import PACKAGE_FOLDER, _windows

#: Environment variable naming the kolmctl program to run for ports() and advice.
KOLMCTL_VARIABLE = "KOLMCTL"


def kolmctl_name() -> str:
    return "kolmctl.exe" if _windows() else "kolmctl"


def find_kolmctl(beside: Optional[Path] = None) -> Optional[Path]:
    """kolmctl: $KOLMCTL, beside the plug-in, beside this package's plug-ins, on PATH."""
    if os.environ.get(KOLMCTL_VARIABLE):
        return Path(os.environ[KOLMCTL_VARIABLE])
    for folder in ([beside] if beside else []) + [PACKAGE_FOLDER]:
        if (folder / kolmctl_name()).is_file():
            return folder / kolmctl_name()
    found = shutil.which(kolmctl_name())
    return Path(found) if found else None


_MACHINES = {("ELF", 3): "i386", ("ELF", 62): "x86-64", ("PE", 0x14C): "i386", ("PE", 0x8664): "x86-64"}


def file_kind(head: bytes) -> Tuple[str, str]:
    """("ELF" or "PE" or "", "i386" or "x86-64" or "other") from a file's first bytes."""
    if head[:4] == b"\x7fELF" and len(head) >= 20:
        machine = struct.unpack_from("<H", head, 18)[0]
        return "ELF", _MACHINES.get(("ELF", machine), "other")
    if head[:2] == b"MZ" and len(head) >= 64:
        at = struct.unpack_from("<I", head, 60)[0]
        if at + 6 <= len(head) and head[at:at + 4] == b"PE\0\0":
            machine = struct.unpack_from("<H", head, at + 4)[0]
            return "PE", _MACHINES.get(("PE", machine), "other")
    return "", "other"


def describe(kind: Tuple[str, str]) -> str:
    system = {"ELF": "Linux shared object (ELF)", "PE": "Windows DLL (PE)"}.get(kind[0])
    return f"{kind[1]} {system}" if system else "not a shared library"


def check_plugin_file(path: Path) -> None:
    """PluginError unless `path` is a shared library this Python process can load."""
    if not path.is_file():
        raise PluginError(f"{path} is not a plug-in: it is not a regular file")
    with open(path, "rb") as f:
        kind = file_kind(f.read(4096))
    if not kind[0]:
        raise PluginError(f"{path} is not a plug-in: not a shared library")
    bits = struct.calcsize("P") * 8
    want = ("PE" if _windows() else "ELF", "x86-64" if bits == 64 else "i386")
    if kind != want:
        raise PluginError(f"{path} is an {describe(kind)}; this {bits}-bit Python loads {describe(want)} files")
    if bits != 64:
        # The 32-bit plug-ins use the host program's register convention, which ctypes cannot call.
        raise PluginError(f"the kolm package needs a 64-bit Python (this one is {bits}-bit)")
