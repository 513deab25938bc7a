"""A KOLM box behind one loaded plug-in: readings, relays, the port actions, names."""

import threading
from pathlib import Path
from typing import Iterator, List, NamedTuple, Optional, Sequence

from . import _capture
from ._errors import KolmError, NoPortAccess
from ._kolmctl import no_port_advice
from ._plugin import NO_VALUE, Library

RELAYS = 4

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
    """The four relays: ``box.relays[2] = True`` switches relay 2 on; ``box.relays[2]``
    is the state the plug-in last set (it does not read the lines back)."""

    def __init__(self, box: "Box"):
        self._box = box

    def _index(self, k: int) -> int:
        if not isinstance(k, int) or not 0 <= k < RELAYS:
            raise IndexError(f"relay {k!r}: the box has relays 0 to {RELAYS - 1}")
        return k

    def __getitem__(self, k: int) -> bool:
        return self._box._call("RSB", self._index(k)) == 1

    def __setitem__(self, k: int, on: bool) -> None:
        value = 1 if on else 0
        answer = self._box._call("SB", self._index(k), value)
        if answer == NO_VALUE:
            raise self._box._no_port(f"switching relay {k}")
        if answer != k * 100 + value:
            raise KolmError(f"SB({k}, {value}) answered {answer}, not {k * 100 + value}")

    def __len__(self) -> int:
        return RELAYS

    def __iter__(self) -> Iterator[bool]:
        return (self[k] for k in range(RELAYS))

    def __repr__(self) -> str:
        return f"<kolm relays {list(self)}>"


class Box:
    """One KOLM box, through one load of its plug-in for the life of the object (and of
    the process: a plug-in is never unloaded, so a later open gets the same load).

    Relays: a fresh load records all four relays off, whatever the lines show, and every
    switch drives all four lines from that record. So the first ``box.relays[k] = ...``
    after loading sets off any relay an earlier program left on; switch on again what
    must stay on. ``box.relays[k]`` is the plug-in's record, not a reading of the lines.

    Calls are serialised by a lock: the plug-in must not be called from two threads at
    once, and a capture takes the lock for each reading only.
    """

    def __init__(self, library: Library):
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
            return self._lib.calls[name](*args)

    def _no_port(self, what: str) -> NoPortAccess:
        reason, advice = no_port_advice(self.path)
        if not reason:
            reason = f'{self.path} answered "no value" (-777) to {what}: it could not reach the parallel port'
        return NoPortAccess(reason, advice)

    def _reading(self, channel: int) -> Optional[int]:
        answer = self._call("EA", channel)
        if answer == NO_VALUE:
            return None
        self._reached = True
        return answer

    @staticmethod
    def _input(channel: int) -> int:
        if channel not in (0, 1):
            raise ValueError(f"channel {channel!r}: the box has inputs 0 and 1")
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

    def capture(self, channels: Sequence[int] = (0, 1), rate: float = 100.0, duration: Optional[float] = 10.0,
                count: Optional[int] = None) -> _capture.Capture:
        """Reads `channels` `rate` times a second for `duration` seconds (or `count`
        slots), each slot at start + k / rate. Returns a Capture, which unpacks as
        ``times, counts, volts``; readings without an answer are NaN (``.gaps``), slots
        that passed while a reading ran long are NaN too (``.missed``). Raises
        NoPortAccess if the very first reading gets no answer. Ctrl-C ends it early and
        returns what was read (``.interrupted``)."""
        slots = _capture.check_schedule(channels, rate, duration, count)
        return _capture.run(self._reading, lambda: self._no_port("the first reading of the capture"),
                            tuple(channels), float(rate), slots)

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
