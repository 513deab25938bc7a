// Ctrl-C, and the signals that end a program run from a terminal or a script
// (SIGTERM from `timeout` or a shutdown, SIGHUP from a closed terminal): noted here
// and acted on between calls, within a second. The command line watches for them for
// the whole of a run (cli/run.cpp).
#pragma once

#include <string>

#include "error.h"

namespace kolmctl {

// While one lives, the first of these signals is noted; a second one ends kolmctl
// at once, even inside a plug-in that does not return.
class InterruptWatch {
public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

private:
    void (*previous_[3])(int);
    void (*previousPipe_)(int) = nullptr;
};

bool interrupted();
// The exit code of the signal that came, 128 + its number (Ctrl-C: 130).
Exit interruptedExit();
// "Ctrl-C", "SIGTERM", "SIGHUP".
std::string interruptName();
// What a command that a signal stopped ends with: "interrupted (Ctrl-C)" and its exit code.
Error interruptedError();

}  // namespace kolmctl
