// Runs one probe of a plug-in where a crash cannot take kolmctl down: in a child
// process on Linux, which also ends a probe that hangs (isolated_fork.cpp); on
// Windows in-process, with processor faults caught (isolated_windows.cpp).
#pragma once

#include <functional>
#include <string>

namespace kolmctl {

struct Outcome {
    bool ok = true;
    std::string text;  // what went wrong, or what was seen
};

Outcome runIsolated(const std::function<Outcome()>& probe);

}  // namespace kolmctl
