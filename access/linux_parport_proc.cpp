#include "linux_parport_proc.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace kolm {

namespace {

// Reads a small /proc file whole, NUL-terminated; its length, or -1.
int readSmallFile(const char* path, char (&text)[64]) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n < 0) return -1;
    text[n] = '\0';
    return static_cast<int>(n);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n'; }

}  // namespace

long parseBaseAddr(const char* text) {
    long base = 0;
    const char* p = text;
    if (!isDigit(*p)) return -1;
    for (; isDigit(*p); ++p) {
        base = base * 10 + (*p - '0');
        if (base > 0xFFFF) return -1;  // no I/O port lies there: not our port
    }
    if (*p != '\0' && !isSpace(*p)) return -1;
    while (isSpace(*p)) ++p;
    while (isDigit(*p)) ++p;  // the high base, which we do not use
    while (isSpace(*p)) ++p;
    return *p == '\0' ? base : -1;
}

long parportBase(int n) {
    char path[64];
    char text[64];
    std::snprintf(path, sizeof path, "/proc/sys/dev/parport/parport%d/base-addr", n);
    return readSmallFile(path, text) > 0 ? parseBaseAddr(text) : -1;
}

bool parportHolder(int n, char (&name)[64]) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/sys/dev/parport/parport%d/devices/active", n);
    name[0] = '\0';
    int length = readSmallFile(path, name);
    if (length <= 0) {
        name[0] = '\0';
        return false;
    }
    while (length > 0 && (name[length - 1] == '\n' || name[length - 1] == ' ')) name[--length] = '\0';
    if (length == 4 && name[0] == 'n' && name[1] == 'o' && name[2] == 'n' && name[3] == 'e') name[0] = '\0';
    return true;
}

}  // namespace kolm
