"""One loaded plug-in file and its entry points, bound with ctypes by name and called
through the platform's C calling convention (the one convention of x86-64 Linux and
of 64-bit Windows). The library stays loaded for the life of the process, and drives
the port only from the process that loaded it: a child made by fork() has a copy of
the plug-in's state and of its claim on the port, which are the parent's."""

import ctypes
import os
import threading
from pathlib import Path
from typing import Dict, List, Optional

from ._errors import KolmError, PluginError
from ._interface import NO_VALUE
from ._kolmctl import before_load, check_plugin_file, relays_on

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
    that keeps two threads from calling it at the same time.

    The relays: a fresh load records all four off, and its first switch drives all
    four lines from that record. ``relays_at_load`` holds the relays that were on at
    load (bit k for relay k), None where the lines could not be read; ``relays_told``
    is True once a switch has told the plug-in of them."""

    def __init__(self, path: Path):
        try:
            self._dll = ctypes.CDLL(str(path))
        except OSError as e:
            raise PluginError(f"cannot load {path}: {e}") from None
        self.path = path
        self.pid = os.getpid()
        self.lock = threading.RLock()
        self.relays_at_load: Optional[int] = None
        self.relays_told = False
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

    def check_process(self) -> None:
        """KolmError in a child process made by fork() after the load."""
        if os.getpid() != self.pid:
            raise KolmError(f"{self.path.name} was loaded by process {self.pid} before it forked: the port and "
                            "the plug-in's state are that process's, and this one may not drive them; "
                            "open the box in one process only, after any fork()")

    def call(self, name: str, *args):
        """An entry point's answer; one thread at a time, in the process that loaded it."""
        with self.lock:
            self.check_process()
            return self.calls[name](*args)

    def text(self, name: str, *args: int) -> str:
        """A text entry point's answer, Windows-1252 decoded (texts touch no port)."""
        with self.lock:
            raw = self.calls[name](*args)
        return (raw or b"").decode("cp1252")


# The title of kolmsim, whose virtual box powers up with every relay off at each load.
_VIRTUAL_BOX_TITLE = "KOLM simul\xe9"

_loaded: Dict[str, Library] = {}
_loading = threading.Lock()  # guards the two dicts only: one load never waits for another
_load_locks: Dict[str, threading.Lock] = {}


def load(path: Path) -> Library:
    """The one load of `path` in this process (a second load would be the same library).
    Before the load, the relays on at its port are read, as kolmctl reads them."""
    key = str(path.resolve())
    with _loading:
        lock = _load_locks.setdefault(key, threading.Lock())
    with lock:
        if key not in _loaded:
            facts = before_load(path.resolve())
            check_plugin_file(path.resolve(), facts)
            seen = relays_on(facts)
            library = Library(path.resolve())
            title = library.text("titre")
            # Lines read at the port of the variant the file's name gives: only if it is the file's own.
            if seen and f"LPT{seen[0]}:" in title:
                library.relays_at_load = seen[1]
            elif title.startswith(_VIRTUAL_BOX_TITLE):
                library.relays_at_load = 0
            _loaded[key] = library
        return _loaded[key]


def _new_locks_in_child() -> None:
    # A lock another thread held at fork() would stay held in the child for ever.
    global _loading, _load_locks
    _loading, _load_locks = threading.Lock(), {}
    for library in _loaded.values():
        library.lock = threading.RLock()


if hasattr(os, "register_at_fork"):
    os.register_at_fork(after_in_child=_new_locks_in_child)
