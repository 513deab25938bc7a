// Ctrl-C, and the signals that end a program run from a terminal or a script
// (SIGTERM from `timeout` or a shutdown, SIGHUP from a closed terminal): noted here
// and acted on between calls, within a second. The command line watches for them for
// the whole of a run (cli/run.cpp).
#pragma once

#include <string>

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
// The number of the signal that came (SIGINT where none has).
int interruptSignal();
// "Ctrl-C", "SIGTERM", "SIGHUP".
std::string interruptName();

}  // namespace kolmctl
