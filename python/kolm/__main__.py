"""python -m kolm: the plug-ins kolm.open finds and the machine's parallel ports, as
kolmctl ports shows them. Also the kolmctl command of a pip-installed package: the
kolmctl that ships in the package, run with the arguments given."""

import os
import subprocess
import sys

from . import __version__
from ._errors import PluginError
from ._files import find_kolmctl, kolmctl_name
from ._plugin_lookup import PACKAGE_FOLDER, find_plugin

_NAMES = ("LPT1", "LPT2", "SIM")


def kolmctl() -> None:
    """The kolmctl console script: the package's own kolmctl, in this process's place."""
    program = PACKAGE_FOLDER / kolmctl_name()
    if not program.is_file():
        sys.exit(f"kolmctl: {program} is missing from the kolm package: install its wheel again")
    args = [str(program)] + sys.argv[1:]
    if sys.platform == "win32":  # no exec there: its exit code passed on
        sys.exit(subprocess.call(args))
    os.execv(str(program), args)


def main() -> int:
    print(f"kolm {__version__}: the plug-ins kolm.open finds")
    folder = None
    for name in _NAMES:
        try:
            path = find_plugin(name)
        except PluginError as e:
            print(f"  {name:<5} {e}")
            continue
        print(f"  {name:<5} {path}")
        folder = folder or path.parent
    program = find_kolmctl(folder)
    if program is None:
        print("\nkolmctl was not found: the ports cannot be listed (install the kolm package of your system)")
        return 1
    print(f"\nThe parallel ports ({program} ports):", flush=True)
    return subprocess.call([str(program), "ports"] + (["--plugins", str(folder)] if folder else []))


if __name__ == "__main__":
    sys.exit(main())
