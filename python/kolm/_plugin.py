"""One loaded plug-in file and its entry points, bound with ctypes by name and called
through the platform's C calling convention (the one convention of x86-64 Linux and
of 64-bit Windows). The library stays loaded for the life of the process."""

import ctypes
import threading
from pathlib import Path
from typing import Dict, List

from ._errors import PluginError
from ._files import check_plugin_file

NO_VALUE = -777

_c_int = ctypes.c_int32
_c_double = ctypes.c_double
_c_text = ctypes.c_char_p
_c_double_p = ctypes.POINTER(ctypes.c_double)

# Result and parameter types of each export, as the plug-in's directory describes them.
SIGNATURES = {
    "DLLFunctionDirectory": (ctypes.c_void_p, ()),
    "EA": (_c_int, (_c_int,)),
    "EAD": (_c_double, (_c_int,)),
    "peaD": (_c_double_p, (_c_int,)),
    "nea": (_c_text, (_c_int,)),
    "nead": (_c_text, (_c_int,)),
    "SB": (_c_int, (_c_int, _c_int)),
    "RSB": (_c_int, (_c_int,)),
    "nsb": (_c_text, (_c_int,)),
    "titre": (_c_text, ()),
    "detail": (_c_text, ()),
}


class _DirectoryEntry(ctypes.Structure):
    _fields_ = [("signature", ctypes.c_char_p), ("entry", ctypes.c_void_p)]


class Library:
    """A plug-in file loaded once in this process, with its calls and the one lock
    that keeps two threads from calling it at the same time."""

    def __init__(self, path: Path):
        check_plugin_file(path)
        try:
            self._dll = ctypes.CDLL(str(path))
        except OSError as e:
            raise PluginError(f"cannot load {path}: {e}") from None
        self.path = path
        self.lock = threading.RLock()
        self.calls = {}
        for name, (result, params) in SIGNATURES.items():
            try:
                fn = getattr(self._dll, name)
            except AttributeError:
                raise PluginError(f"{path} is not a plug-in: it exports no {name}") from None
            fn.restype, fn.argtypes = result, params
            self.calls[name] = fn
        self.directory = self._walk_directory()

    def _walk_directory(self) -> List[str]:
        at = self.calls["DLLFunctionDirectory"]()
        if not at:
            raise PluginError(f"{self.path} is not a plug-in: DLLFunctionDirectory returned a null address")
        table = ctypes.cast(at, ctypes.POINTER(_DirectoryEntry))
        texts = []
        for k in range(64):  # the plug-in lists 17; a table without its null entry stops here
            if not table[k].signature and not table[k].entry:
                return texts
            texts.append((table[k].signature or b"").decode("cp1252"))
        raise PluginError(f"{self.path} is not a plug-in: its directory has no null entry")

    def text(self, name: str, *args: int) -> str:
        """A text entry point's answer, Windows-1252 decoded."""
        with self.lock:
            raw = self.calls[name](*args)
        return (raw or b"").decode("cp1252")


_loaded: Dict[str, Library] = {}
_loading = threading.Lock()


def load(path: Path) -> Library:
    """The one load of `path` in this process (a second load would be the same library)."""
    key = str(path.resolve())
    with _loading:
        if key not in _loaded:
            _loaded[key] = Library(path.resolve())
        return _loaded[key]
