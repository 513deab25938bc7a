// A file beside a plug-in, read whole as the plug-in reads it (access/module_file.h):
// the same answers for a missing file and for one that cannot be read or is too long,
// so that kolmctl judges the plug-in's setting files by the plug-in's own rules.
#pragma once

#include <filesystem>

namespace kolmctl {

// Reads `path` into `text`, NUL-terminated: its length, or kolm::kNoSuchFile, or
// kolm::kUnreadableFile (there, but not a file readable whole within capacity - 1 bytes).
int readWholeFile(const std::filesystem::path& path, char* text, int capacity);

}  // namespace kolmctl
