// The one way into a plug-in. The plug-in's side (plugin_side.h) runs apart from
// kolmctl so that a plug-in that crashes, traps, ends its process or hangs is a
// finding, never the end of kolmctl: on Linux in a child process that lives for the
// whole session and answers over a socket, timed and killed by kolmctl
// (isolated_fork.cpp); on Windows in kolmctl's process, with processor faults
// caught (isolated_windows.cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kolmctl {

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
    // `name` names a step, for a failure reported before ask() returns.
    virtual Exchange ask(const std::string& request,
                         const std::function<std::string(std::int32_t)>& name) = 0;
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
