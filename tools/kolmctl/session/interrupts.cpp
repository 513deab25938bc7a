#include "interrupts.h"

#include <csignal>
#include <cstdlib>

#include "error.h"

namespace kolmctl {

namespace {

volatile std::sig_atomic_t pressed = 0;

extern "C" void onInterrupt(int) {
    if (pressed != 0) std::_Exit(kInterrupted);
    pressed = 1;
}

}  // namespace

InterruptWatch::InterruptWatch() : previous_(std::signal(SIGINT, onInterrupt)) { pressed = 0; }
InterruptWatch::~InterruptWatch() { std::signal(SIGINT, previous_); }
bool interrupted() { return pressed != 0; }

}  // namespace kolmctl
