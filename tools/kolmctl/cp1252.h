// The plug-in's texts are Windows-1252; terminals and files here are UTF-8.
#pragma once

#include <string>

namespace kolmctl {

std::string utf8FromCp1252(const char* text);

}  // namespace kolmctl
