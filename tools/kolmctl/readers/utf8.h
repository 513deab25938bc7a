// Text from outside (the system's device names, paths) made safe to write as UTF-8:
// a JSON reader or a terminal must never get a byte sequence that is not UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace kolmctl {

// `text` with every byte that does not begin or continue a well-formed UTF-8
// character (overlong forms and surrogates included) replaced by U+FFFD.
std::string validUtf8(std::string_view text);

}  // namespace kolmctl
