"""Captures on kolmctl's schedule, with kolmctl's rules: reading k is due at start + k x
period; a duration gives the slots that start within it; a reading that cannot start
before the next slot gives its slot up (missed: no row, never made up by shifting the
rest); a reading with a channel the port did not answer is one gap, its cells empty.
The rows are kolmctl's CSV rows, written by to_csv."""

import math
import time
from datetime import datetime
from pathlib import Path
from typing import Callable, Iterator, List, NamedTuple, Optional, Sequence, Tuple

from ._calibration import calibration_file, read_calibrations
from ._errors import NoPortAccess
from ._interface import FULL_COUNT, SCALE_COUNTS, SCALE_VOLTS

try:
    import numpy
except ImportError:  # numpy is optional: plain lists then
    numpy = None

# The clock and the pause, module attributes so that a test can stand in for time.
_clock: Callable[[], float] = time.perf_counter
_sleep: Callable[[float], None] = time.sleep

# kolmctl read's bounds and defaults, which a capture from Python keeps too.
DEFAULT_PERIOD = 0.5  # seconds between slots when no rate is given
FASTEST_RATE = 10000.0
SLOWEST_RATE = 0.001
LONGEST_DURATION = 1000.0 * 3600.0
MOST_READINGS = 1000000000
VOLTS_PER_COUNT = SCALE_VOLTS / SCALE_COUNTS
MAX_COUNT = FULL_COUNT


class Plan(NamedTuple):
    """What a capture is asked to take: as kolmctl's read options give it."""

    channels: Tuple[int, ...]
    period: float  #: seconds from one slot to the next
    slots: int  #: readings asked for; 0: until stopped
    duration: Optional[float]  #: seconds asked for, where a duration was given


def plan(channels: Sequence[int], rate: Optional[float], duration: Optional[float], count: Optional[int]) -> Plan:
    """The capture `box.capture` takes; ValueError for settings kolmctl refuses too."""
    channels = tuple(channels)
    if not channels or any(c not in (0, 1) for c in channels) or len(set(channels)) != len(channels):
        raise ValueError(f"channels must be 0, 1 or both, each once (got {channels})")
    period = DEFAULT_PERIOD
    if rate is not None:
        if not (isinstance(rate, (int, float)) and math.isfinite(rate) and SLOWEST_RATE <= rate <= FASTEST_RATE):
            raise ValueError(f"rate must be a number of readings a second from 0.001 to 10000 (got {rate!r})")
        period = 1.0 / rate
    if count is not None and duration is not None:
        raise ValueError("give count or duration, not both")
    if count is not None:
        if not isinstance(count, int) or not 0 <= count <= MOST_READINGS:
            raise ValueError(f"count must be a whole number from 0 (until stopped) to {MOST_READINGS} (got {count!r})")
        return Plan(channels, period, count, None)
    if duration is None:
        return Plan(channels, period, 1, None)
    if not (isinstance(duration, (int, float)) and math.isfinite(duration) and 0 < duration <= LONGEST_DURATION):
        raise ValueError(f"duration must be a number of seconds above 0, at most 1000 h (got {duration!r})")
    slots = math.ceil(duration / period - 1e-9)  # the slots that start within the duration
    if slots > MOST_READINGS:
        raise ValueError(f"duration {duration:g} s at {1 / period:g} Hz makes more than {MOST_READINGS} readings")
    return Plan(channels, period, max(1, slots), float(duration))


class Schedule:
    """kolmctl's schedule: slot k is due at start + k x period. Asked at `now`, it gives
    the next slot, or the latest whose time has come if the next one's whole period went
    by (those between are missed); None when no slot is left."""

    def __init__(self, start: float, period: float, slots: int):
        self.start, self.period, self.slots = start, period, slots or MOST_READINGS
        self.missed = 0
        self._next = 0

    def next(self, now: float) -> Optional[Tuple[int, float]]:
        if self._next >= self.slots:
            return None
        due = math.floor((now - self.start) / self.period)
        slot = min(due, self.slots) if due > self._next else self._next
        self.missed += min(slot, self.slots) - self._next
        self._next = slot + 1
        if slot >= self.slots:
            return None
        return slot, self.start + slot * self.period


