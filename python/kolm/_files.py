"""Where the plug-ins and kolmctl are."""

import os
import shutil
import sys
from pathlib import Path
from typing import List, Optional

from ._errors import PluginError

#: Environment variable naming a folder that holds kolmlpt1, kolmlpt2 and kolmsim; looked at first.
PLUGIN_DIR_VARIABLE = "KOLM_PLUGIN_DIR"
#: Environment variable naming the kolmctl program to run for ports() and advice.
KOLMCTL_VARIABLE = "KOLMCTL"

_HERE = Path(__file__).resolve().parent


def _windows() -> bool:
    return sys.platform == "win32"


def plugin_suffix() -> str:
    return ".dll" if _windows() else ".so"


def kolmctl_name() -> str:
    return "kolmctl.exe" if _windows() else "kolmctl"


def plugin_folders() -> List[Path]:
    """The folders searched for kolmlpt1/kolmlpt2/kolmsim, in order: $KOLM_PLUGIN_DIR, the
    plug-ins inside this package (a wheel), then the system's plug-in folder (the .deb)."""
    folders = []
    if os.environ.get(PLUGIN_DIR_VARIABLE):
        folders.append(Path(os.environ[PLUGIN_DIR_VARIABLE]))
    folders.append(_HERE / "plugins")
    if not _windows():
        multiarch = getattr(sys.implementation, "_multiarch", "") or "x86_64-linux-gnu"
        for root in ("/usr/lib", "/usr/local/lib"):
            folders.append(Path(root) / multiarch / "kolm")
    return folders


#: The plug-in of each name kolm.open takes: a box on LPT1 or LPT2, or kolmsim's virtual box.
_PLUGINS = {"LPT1": "kolmlpt1", "LPT2": "kolmlpt2", "SIM": "kolmsim"}


def find_plugin(name: str) -> Path:
    """The file for "LPT1", "LPT2", "SIM" or a path. PluginError when there is none."""
    stem = _PLUGINS.get(name.upper().rstrip(":"))
    if stem is None:
        path = Path(name)
        if not path.exists():
            raise PluginError(f"no such file: {name}")
        return path.resolve()
    file_name = f"{stem}{plugin_suffix()}"
    for folder in plugin_folders():
        if (folder / file_name).is_file():
            return (folder / file_name).resolve()
    looked = ", ".join(str(f) for f in plugin_folders())
    raise PluginError(f"no {file_name} found (looked in {looked}); set {PLUGIN_DIR_VARIABLE} to its folder")


def find_kolmctl(beside: Optional[Path] = None) -> Optional[Path]:
    """kolmctl: $KOLMCTL, beside the plug-in, beside this package's plug-ins, on PATH."""
    if os.environ.get(KOLMCTL_VARIABLE):
        return Path(os.environ[KOLMCTL_VARIABLE])
    for folder in ([beside] if beside else []) + [_HERE / "plugins"]:
        if (folder / kolmctl_name()).is_file():
            return folder / kolmctl_name()
    found = shutil.which(kolmctl_name())
    return Path(found) if found else None
