#pragma once

#include <string>

#include "machine_ports.h"

namespace kolmctl {

// The lines, each after `indent`, that tell a user whose Windows bars the port
// helper's driver (m.helperDriverBarred()) why and what can be done.
std::string barredHelperAdvice(const MachinePorts& m, const std::string& indent);

}  // namespace kolmctl
