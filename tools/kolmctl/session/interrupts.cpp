#include "interrupts.h"

#include <csignal>
#include <cstdlib>

namespace kolmctl {

namespace {

// Windows has no SIGHUP; its console close arrives otherwise.
#ifdef SIGHUP
constexpr int kWatched[3] = {SIGINT, SIGTERM, SIGHUP};
#else
constexpr int kWatched[3] = {SIGINT, SIGTERM, SIGINT};
#endif

volatile std::sig_atomic_t noted = 0;  // the signal that came first, 0 for none

extern "C" void onSignal(int signal) {
    if (noted != 0) std::_Exit(128 + signal);
    noted = signal;
}

}  // namespace

// A reader of the output that goes away is a failed write (EPIPE), which the command
// that writes ends as a stop; SIGPIPE would end kolmctl before it says anything.
InterruptWatch::InterruptWatch() : previous_{} {
    noted = 0;
    for (int k = 0; k < 3; ++k) previous_[k] = std::signal(kWatched[k], onSignal);
#ifdef SIGPIPE
    previousPipe_ = std::signal(SIGPIPE, SIG_IGN);
#endif
}

InterruptWatch::~InterruptWatch() {
#ifdef SIGPIPE
    std::signal(SIGPIPE, previousPipe_);
#endif
    for (int k = 2; k >= 0; --k) std::signal(kWatched[k], previous_[k]);
}

bool interrupted() { return noted != 0; }

int interruptSignal() { return noted != 0 ? noted : SIGINT; }

std::string interruptName() {
    switch (noted) {
    case SIGTERM: return "SIGTERM";
#ifdef SIGHUP
    case SIGHUP: return "SIGHUP";
#endif
    default: return "Ctrl-C";
    }
}

}  // namespace kolmctl
