// The page kolmctl serve shows at "/": one HTML document with its scripts, styles and
// chart library inside, built into kolmctl so that no file of the machine is served.
#pragma once

#include <string_view>

namespace kolmctl {

std::string_view servePage();

}  // namespace kolmctl
