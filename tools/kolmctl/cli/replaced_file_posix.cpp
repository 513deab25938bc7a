#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "replaced_file.h"

namespace kolmctl {

int createNew(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return errno;
    close(fd);
    return 0;
}

int replaceWith(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace kolmctl