class Reading(NamedTuple):
    """One reading of the capture's channels, as a callback gets it."""

    slot: int  #: its slot of the schedule, from 0, due at slot / rate
    time: float  #: seconds from slot 0 to when the reading was taken
    counts: Tuple[float, ...]  #: one per channel, NaN where the port did not answer
    volts: Tuple[float, ...]  #: counts x 5 / 1024, NaN likewise


def _trimmed(v: float) -> str:
    return f"{v:.3f}".rstrip("0").rstrip(".")


def _time_text(seconds: float) -> str:
    # The arithmetic of kolmctl's, so that a value on a rounding edge rounds alike.
    if seconds < 1.0:
        return f"{_trimmed(seconds * 1000.0)} ms"
    if seconds < 120.0:
        return f"{_trimmed(seconds)} s"
    if seconds < 7200.0:
        return f"{_trimmed(seconds / 60.0)} min"
    return f"{_trimmed(seconds / 3600.0)} h"


def _field(text: str, separator: str) -> str:
    if not any(c in text for c in separator + '"\r\n'):
        return text
    return '"' + text.replace('"', '""') + '"'


class Capture:
    """A capture's readings: ``times, counts, volts = capture``.

    One row per reading taken, one column per channel of ``channels``: ``times`` in
    seconds from slot 0, ``counts`` and ``volts`` NaN where the port did not answer (a
    gap). A missed slot has no row. numpy arrays when numpy is installed, else lists.
    """

    def __init__(self, plan: Plan, started: datetime, source: Tuple[Path, str]):
        self.channels = plan.channels  #: the channels, in column order
        self.rate = 1.0 / plan.period  #: readings per second asked for
        self.slots = plan.slots  #: the readings asked for (0: until stopped)
        self.started = started  #: slot 0's wall-clock time (datetime, local, with offset)
        self.gaps = 0  #: readings with a channel the port did not answer
        self.missed = 0  #: slots given up: their reading could not start before the next slot
        self.interrupted = False  #: True when Ctrl-C stopped the capture early
        self._plan, self._source = plan, source
        self._times: List[float] = []
        self._rows: List[Tuple[float, ...]] = []

    def _add(self, reading: Reading) -> None:
        self._times.append(reading.time)
        self._rows.append(reading.counts)

    @property
    def times(self):
        return numpy.array(self._times, dtype=float) if numpy else list(self._times)

    @property
    def counts(self):
        if numpy:
            return numpy.array(self._rows, dtype=float).reshape(len(self._rows), len(self.channels))
        return [list(row) for row in self._rows]

    @property
    def volts(self):
        if numpy:
            return self.counts * VOLTS_PER_COUNT
        return [[c * VOLTS_PER_COUNT for c in row] for row in self._rows]

    def __iter__(self) -> Iterator:
        return iter((self.times, self.counts, self.volts))

    def __len__(self) -> int:
        return len(self._times)

    def __repr__(self) -> str:
        return (f"<kolm.Capture {len(self)} readings of channels {self.channels} at {self.rate:g} Hz, "
                f"{self.gaps} gaps, {self.missed} missed{', interrupted' if self.interrupted else ''}>")

    def _schedule_text(self) -> str:
        p = self._plan
        text = f"every {_time_text(p.period)} ({_trimmed(1 / p.period)} Hz)"
        if p.duration:
            text += f" for {_time_text(p.duration)}"
        if p.slots:
            return text + f": {p.slots} reading{'s' if p.slots != 1 else ''}"
        return text + ("" if p.duration else " until stopped")

    def to_csv(self, path, french: bool = False, calibrated: bool = False) -> None:
        """Writes the readings as ``kolmctl read --csv`` does (``--csv-fr`` with `french`:
        ';' between fields and a decimal comma): the lines that say when and how the
        capture was taken (not for one reading), the header, a row a reading; a gap is
        an empty cell, a count outside 0 to 1023 "invalid(count)". With `calibrated`, as
        ``--calibrated`` adds: each calibrated channel's values in its unit, a column
        after its volts, and a # line with its calibration and file (the plug-in's
        kolmcal.ini as it is now: KolmError for a bad one)."""
        from . import __version__  # the project's, as kolmctl's own first line gives it

        sep, point = (";", ",") if french else (",", ".")
        plugin, title = self._source
        cal_file = calibration_file(plugin) if calibrated else None
        file_cals = read_calibrations(cal_file)
        cals = [file_cals[c] for c in self.channels]
        about = f"# kolmctl {__version__} capture of {plugin.name}" + (f" ({title})" if title else "")
        lines = []
        if self._plan.slots != 1:
            for text in (about, f"# start: {self.started.isoformat(timespec='microseconds')}",
                         f"# schedule: {self._schedule_text()}",
                         "# values: counts through EA and volts = counts x 5 / 1024"):
                lines.append(_field(text, sep))
            lines += [_field(f"# calibration of channel {c}: {cal.text()} ({cal_file})", sep)
                      for c, cal in zip(self.channels, cals) if cal]
        header = ["time_s"]
        for c, cal in zip(self.channels, cals):
            header += [f"ch{c}_counts", f"ch{c}_volts"]
            header += [_field(f"ch{c}_{cal.name} ({cal.unit})", sep)] if cal else []
        lines.append(sep.join(header))
        for t, row in zip(self._times, self._rows):
            cells = [f"{t:.6f}".replace(".", point)]
            for c, cal in zip(row, cals):
                valid = not math.isnan(c) and 0 <= c <= MAX_COUNT
                if math.isnan(c):
                    cells += ["", ""]
                elif valid:
                    cells += [f"{c:.0f}", f"{c * VOLTS_PER_COUNT:.4f}".replace(".", point)]
                else:
                    cells += [f"invalid({c:.0f})"] * 2
                if cal:
                    cells.append(f"{cal.value(c * VOLTS_PER_COUNT):.4f}".replace(".", point) if valid else "")
            lines.append(sep.join(cells))
        with open(path, "w", encoding="utf-8", newline="\n") as f:
            f.write("\n".join(lines) + "\n")

    def to_dataframe(self):
        """The readings as a pandas DataFrame: the columns of to_csv, NaN for a gap."""
        try:
            import pandas
        except ImportError:
            raise ImportError("Capture.to_dataframe needs pandas (pip install pandas)") from None
        columns = {"time_s": list(self._times)}
        for k, channel in enumerate(self.channels):
            columns[f"ch{channel}_counts"] = [row[k] for row in self._rows]
            columns[f"ch{channel}_volts"] = [row[k] * VOLTS_PER_COUNT for row in self._rows]
        return pandas.DataFrame(columns)


