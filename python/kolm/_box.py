"""A KOLM box behind one loaded plug-in: readings, relays, the port actions, names."""

import os
import threading
import warnings
from pathlib import Path
from typing import Callable, Iterator, List, NamedTuple, Optional, Sequence, Tuple

from . import _capture
from ._calibration import Calibration, calibration_file, read_calibrations
from ._errors import KolmError, NoPortAccess, RelaysSetOff
from ._interface import CHANNELS, ECHO_STEP, NO_VALUE, RELAYS
from ._kolmctl import no_port_advice
from ._plugin import Library

_open_paths = set()
_open_lock = threading.Lock()


class Names(NamedTuple):
    """The plug-in's own names (French, as the host program shows them)."""

    counts: Sequence[str]  #: the two inputs in counts: "CAN voie 0", "CAN voie 1"
    volts: Sequence[str]  #: the two inputs in volts: "tension voie 0", ...
    relays: Sequence[str]  #: "relais 0" to "relais 3"
    restore: str  #: the action of channel 2: "RAZ pour impression"
    reinit: str  #: the action of channel 3: "Réinitialisation"


class Relays:
    """The four relays: ``box.relays[2] = True`` switches relay 2 on and leaves the
    others as they are; ``box.relays[2]`` is the state the plug-in last set, or before
    any switch of this load, as the lines were when it was loaded (where they could be
    read). A switch is not checked on the lines."""

    def __init__(self, box: "Box"):
        self._box = box

    def _index(self, k: int) -> int:
        if not isinstance(k, int) or not 0 <= k < RELAYS:
            raise IndexError(f"relay {k!r}: the box has relays 0 to {RELAYS - 1}")
        return k

    def __getitem__(self, k: int) -> bool:
        recorded = self._box._call("RSB", self._index(k)) == 1
        lib = self._box._lib
        if not lib.relays_told and lib.relays_at_load is not None:
            return (lib.relays_at_load >> k) & 1 == 1
        return recorded

    def __setitem__(self, k: int, on: bool) -> None:
        value = 1 if on else 0
        lib = self._box._lib
        switches = [(self._index(k), value)]
        with lib.lock:
            first = not lib.relays_told
            if first and lib.relays_at_load is not None:
                # Every switch drives all four lines from the plug-in's record, which a
                # new load holds all off: first the others that are on, so they stay on.
                switches[:0] = [(j, 1) for j in range(RELAYS) if j != k and (lib.relays_at_load >> j) & 1]
            for relay, state in switches:
                answer = self._box._call("SB", relay, state)
                if answer == NO_VALUE:
                    break
            else:
                lib.relays_told = True
        if answer == NO_VALUE:
            raise self._box._no_port(f"switching relay {k}")
        if answer != k * ECHO_STEP + value:
            raise KolmError(f"SB({k}, {value}) answered {answer}, not {k * ECHO_STEP + value}")
        if first and lib.relays_at_load is None:
            others = [self._box.names.relays[j] for j in range(RELAYS) if j != k]
            warnings.warn(RelaysSetOff(
                f"the relay lines could not be read before {self._box.path.name} was loaded, so this first switch "
                f"also set {', '.join(others[:-1])} and {others[-1]} off (the plug-in starts each load with all "
                "relays off): switch on again those that must stay on"), stacklevel=2)

    def __len__(self) -> int:
        return RELAYS

    def __iter__(self) -> Iterator[bool]:
        return (self[k] for k in range(RELAYS))

    def __repr__(self) -> str:
        return f"<kolm relays {list(self)}>"


