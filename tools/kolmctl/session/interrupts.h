// Ctrl-C while kolmctl runs: noted here and acted on between calls, within a second.
// The command line watches for it for the whole of a run (cli/run.cpp).
#pragma once

namespace kolmctl {

// While one lives, the first Ctrl-C is noted; a second one ends kolmctl at once,
// even inside a plug-in that does not return.
class InterruptWatch {
public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

private:
    void (*previous_)(int);
};

bool interrupted();

}  // namespace kolmctl
