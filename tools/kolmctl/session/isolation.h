// The one way into a plug-in. The plug-in's side (side/side.h) runs apart from
// kolmctl so that a plug-in that crashes, traps, ends its process or hangs is a
// finding, never the end of kolmctl: on Linux in a child process that lives for the
// whole session and answers over a socket, timed and killed by kolmctl
// (isolation_child_process.cpp); on Windows in kolmctl's process, on a thread of its
// own with processor faults caught, kolmctl's thread timing every answer
// (isolation_windows_thread.cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "error.h"

namespace kolmctl {

struct SessionOptions {
    unsigned secondsAllowed = 10;  // for any one answer of the plug-in
    bool sameProcess = false;      // no isolation: tests that watch the simulated bench
    // Said before the process ends at once, where a plug-in leaves it no other way out
    // (Windows: a call that never returns cannot be taken back); gives the exit status.
    int (*lastWords)(const SessionError& e) = nullptr;
};

// kolmctl's line for a failure of `step` (a Step, or a call of the batch), e.g.
// "kolmlpt1.dll: the plug-in failed: EA(0) gave no answer in 10 s".
using FailureLine = std::function<std::string(std::int32_t step, const std::string& failure)>;

struct Exchange {
    enum Status { Answered, Failed, Interrupted } status = Failed;
    std::string answer;
    std::string failure;    // e.g. "crashed (Segmentation fault)", "gave no answer in 10 s"
    bool timedOut = false;  // the plug-in gave no answer in time
    std::int32_t step = 0;  // what the plug-in's side was doing (Step, or a call of the batch)
};

class Isolation {
public:
    // The side apart from kolmctl; SessionError CannotIsolate when it cannot be: then
    // kolmctl does not call the plug-in at all. With options.sameProcess, the side
    // in kolmctl's own process, unguarded, for tests that watch the simulated bench
    // (which lives in their process).
    static std::unique_ptr<Isolation> start(const SessionOptions& options);

    virtual ~Isolation() = default;
    Isolation() = default;
    Isolation(const Isolation&) = delete;
    Isolation& operator=(const Isolation&) = delete;

    // After Failed or Interrupted the side is gone: start another for more calls.
    // `line` words a failure that must be reported before ask() returns.
    virtual Exchange ask(const std::string& request, const FailureLine& line) = 0;
};

// The isolation of this platform (isolation_child_process.cpp, isolation_windows_thread.cpp).
std::unique_ptr<Isolation> startApart(const SessionOptions& options);

}  // namespace kolmctl
