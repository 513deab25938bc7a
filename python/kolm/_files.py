"""Where kolmctl is."""

import os
import shutil
from pathlib import Path
from typing import Optional

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
