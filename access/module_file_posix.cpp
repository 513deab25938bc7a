// The file beside the plug-in on Linux: dladdr names the file this code was mapped
// from, as the host's loader found it.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "module_file.h"

namespace kolm {

int readBesideModule(const char* name, char* text, int capacity) {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&readBesideModule), &info) == 0 || info.dli_fname == nullptr)
        return kNoSuchFile;
    char path[PATH_MAX];
    // A name without a folder would be looked up in the current folder: not ours.
    const char* slash = std::strrchr(info.dli_fname, '/');
    if (slash == nullptr) return kNoSuchFile;
    const auto folder = static_cast<std::size_t>(slash - info.dli_fname + 1);
    const std::size_t length = std::strlen(name);
    if (folder + length >= sizeof path) return kNoSuchFile;
    std::memcpy(path, info.dli_fname, folder);
    std::memcpy(path + folder, name, length + 1);

    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? kNoSuchFile : kUnreadableFile;
    int total = 0;
    ssize_t n = 0;
    // One byte more than fits tells a file that is too long.
    while (total < capacity && (n = ::read(fd, text + total, static_cast<std::size_t>(capacity - total))) > 0)
        total += static_cast<int>(n);
    ::close(fd);
    if (n < 0 || total >= capacity) return kUnreadableFile;
    text[total] = '\0';
    return total;
}

}  // namespace kolm
