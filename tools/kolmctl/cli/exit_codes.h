// kolmctl's one error convention: a failure a user must read is thrown as an Error
// with the exit code of its kind; the command line turns it into one line and that
// code, in one place (run.cpp). The codes are one per kind of trouble, so that a script
// can tell them apart. The session's troubles (session/error.h) get theirs here.
#pragma once

#include <string>

#include "error.h"

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
    // 128 + the number of a stop signal (Ctrl-C 130, SIGTERM 143, SIGHUP 129): interruptedExit()
    kReaderGone = 141,  // the program reading the output went away (128 + SIGPIPE)
};

// A command fails by throwing one: what went wrong, and why.
struct Error {
    Exit code;
    // One line for the user, without "kolmctl: "; empty where the command's own output
    // has told it (check's findings, a capture's summary).
    std::string message;
};

// The exit code and line of a trouble of the session.
Error errorOf(const SessionError& e);

// The exit code of the stop signal that came.
Exit interruptedExit();
// What a command that a signal stopped ends with: "interrupted (Ctrl-C)" and its exit code.
Error interruptedError();

}  // namespace kolmctl
