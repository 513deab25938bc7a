// The one way into a plug-in. The plug-in's side (plugin_side.h) runs apart from
// kolmctl so that a plug-in that crashes, traps, ends its process or hangs is a
// finding, never the end of kolmctl: on Linux in a child process that lives for the
// whole session and answers over a socket, timed and killed by kolmctl
// (isolated_fork.cpp); on Windows in kolmctl's process, with processor faults
// caught and every answer timed by a watchdog thread (isolated_windows.cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kolmctl {

// kolmctl's line for a failure of `step` (a Step, or a call of the batch), e.g.
// "kolmlpt1.dll: the plug-in failed: EA(0) gave no answer in 10 s".
using FailureLine = std::function<std::string(std::int32_t step, const std::string& failure)>;

struct Exchange {
    enum Status { Answered, Failed, Interrupted } status = Failed;
    std::string answer;
    std::string failure;    // e.g. "crashed (Segmentation fault)", "gave no answer in 10 s"
    std::int32_t step = 0;  // what the plug-in's side was doing (Step, or a call of the batch)
};

class Isolation {
public:
    // nullptr, with the reason in `why`, when the plug-in cannot be isolated: then
    // kolmctl does not call it at all.
    static std::unique_ptr<Isolation> start(unsigned secondsAllowed, std::string& why);
    // The side in kolmctl's own process, unguarded: for tests that watch the
    // simulated bench, which lives in their process.
    static std::unique_ptr<Isolation> sameProcess();

    virtual ~Isolation() = default;
    Isolation() = default;
    Isolation(const Isolation&) = delete;
    Isolation& operator=(const Isolation&) = delete;

    // After Failed or Interrupted the side is gone: start another for more calls.
    // `line` is for a failure that must be reported before ask() returns: one that
    // leaves kolmctl no way but to end at once.
    virtual Exchange ask(const std::string& request, const FailureLine& line) = 0;
};

// Ctrl-C while a plug-in is in use: noted here, acted on within a second.
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
