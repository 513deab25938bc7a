"""Captures on a fixed schedule: reading k is taken at start + k x period. A reading
that gets no answer is a gap (NaN); a slot whose time has passed before its turn came
(a reading ran long) is missed: counted, left NaN, and never shifted onto later times."""

import math
import time
from datetime import datetime
from typing import Callable, Iterator, List, Optional, Sequence

from ._interface import SCALE_COUNTS, SCALE_VOLTS

try:
    import numpy
except ImportError:  # numpy is optional: plain lists then
    numpy = None

# The clock and the pause, module attributes so that a test can stand in for time.
_clock: Callable[[], float] = time.perf_counter
_sleep: Callable[[float], None] = time.sleep


class Capture:
    """A capture's readings: ``times, counts, volts = capture``.

    ``times`` are seconds since the first slot, one per slot (the time the slot's
    reading returned, or the slot's own time where it was missed); ``counts`` and
    ``volts`` hold one row per slot and one column per channel of ``channels``, NaN
    where there is no value. numpy arrays when numpy is installed, else lists.
    """

    def __init__(self, channels, rate, started, times, rows, gaps, missed, interrupted):
        self.channels = tuple(channels)  #: the channels, in column order
        self.rate = rate  #: readings per second asked for
        self.started = started  #: the first slot's wall-clock time (datetime, local, with offset)
        self.gaps = gaps  #: readings that got no answer (NaN)
        self.missed = missed  #: slots that passed before their reading could be made (NaN)
        self.interrupted = interrupted  #: True when Ctrl-C stopped the capture early
        volts = [[c * SCALE_VOLTS / SCALE_COUNTS for c in row] for row in rows]
        if numpy is not None:
            self.times = numpy.array(times, dtype=float)
            self.counts = numpy.array(rows, dtype=float).reshape(len(rows), len(self.channels))
            self.volts = numpy.array(volts, dtype=float).reshape(len(rows), len(self.channels))
        else:
            self.times, self.counts, self.volts = list(times), rows, volts

    def __iter__(self) -> Iterator:
        return iter((self.times, self.counts, self.volts))

    def __len__(self) -> int:
        return len(self.times)

    def __repr__(self) -> str:
        return (f"<kolm.Capture {len(self)} slots of channels {self.channels} at {self.rate:g} Hz, "
                f"{self.gaps} gaps, {self.missed} missed{', interrupted' if self.interrupted else ''}>")


def check_schedule(channels: Sequence[int], rate: float, duration: Optional[float], count: Optional[int]) -> int:
    """The number of slots; ValueError for settings no capture can have."""
    if not channels or any(c not in (0, 1) for c in channels) or len(set(channels)) != len(channels):
        raise ValueError(f"channels must be 0, 1 or both, each once (got {tuple(channels)})")
    if not (isinstance(rate, (int, float)) and math.isfinite(rate) and rate > 0):
        raise ValueError(f"rate must be a positive number of readings per second (got {rate!r})")
    if count is not None:
        if int(count) != count or count < 1:
            raise ValueError(f"count must be a whole number from 1 (got {count!r})")
        return int(count)
    if duration is None or not math.isfinite(duration) or duration <= 0:
        raise ValueError(f"duration must be a positive number of seconds (got {duration!r})")
    return max(1, round(duration * rate))


def run(read: Callable[[int], Optional[int]], first_failed: Callable[[], Exception], channels: Sequence[int],
        rate: float, slots: int) -> Capture:
    """Reads `channels` at each of `slots` slots; read(channel) gives a count or None
    (no answer). If the very first reading gets no answer, raises first_failed()."""
    period = 1.0 / rate
    nan = float("nan")
    times: List[float] = []
    rows: List[List[float]] = []
    gaps = missed = 0
    interrupted = False
    started = datetime.now().astimezone()
    start = _clock()
    try:
        for k in range(slots):
            slot = start + k * period
            now = _clock()
            if now < slot:
                _sleep(slot - now)
            elif now >= slot + period and k > 0:
                missed += 1
                times.append(k * period)
                rows.append([nan] * len(channels))
                continue
            row = []
            for channel in channels:
                value = read(channel)
                if value is None and not rows and not row:
                    raise first_failed()
                gaps += value is None
                row.append(nan if value is None else float(value))
            times.append(_clock() - start)
            rows.append(row)
    except KeyboardInterrupt:
        interrupted = True
    return Capture(channels, rate, started, times, rows, gaps, missed, interrupted)
