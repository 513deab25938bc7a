"""The exceptions of the kolm package: a box that cannot be reached is an error, never
a reading of -777."""


class KolmError(Exception):
    """Anything the kolm package cannot do for you."""


class PluginError(KolmError):
    """The file is not a KOLM plug-in this Python can load: not there, not a shared
    library, of another processor or word width, or without the plug-in's exports."""


class NoPortAccess(KolmError):
    """The plug-in answered "no value" (-777): it could not reach the parallel port.

    ``reason`` says what happened, ``advice`` the one step kolmctl gives for it and
    ``code`` kolmctl's word for the cause ("noPpdev", "deviceDenied", "noPortAtBase",
    "signalFile", ... as ``kolmctl PLUGIN info --json`` gives them); both empty when
    kolmctl could not tell. The next call tries the port again.
    """

    def __init__(self, reason: str, advice: str = "", code: str = ""):
        self.reason = reason
        self.advice = advice
        self.code = code
        super().__init__(reason + ("\n" + advice if advice else ""))


class RelaysSetOff(UserWarning):
    """A switch set off relays nobody named: the relay lines could not be read before
    the plug-in was loaded, and its first switch drives all four from its own record,
    which a new load holds all off."""


# Shown as kolm.NoPortAccess, as they are imported.
for _error in (KolmError, PluginError, NoPortAccess, RelaysSetOff):
    _error.__module__ = "kolm"
