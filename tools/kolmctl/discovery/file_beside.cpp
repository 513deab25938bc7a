#include "file_beside.h"

#include <fstream>

#include "module_file.h"

namespace kolmctl {

int readWholeFile(const std::filesystem::path& path, char* text, int capacity) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return kolm::kNoSuchFile;
    std::ifstream in(path, std::ios::binary);
    if (std::filesystem::is_directory(path, ec) || !in) return kolm::kUnreadableFile;
    in.read(text, capacity);
    const auto length = static_cast<int>(in.gcount());
    if (in.bad() || length >= capacity) return kolm::kUnreadableFile;
    text[length] = '\0';
    return length;
}

}  // namespace kolmctl
