// A settings file on POSIX: stat before open, since opening a device may act on it (a
// serial line raises its control lines); open without waiting and without taking a
// terminal as the process's own; fstat again, for whatever was put in its place.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "settings_file.h"

namespace kolm {

namespace {

// 0 for a regular file, otherwise why it is not read.
int kindOf(const struct stat& s) {
    if (S_ISREG(s.st_mode)) return 0;
    if (S_ISDIR(s.st_mode)) return kFolderNotFile;
    if (S_ISFIFO(s.st_mode) || S_ISSOCK(s.st_mode)) return kPipeNotFile;
    return kDeviceNotFile;
}

int checked(const struct stat& s, int capacity) {
    const int kind = kindOf(s);
    if (kind != 0) return kind;
    return s.st_size >= capacity ? kFileTooLong : 0;
}

int readOpened(int fd, char* text, int capacity) {
    struct stat s {};
    if (::fstat(fd, &s) != 0) return kUnreadableFile;
    if (const int problem = checked(s, capacity); problem != 0) return problem;
    int total = 0;
    ssize_t n = 0;
    // One byte more than fits tells a file that grew since fstat.
    while (total < capacity && (n = ::read(fd, text + total, static_cast<std::size_t>(capacity - total))) > 0)
        total += static_cast<int>(n);
    if (n < 0) return kUnreadableFile;
    if (total >= capacity) return kFileTooLong;
    text[total] = '\0';
    return total;
}

}  // namespace

int readSettingsFile(const char* path, char* text, int capacity) {
    struct stat s {};
    if (::stat(path, &s) != 0) return errno == ENOENT || errno == ENOTDIR ? kNoSuchFile : kUnreadableFile;
    if (const int problem = checked(s, capacity); problem != 0) return problem;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return errno == ENOENT ? kNoSuchFile : kUnreadableFile;
    const int answer = readOpened(fd, text, capacity);
    ::close(fd);
    return answer;
}

}  // namespace kolm
