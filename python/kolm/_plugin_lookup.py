"""Where a plug-in the user names is found, as kolmctl finds it: "kolmlpt1" or
"kolmlpt1.so" (".dll" on Windows), or the name of its port or of the virtual box,
"LPT1", "LPT2" or "SIM" in any case, is looked up in the current folder, then in
$KOLM_PLUGIN_DIR, among this package's own plug-ins, and in the system's plug-in
folder; a name with a folder in it is taken as it is (tests/rules/plugin_names.csv)."""

import os
import sys
from pathlib import Path
from typing import List, Optional

from ._errors import PluginError

#: Environment variable naming a folder that holds kolmlpt1, kolmlpt2 and kolmsim.
PLUGIN_DIR_VARIABLE = "KOLM_PLUGIN_DIR"

#: The plug-ins inside this package (a wheel).
PACKAGE_FOLDER = Path(__file__).resolve().parent / "plugins"

#: The plug-in of each port's and the virtual box's name.
_ALIASES = {"LPT1": "kolmlpt1", "LPT2": "kolmlpt2", "SIM": "kolmsim"}


def _windows() -> bool:
    return sys.platform == "win32"


def plugin_suffix() -> str:
    return ".dll" if _windows() else ".so"


def system_folders() -> List[Path]:
    """The system's plug-in folders: the .deb's, and one installed by hand; none on Windows."""
    if _windows():
        return []
    multiarch = getattr(sys.implementation, "_multiarch", "") or "x86_64-linux-gnu"
    return [Path(root) / multiarch / "kolm" for root in ("/usr/lib", "/usr/local/lib")]


def plugin_folders() -> List[Path]:
    """The folders a bare name is looked up in, in order."""
    folders = [Path(".")]
    if os.environ.get(PLUGIN_DIR_VARIABLE):
        folders.append(Path(os.environ[PLUGIN_DIR_VARIABLE]))
    return folders + [PACKAGE_FOLDER] + system_folders()


def find_plugin(given: str) -> Path:
    """The file `given` names. PluginError when there is none."""
    name = _ALIASES.get(given.upper()[:-1] if given.endswith(":") else given.upper(), given)
    if not name or any(c in name for c in "/\\:"):
        path = Path(name)
        if not path.exists():
            raise PluginError(f"no such file: {name}")
        return path.resolve()
    names = [name] if Path(name).suffix else [name, name + plugin_suffix()]
    for folder in plugin_folders():
        for candidate in (folder / n for n in names):
            if candidate.is_file():
                return candidate.resolve()
    looked = ", ".join("the current folder" if f == Path(".") else str(f) for f in plugin_folders())
    raise PluginError(f"no such file: {given} (looked in {looked}); set {PLUGIN_DIR_VARIABLE} to its folder")


def plugin_home() -> Optional[Path]:
    """The first folder that holds one of the plug-ins the aliases name, where their port
    files are; None when none does."""
    stems = sorted(_ALIASES.values())
    return next((f for f in plugin_folders() if any((f / (s + plugin_suffix())).is_file() for s in stems)), None)
