#include "file_beside.h"

#include "settings_file.h"

namespace kolmctl {

int readWholeFile(const std::filesystem::path& path, char* text, int capacity) {
    // Windows reads an absolute name, which it then takes past MAX_PATH.
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return kolm::readSettingsFile(ec ? path.c_str() : full.c_str(), text, capacity);
}

std::string fileProblem(int answer, int capacity) {
    switch (answer) {
    case kolm::kFolderNotFile: return "is a folder, not a file";
    case kolm::kPipeNotFile: return "is a pipe (FIFO) or a socket, not a file";
    case kolm::kDeviceNotFile: return "is a device, not a file";
    case kolm::kFileTooLong:
        return capacity % 1024 == 0 && capacity >= 65536
                   ? "is " + std::to_string(capacity / 1024) + " KiB or longer"
                   : "is " + std::to_string(capacity) + " bytes or longer";
    default: return "cannot be opened or read";
    }
}

}  // namespace kolmctl
