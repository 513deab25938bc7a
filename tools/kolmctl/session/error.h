// kolmctl's one error convention: a failure a user must read is thrown as an Error by
// the layer that knows what went wrong, with the exit code of its kind; the command
// line turns it into one line and that code, in one place (cli/run.cpp). The codes
// are one per kind of trouble, so that a script can tell them apart.
#pragma once

#include <string>

namespace kolmctl {

enum Exit : int {
    kOk = 0,
    kCheckFailed = 1,  // check found a fault
    kUsage = 2,        // bad command line
    kFileNotFound = 3,
    kNotAPlugin = 4,         // not a shared library, or no DLLFunctionDirectory
    kWrongArchitecture = 5,  // e.g. an i386 file given to the x86-64 tool
    kLoadFailed = 6,         // the right kind of file, but the loader refused it
    kOutOfRange = 7,         // channel or relay number the interface does not have
    kNoPortAccess = 8,       // the plug-in answered "no value" (-777)
    kNotListed = 9,          // the directory lacks an entry point the command needs
    kOutputFailed = 10,      // the output or the plot file cannot be written
    kPluginFailed = 11,      // the plug-in crashed, ended its process or did not answer in time
    kCannotIsolate = 12,     // no process (Windows: no thread) could be made to keep the plug-in apart
    kFailed = 13,            // kolmctl itself failed (out of memory)
    kInterrupted = 130,      // Ctrl-C; SIGTERM 143, SIGHUP 129 (128 + the signal)
    kReaderGone = 141,       // the program reading the output went away (128 + SIGPIPE)
};

struct Error {
    Exit code;
    std::string message;  // one line for the user, without "kolmctl: "
};

}  // namespace kolmctl
