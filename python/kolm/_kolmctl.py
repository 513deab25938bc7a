"""What kolmctl knows of the machine's ports and of a plug-in file: the package runs the
kolmctl that ships with the plug-ins rather than keep a second copy of its discovery
(the kernel's parport files, ppdev, the port files, the Windows device classes and the
port helper, the kind of a file), so that both give the same facts and advice. It reads
the fields of kolmctl's JSON answers, never its messages."""

import json
import struct
import subprocess
from pathlib import Path
from typing import List, NamedTuple, Optional, Tuple

from ._errors import KolmError, PluginError
from ._files import find_kolmctl
from ._plugin_lookup import plugin_home

_TIMEOUT = 30


class Port(NamedTuple):
    """One parallel port the system knows, as ``kolmctl ports`` shows it."""

    name: str  #: "parport0", or "LPT3" on Windows
    description: str  #: the device file, or Windows' friendly name
    base: int  #: the data register's I/O address
    holder: Optional[str]  #: the program that holds the port now, if any
    device: str  #: whether /dev/parportN opens for this user
    group: Optional[str]  #: the group to join to open it
    plugin: Optional[str]  #: the plug-in file that drives this port as things stand
    todo: Optional[str]  #: else the one line that makes a plug-in drive it
    access: Optional[dict]  #: where access is missing, {"reason": kolmctl's word, "advice": the step}


class Ports(list):
    """The list of Port, with the machine's means of access: ``ppdev``, ``direct_io``,
    ``helper`` (the port helper DLL beside kolmctl.exe), ``helper_open`` and ``port_files``."""

    ppdev = False
    direct_io = False
    helper: Optional[str] = None
    helper_open = False
    port_files: List[dict] = []


def _run(program: Path, args: List[str]) -> Tuple[int, str, str]:
    try:
        done = subprocess.run([str(program)] + args, stdin=subprocess.DEVNULL, capture_output=True,
                              timeout=_TIMEOUT, check=False)
    except (OSError, subprocess.TimeoutExpired) as e:
        raise KolmError(f"cannot run {program}: {e}") from None
    return done.returncode, done.stdout.decode("utf-8", "replace"), done.stderr.decode("utf-8", "replace")


def parse_ports(text: str) -> Ports:
    """The answer of ``kolmctl ports --json``."""
    data = json.loads(text)
    ports = Ports(Port(**{f: p.get(f) for f in Port._fields}) for p in data["ports"])
    ports.ppdev, ports.direct_io = bool(data.get("ppdev")), bool(data.get("directIo"))
    ports.helper, ports.helper_open = data.get("helper"), bool(data.get("helperOpen"))
    ports.port_files = list(data.get("portFiles", []))
    return ports


def ports(plugins: Optional[str] = None) -> Ports:
    """The machine's parallel ports and which plug-in drives each, as ``kolmctl ports``
    lists them; port files are looked for in `plugins` (default: where kolm.open finds
    the plug-ins). Only looks: no port is opened, claimed or touched."""
    folder = Path(plugins) if plugins else plugin_home()
    program = find_kolmctl(folder)
    if program is None:
        raise KolmError("kolmctl was not found: install the kolm package of your system, or set KOLMCTL")
    args = ["ports", "--json"] + (["--plugins", str(folder)] if folder else [])
    code, out, err = _run(program, args)
    if code != 0:
        raise KolmError(f"kolmctl ports failed ({code}): {err.strip()}")
    return parse_ports(out)


def _facts(program: Optional[Path], args: List[str]) -> Optional[dict]:
    """kolmctl's JSON answer to `args`; None where kolmctl is not there or gives none."""
    if program is None:
        return None
    try:
        code, out, _ = _run(program, args)
        return json.loads(out) if code == 0 else None
    except (KolmError, ValueError):
        return None


def no_port_advice(plugin: Path) -> Tuple[str, str]:
    """Why `plugin` has no port and the one step kolmctl gives, from ``kolmctl PLUGIN info
    --json`` with the same file: (reason, advice), the reason a word such as "noPpdev" or
    "signalFile"; ("", "") when kolmctl is not there or reached the port itself."""
    facts = _facts(find_kolmctl(plugin.parent), [str(plugin), "info", "--json"])
    access = (facts or {}).get("access") or {}
    return access.get("reason") or "", access.get("advice") or ""


def before_load(plugin: Path) -> Optional[dict]:
    """What ``kolmctl lines PLUGIN --json`` finds without loading `plugin`: its kind, whether
    kolmctl's build loads it, and the relays on at its port (once loaded, the plug-in
    holds the port). None where kolmctl is not there."""
    return _facts(find_kolmctl(plugin.parent), ["lines", str(plugin), "--json"])


def relays_on(facts: Optional[dict]) -> Optional[Tuple[int, int]]:
    """(variant, bit k for relay k) from before_load's facts, the variant 1 or 2 as the
    file's name gives it. None where kolmctl could not read them."""
    if not facts or not facts.get("plugin") or facts.get("relays") is None:
        return None
    return int(facts["plugin"][-1]), sum(1 << k for k, on in enumerate(facts["relays"]) if on)


def check_plugin_file(path: Path, facts: Optional[dict]) -> None:
    """PluginError unless `path` is a shared library this Python process can load, as
    far as before_load's facts tell (a 32-bit plug-in in a 64-bit Python must be named
    as such, not fail inside the loader)."""
    if not path.is_file():
        raise PluginError(f"{path} is not a plug-in: it is not a regular file")
    bits = struct.calcsize("P") * 8
    if facts is not None and not facts["kind"]:
        raise PluginError(f"{path} is not a plug-in: not a shared library")
    if facts is not None and not facts["loads"]:
        raise PluginError(f"{path} is an {facts['kind']['text']}; this {bits}-bit Python loads "
                          f"{facts['host']['text']} files")
    if bits != 64:
        # The 32-bit plug-ins use the host program's register convention, which ctypes cannot call.
        raise PluginError(f"the kolm package needs a 64-bit Python (this one is {bits}-bit)")
