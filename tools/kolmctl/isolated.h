// Runs one probe of a plug-in where a crash or a hang cannot take kolmctl down:
// in a child process on Linux (isolated_fork.cpp); in-process where the platform
// has no fork (isolated_inline.cpp).
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