class Box:
    """One KOLM box, through one load of its plug-in for the life of the object (and of
    the process: a plug-in is never unloaded, so a later open gets the same load).

    Relays: the plug-in drives all four lines at every switch, from its own record,
    which a fresh load holds all off. So before the load, kolm reads the relay lines
    as kolmctl does (``kolmctl lines``), and its first switch tells the plug-in of
    those that are on: switching one relay leaves the others as they are. Where the
    lines cannot be read, that first switch sets the others off and warns
    (kolm.RelaysSetOff) which.

    After os.fork(), the child's objects refuse every call that reaches the plug-in
    (KolmError): the port and the plug-in's state remain the parent's.

    Calls are serialised by a lock: the plug-in must not be called from two threads at
    once, and a capture takes the lock for each reading only.
    """

    def __init__(self, library: Library):
        library.check_process()
        key = str(library.path)
        with _open_lock:
            if key in _open_paths:
                raise KolmError(f"{library.path} is already open in this process: use that object")
            _open_paths.add(key)
        self._lib = library
        self._closed = False
        self._reached = False
        self.relays = Relays(self)

    # -- the calls ---------------------------------------------------------------------
    def _call(self, name: str, *args):
        with self._lib.lock:
            if self._closed:
                raise KolmError(f"{self.path.name} was closed")
            return self._lib.call(name, *args)

    def _no_port(self, what: str) -> NoPortAccess:
        code, advice = no_port_advice(self.path)
        reason = f'{self.path} answered "no value" (-777) to {what}: it could not reach the parallel port'
        return NoPortAccess(reason, advice, code)

    def _reading(self, channel: int) -> Optional[int]:
        answer = self._call("EA", channel)
        if answer == NO_VALUE:
            return None
        self._reached = True
        return answer

    @staticmethod
    def _input(channel: int) -> int:
        if channel not in range(CHANNELS):
            raise ValueError(f"channel {channel!r}: the box has inputs 0 to {CHANNELS - 1}")
        return channel

    # -- readings ------------------------------------------------------------------------
    def counts(self, channel: int) -> int:
        """One reading of input `channel` (0 or 1): a count from 0 to 1023."""
        value = self._reading(self._input(channel))
        if value is None:
            raise self._no_port(f"reading input {channel}")
        return value

    def volts(self, channel: int) -> float:
        """One reading of input `channel` in volts (count x 5 / 1024, by the plug-in)."""
        value = self._call("EAD", self._input(channel))
        if value == float(NO_VALUE):
            raise self._no_port(f"reading input {channel}")
        self._reached = True
        return value

    def capture(self, channels: Sequence[int] = (0, 1), rate: Optional[float] = None,
                duration: Optional[float] = None, count: Optional[int] = None,
                callback: Optional[Callable[[_capture.Reading], None]] = None) -> _capture.Capture:
        """Reads `channels` on kolmctl's schedule, reading k at start + k / `rate` (default
        2 Hz, every 500 ms): for `duration` seconds (the slots that start within it), or
        `count` readings (0: until Ctrl-C), not both; one reading without either. Each
        reading goes to `callback` (a kolm.Reading: time, counts, volts) as it comes, so a
        notebook can draw while the capture runs. Returns a Capture, which unpacks as
        ``times, counts, volts``: a reading a row, NaN where the port did not answer (one
        gap a reading: ``.gaps``); a slot that passed while a reading ran long has no row
        (``.missed``). Raises NoPortAccess if a reading gets no answer at all before the
        port ever answered. Ctrl-C ends it early and returns what was read (``.interrupted``)."""
        plan = _capture.plan(channels, rate, duration, count)
        return _capture.run(self._reading, lambda: self._reached,
                            lambda: self._no_port("the first reading of the capture"), plan,
                            (self.path, self.title), callback)

    # -- the port actions --------------------------------------------------------------
    def _ensure_reached(self, what: str) -> None:
        # The actions answer -777 whether or not they reached the port: one reading per
        # load tells first, as kolmctl does.
        if not self._reached and self._reading(0) is None:
            raise self._no_port(what)

    def restore(self) -> None:
        """Puts back the data byte the port held when the interface was initialised, so
        that a printer can use the port (channel 2, "RAZ pour impression")."""
        self._ensure_reached("restoring the port")
        self._call("EA", 2)

    def reinit(self) -> None:
        """Initialises the interface again (channel 3, "Réinitialisation")."""
        self._ensure_reached("initialising the interface")
        self._call("EA", 3)

    # -- texts ---------------------------------------------------------------------------
    @property
    def path(self) -> Path:
        """The plug-in file."""
        return self._lib.path

    @property
    def title(self) -> str:
        """The plug-in's title, e.g. "KOLM en LPT1:"."""
        return self._lib.text("titre")

    @property
    def detail(self) -> str:
        """The plug-in's detail text."""
        return self._lib.text("detail")

    @property
    def names(self) -> Names:
        """The names of the channels, relays and actions."""
        text = self._lib.text
        return Names(counts=tuple(text("nea", c) for c in (0, 1)), volts=tuple(text("nead", c) for c in (0, 1)),
                     relays=tuple(text("nsb", k) for k in range(RELAYS)), restore=text("nea", 2),
                     reinit=text("nea", 3))

    @property
    def calibration(self) -> Tuple[Optional[Calibration], Optional[Calibration]]:
        """Channels 0 and 1's calibrations (name, unit, a, b: value = a x volts + b), None
        for one without: from the kolmcal.ini kolmctl reads for this plug-in file (beside
        it, else in the user's folder), read afresh. KolmError, naming the file and the
        line, for a bad one."""
        return read_calibrations(calibration_file(self.path))

    @property
    def directory(self) -> List[str]:
        """The texts of the plug-in's function directory."""
        return list(self._lib.directory)

    # -- life ----------------------------------------------------------------------------
    def close(self) -> None:
        """Ends this object's use of the plug-in; the relays stay as they are."""
        with self._lib.lock:
            if not self._closed:
                self._closed = True
                with _open_lock:
                    _open_paths.discard(str(self._lib.path))

    def __enter__(self) -> "Box":
        return self

    def __exit__(self, *exc) -> None:
        self.close()

    def __repr__(self) -> str:
        state = "closed" if self._closed else "open"
        return f"<kolm.Box {self.title!r} from {self.path} ({state})>"


def _new_lock_in_child() -> None:
    # A lock another thread held at fork() would stay held in the child for ever.
    global _open_lock
    _open_lock = threading.Lock()


if hasattr(os, "register_at_fork"):
    os.register_at_fork(after_in_child=_new_lock_in_child)
