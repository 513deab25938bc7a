#include "file_beside.h"

#include "settings_file.h"

namespace kolmctl {

int readWholeFile(const std::filesystem::path& path, char* text, int capacity) {
    // Windows reads an absolute name, which it then takes past MAX_PATH.
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return kolm::readSettingsFile(ec ? path.c_str() : full.c_str(), text, capacity);
}

FileNotRead fileNotRead(int answer, int capacity) {
    switch (answer) {
    case kolm::kFolderNotFile: return {NotRead::folder, capacity};
    case kolm::kPipeNotFile: return {NotRead::pipe, capacity};
    case kolm::kDeviceNotFile: return {NotRead::device, capacity};
    case kolm::kFileTooLong: return {NotRead::tooLong, capacity};
    default: return {NotRead::unreadable, capacity};
    }
}

}  // namespace kolmctl
