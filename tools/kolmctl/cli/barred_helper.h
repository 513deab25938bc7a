#pragma once

#include <string>

namespace kolmctl {

struct MachinePorts;

// The lines, each after `indent`, that tell a user whose Windows bars the port
// helper's driver (m.helperDriverBarred()) why and what can be done.
std::string barredHelperAdvice(const MachinePorts& m, const std::string& indent);

}  // namespace kolmctl
