// What went wrong with a plug-in file or the session that runs it: a kind, for the
// layer above to act on and word, and one line that names the file and what failed.
// Thrown by the layer that finds it; the session knows nothing of how its user ends.
#pragma once

#include <string>

#include "file_kind.h"

namespace kolmctl {

enum class Trouble {
    NoSuchFile,         // no file there, or it cannot be read
    NotAPlugin,         // not a shared library, or no usable DLLFunctionDirectory
    WrongArchitecture,  // a plug-in for another platform (SessionError::file says which)
    LoaderRefused,      // the right kind of file, but the loader refused it
    PluginCrashed,      // the plug-in crashed, ended its process or answered garbled
    PluginHung,         // the plug-in gave no answer in time
    CannotIsolate,      // no process (Windows: no thread) could keep the plug-in apart
    Interrupted,        // a stop signal came (interrupts.h)
};

struct SessionError {
    Trouble kind;
    std::string message;  // e.g. "kolmlpt1.so: the plug-in failed: EA(0) gave no answer in 10 s"
    FileKind file{};      // what the file is, for WrongArchitecture
};

}  // namespace kolmctl