def run(read: Callable[[int], Optional[int]], reached: Callable[[], bool], no_port: Callable[[], NoPortAccess],
        p: Plan, source: Tuple[Path, str], callback: Optional[Callable[[Reading], None]] = None) -> Capture:
    """Takes `p`'s readings: read(channel) gives a count or None (no answer). Where a
    reading has no answer at all and the port has never answered (reached()), raises
    no_port(). Each reading goes to `callback` as it comes."""
    nan = float("nan")
    capture = Capture(p, datetime.now().astimezone(), source)
    start = _clock()
    schedule = Schedule(start, p.period, p.slots)
    try:
        while True:
            slot = schedule.next(_clock())
            capture.missed = schedule.missed
            if slot is None:
                break
            wait = slot[1] - _clock()
            if wait > 0:
                _sleep(wait)
            values = [read(p.channels[0])]
            stamp = _clock() - start  # when the first call returned, as kolmctl stamps it
            values += [read(c) for c in p.channels[1:]]
            if all(v is None for v in values) and not reached():
                raise no_port()
            capture.gaps += any(v is None for v in values)
            counts = tuple(nan if v is None else float(v) for v in values)
            reading = Reading(slot[0], stamp, counts, tuple(c * VOLTS_PER_COUNT for c in counts))
            capture._add(reading)
            if callback:
                callback(reading)
    except KeyboardInterrupt:
        capture.interrupted = True
    return capture
