// The plug-in's texts are Windows-1252; terminals and files here are UTF-8.
#pragma once

#include <string>

namespace kolmctl {

// Control bytes (below 0x20, and 0x7F) come out as \xNN: a plug-in's text must not
// move the cursor or retitle the window.
std::string utf8FromCp1252(const char* text);
std::string utf8FromCp1252(const std::string& text);

}  // namespace kolmctl
