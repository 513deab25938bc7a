"""A capture drawn with matplotlib as its readings come: in a notebook (the figure shown
once and updated in place), in a window, or on a backend without a screen (Agg), where
the figure only holds the readings."""

import time
from typing import Optional, Sequence

from ._capture import Capture, Reading

_REDRAWS_A_SECOND = 10  # a 1 kHz capture is not drawn a thousand times a second


def plot_live(box, channels: Sequence[int] = (0, 1), rate: Optional[float] = None,
              duration: Optional[float] = None, count: Optional[int] = None) -> Capture:
    """Captures as box.capture does, drawing each channel's volts against time while the
    readings come (a gap breaks its line); returns the Capture, whose ``figure`` is the
    matplotlib figure drawn."""
    import matplotlib
    import matplotlib.pyplot as plt

    backend = matplotlib.get_backend().lower()
    notebook = "inline" in backend or "nbagg" in backend or "ipympl" in backend or "widget" in backend
    window = not notebook and backend not in ("agg", "pdf", "ps", "svg", "cairo", "template")
    fig, ax = plt.subplots(figsize=(8, 4))
    names = box.names.volts
    lines = [ax.plot([], [], label=names[c])[0] for c in channels]
    ax.set_xlabel("time (s)")
    ax.set_ylabel("volts")
    ax.set_ylim(0, 5)
    ax.set_title(box.title)
    ax.legend(loc="upper right")
    ax.grid(True)
    times, columns = [], [[] for _ in channels]
    shown = None
    if notebook:
        from IPython.display import display
        shown = display(fig, display_id=True)
    elif window:
        plt.show(block=False)
    drawn = [0.0]

    def draw() -> None:
        for line, column in zip(lines, columns):
            line.set_data(times, column)
        ax.relim()
        ax.autoscale_view(scaley=False)
        if shown is not None:
            shown.update(fig)
        elif window:
            fig.canvas.draw_idle()
            fig.canvas.flush_events()

    def add(reading: Reading) -> None:
        times.append(reading.time)
        for column, v in zip(columns, reading.volts):
            column.append(v)
        now = time.monotonic()
        if now - drawn[0] >= 1.0 / _REDRAWS_A_SECOND:
            drawn[0] = now
            draw()

    capture = box.capture(channels, rate, duration, count, callback=add)
    ax.set_title(f"{box.title} {capture.started:%Y-%m-%d %H:%M:%S}, {capture.rate:g} Hz")
    draw()
    if notebook:
        plt.close(fig)  # shown above, updated in place: not a second time at the cell's end
    capture.figure = fig
    return capture
