// The file beside the plug-in on Linux: dladdr names the file this code was mapped
// from, as the host's loader found it.
#include <dlfcn.h>

#include <climits>
#include <cstring>

#include "module_file.h"

namespace kolm {

int readBesideModule(const char* name, char* text, int capacity) {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&readBesideModule), &info) == 0 || info.dli_fname == nullptr)
        return kUnreadableFile;
    char path[PATH_MAX];
    // A name without a folder would be looked up in the current folder: not ours.
    const char* slash = std::strrchr(info.dli_fname, '/');
    if (slash == nullptr) return kUnreadableFile;
    const auto folder = static_cast<std::size_t>(slash - info.dli_fname + 1);
    const std::size_t length = std::strlen(name);
    if (folder + length >= sizeof path) return kUnreadableFile;
    std::memcpy(path, info.dli_fname, folder);
    std::memcpy(path + folder, name, length + 1);
    return readSettingsFile(path, text, capacity);
}

}  // namespace kolm
