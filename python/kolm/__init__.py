"""The KOLM box from Python: two 10-bit inputs and four relays on a parallel port,
through the box's own plug-in (kolmlpt1 for LPT1, kolmlpt2 for LPT2), or kolmsim's
virtual box (kolm.open("SIM"), simulated signals from a kolmsim.ini beside it).

    import kolm
    with kolm.open("SIM") as box:                  # or "LPT1", "LPT2", a path
        print(box.counts(0), box.volts(1))
        box.relays[2] = True
        times, counts, volts = box.capture(channels=(0, 1), rate=100, duration=10)
        capture = kolm.plot_live(box, (0, 1), rate=10, duration=30)   # drawn as it comes
        capture.to_csv("mesure.csv", french=True)                      # as kolmctl writes it
        capture.to_csv("temp.csv", calibrated=True)   # + values in the units of kolmcal.ini

Errors are exceptions: NoPortAccess when the plug-in cannot reach the port (with
kolmctl's advice), PluginError for a file that is not a plug-in this Python can load;
a RelaysSetOff warning where a switch set off relays nobody named.
"""

from pathlib import Path
from typing import Union

from ._box import Box, Names, Relays
from ._calibration import Calibration
from ._capture import Capture, Reading
from ._errors import KolmError, NoPortAccess, PluginError, RelaysSetOff
from ._kolmctl import Port, Ports, ports
from ._plot import plot_live
from ._plugin import load
from ._plugin_lookup import find_plugin

__all__ = ["open", "ports", "plot_live", "Box", "Calibration", "Capture", "Reading", "Names", "Relays", "Port",
           "Ports", "KolmError", "NoPortAccess", "PluginError", "RelaysSetOff"]
__version__ = "1.1.0"


def open(plugin: Union[str, Path] = "LPT1") -> Box:  # noqa: A001 - the package's verb, as in kolm.open
    """Loads the plug-in for "LPT1" or "LPT2", kolmsim for "SIM" (a virtual box: its
    readings are simulated), a plug-in by its own name ("kolmlpt1", "kolmlpt1.so"), or
    the file at a path, and returns its Box (a context manager). A name without a folder
    is looked for as kolmctl looks for it: in the current folder, in $KOLM_PLUGIN_DIR, in
    this package's own plug-in folder, then in the system's (/usr/lib/<multiarch>/kolm)."""
    return Box(load(find_plugin(str(plugin))))
