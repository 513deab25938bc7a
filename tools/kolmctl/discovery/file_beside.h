// A file beside a plug-in, read whole by the plug-in's own reader (access/settings_file.h):
// the same answers for a missing file, a folder, a pipe, a device or one too long, so
// that kolmctl judges the plug-in's setting files by the plug-in's own rules, and never
// waits on one either.
#pragma once

#include <cstdint>
#include <filesystem>

namespace kolmctl {

// Reads `path` into `text`, NUL-terminated: its length, or one of the answers of
// kolm::readSettingsFile.
int readWholeFile(const std::filesystem::path& path, char* text, int capacity);

// Why a file that is there was not read whole.
enum class NotRead : std::uint8_t { folder, pipe, device, tooLong, unreadable };
// A file read with `capacity` that gave `answer` rather than its text.
struct FileNotRead {
    NotRead why = NotRead::unreadable;
    int capacity = 0;
};
FileNotRead fileNotRead(int answer, int capacity);

}  // namespace kolmctl
