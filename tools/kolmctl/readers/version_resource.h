// The version a Windows file carries in its version resource (what Explorer's
// Properties show), read from the file's bytes: kolmctl on Linux can name the
// version of a DLL, and a damaged or hostile file yields no version, not a crash.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kolmctl {

// "1.0.0" (a fourth part only when it is not 0); nullopt when the file is not a PE
// image with a well-formed version resource.
std::optional<std::string> fileVersion(const std::string& path);
std::optional<std::string> versionFromImage(std::string_view bytes);

}  // namespace kolmctl
