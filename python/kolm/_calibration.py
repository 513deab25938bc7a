"""The channels' calibration, read from the kolmcal.ini kolmctl reads for the same plug-in
file: the one beside it, else the one in the user's folder ($XDG_CONFIG_HOME/kolm or
~/.config/kolm; %APPDATA%\\KOLM on Windows). Per channel a name, a unit and a line,
value = a x volts + b:

    [channel 0]
    name=T
    unit=°C
    a=20
    b=-10
"""

import math
import os
import re
from pathlib import Path
from typing import NamedTuple, Optional, Tuple

from ._errors import KolmError

FILE_NAME = "kolmcal.ini"
MOST_BYTES = 4096  # kolmctl reads no longer file
# The numbers kolmctl's C library reads: decimal, hexadecimal (0x1.8p3), inf, nan.
_DECIMAL = re.compile(r"[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?|[+-]?(inf|infinity|nan)", re.IGNORECASE)
_HEX = re.compile(r"[+-]?0x([0-9a-f]+\.?[0-9a-f]*|\.[0-9a-f]+)(p[+-]?\d+)?", re.IGNORECASE)


class Calibration(NamedTuple):
    """One channel's calibration: its values are a x volts + b, in `unit`."""

    name: str
    unit: str
    a: float
    b: float

    def value(self, volts: float) -> float:
        return self.a * volts + self.b

    def text(self) -> str:
        """What a CSV's # line says of it: "T (°C) = 20 x volts + -10"."""
        return f"{self.name} ({self.unit}) = {_shortest(self.a)} x volts + {_shortest(self.b)}"


def _shortest(v: float) -> str:
    # kolmctl's numbers: the fewest digits (6 at least) that read back as the same value.
    if not math.isfinite(v):
        return "null"
    for digits in range(6, 18):
        text = "%.*g" % (digits, v)
        if float(text) == v:
            return text
    return text


def _user_folder() -> Path:
    if os.environ.get("APPDATA"):
        return Path(os.environ["APPDATA"]) / "KOLM"
    if os.environ.get("XDG_CONFIG_HOME"):
        return Path(os.environ["XDG_CONFIG_HOME"]) / "kolm"
    return Path(os.environ.get("HOME") or ".") / ".config" / "kolm"


def calibration_file(plugin: Path) -> Optional[Path]:
    """The kolmcal.ini of the plug-in file `plugin`: beside it, else the user's; None
    where neither is there."""
    for path in (plugin.parent / FILE_NAME, _user_folder() / FILE_NAME):
        if path.exists():
            return path
    return None


def read_calibrations(path: Optional[Path]) -> Tuple[Optional[Calibration], Optional[Calibration]]:
    """The calibrations of channels 0 and 1 in `path` (None for an uncalibrated channel);
    KolmError naming the file and the line for a file that is not one."""
    found = [None, None]
    if path is None:
        return tuple(found)
    if not path.is_file():
        raise KolmError(f"{path} is not a file")
    data = path.read_bytes()
    if len(data) >= MOST_BYTES:
        raise KolmError(f"{path} is {MOST_BYTES} bytes or longer")
    channel = -1
    for number, line in enumerate(data.decode("utf-8", errors="replace").split("\n"), 1):
        line = line.strip(" \t\r")
        if not line or line[0] in ";#":
            continue
        if line in ("[channel 0]", "[channel 1]"):
            channel = int(line[9])
            found[channel] = {"name": "", "unit": "", "a": 1.0, "b": 0.0}
            continue
        key, eq, value = line.partition("=")
        if channel < 0 or not eq:
            raise KolmError(f"{path} line {number}: expected [channel 0], [channel 1] or name=value")
        key, value = key.strip(" \t\r"), value.strip(" \t\r")
        if key in ("a", "b"):
            if _DECIMAL.fullmatch(value):
                found[channel][key] = float(value)
            elif _HEX.fullmatch(value):
                found[channel][key] = float.fromhex(value)
            else:
                raise KolmError(f"{path} line {number}: {key} must be a number")
        elif key in ("name", "unit"):
            found[channel][key] = value
        else:
            raise KolmError(f'{path} line {number}: unknown setting "{key}"')
    return tuple(Calibration(**c) if c else None for c in found)
