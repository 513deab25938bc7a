"""What kolmctl knows of the machine's ports: the package runs the kolmctl that ships
with the plug-ins rather than keep a second copy of its discovery (the kernel's parport
files, ppdev, the port files, the Windows device classes and the port helper), so that
both give the same advice."""

import json
import re
import subprocess
from pathlib import Path
from typing import List, NamedTuple, Optional, Tuple

from ._errors import KolmError
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
    access: Optional[str]  #: the step that gives access, where one is missing


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


def no_port_advice(plugin: Path) -> Tuple[str, str]:
    """Why `plugin` has no port and the one step kolmctl gives, from kolmctl's own
    attempt at one reading with the same file (reason, advice); ("", "") when kolmctl is
    not there or reached the port itself."""
    program = find_kolmctl(plugin.parent)
    if program is None:
        return "", ""
    try:
        code, _, err = _run(program, [str(plugin), "read", "0", "--count", "1", "--csv"])
    except KolmError:
        return "", ""
    lines = [line for line in err.splitlines() if line.strip()]
    if code == 0 or not lines:
        return "", ""
    reason = lines[0][len("kolmctl: "):] if lines[0].startswith("kolmctl: ") else lines[0]
    return reason, "\n".join(line.strip() for line in lines[1:])


_LINES = re.compile(r"kolmlpt([12]) at 0x[0-9A-F]+: relays on: (none|[0-3](?:, [0-3])*)")


def relays_on(plugin: Path) -> Optional[Tuple[int, int]]:
    """The relays on at the port `plugin` would drive, read by ``kolmctl lines`` before
    the plug-in is loaded (once loaded, it holds the port): (variant, bit k for relay k),
    the variant 1 or 2 as the file's name gives it. None where kolmctl cannot read them."""
    program = find_kolmctl(plugin.parent)
    if program is None:
        return None
    try:
        code, out, _ = _run(program, ["lines", str(plugin)])
    except KolmError:
        return None
    found = _LINES.fullmatch(out.strip())
    if code != 0 or not found:
        return None
    on = 0 if found[2] == "none" else sum(1 << int(k) for k in found[2].split(", "))
    return int(found[1]), on
