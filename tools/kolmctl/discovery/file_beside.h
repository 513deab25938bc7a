// A file beside a plug-in, read whole by the plug-in's own reader (access/settings_file.h):
// the same answers for a missing file, a folder, a pipe, a device or one too long, so
// that kolmctl judges the plug-in's setting files by the plug-in's own rules, and never
// waits on one either.
#pragma once

#include <filesystem>
#include <string>

namespace kolmctl {

// Reads `path` into `text`, NUL-terminated: its length, or one of the answers of
// kolm::readSettingsFile.
int readWholeFile(const std::filesystem::path& path, char* text, int capacity);

// Why a file that is there gave `answer` rather than its text, for a file read with
// `capacity`: "is a pipe (FIFO) or a socket, not a file".
std::string fileProblem(int answer, int capacity);

}  // namespace kolmctl
