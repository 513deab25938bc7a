#include <csignal>
#include <cstdlib>

#include "exit_codes.h"

#include "isolated.h"
#include "plugin_side.h"

namespace kolmctl {

namespace {

volatile std::sig_atomic_t pressed = 0;
// The first Ctrl-C is noted and acted on between calls; a second one ends kolmctl
// at once, even inside a plug-in that does not return.
extern "C" void onInterrupt(int) {
    if (pressed != 0) std::_Exit(kInterrupted);
    pressed = 1;
}

class SameProcess : public Isolation {
public:
    Exchange ask(const std::string& request, const FailureLine&) override {
        Exchange e;
        e.status = Exchange::Answered;
        e.answer = side_.handle(request);
        e.step = step_;
        return e;
    }

private:
    std::int32_t step_ = 0;
    PluginSide side_{&step_};
};

}  // namespace

std::unique_ptr<Isolation> Isolation::sameProcess() { return std::make_unique<SameProcess>(); }

InterruptWatch::InterruptWatch() : previous_(std::signal(SIGINT, onInterrupt)) { pressed = 0; }
InterruptWatch::~InterruptWatch() { std::signal(SIGINT, previous_); }
bool interrupted() { return pressed != 0; }

}  // namespace kolmctl
