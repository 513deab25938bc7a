// The kernel's parallel-port interfaces, served from the simulated bench to a test
// host that preloads this library (see fake_parport.h).
#include "fake_parport.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/ioctl.h>
#include <linux/ppdev.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "kolmsim.h"

// Declared here rather than through <sys/ioctl.h> and <sys/io.h>, whose
// declarations carry exception specifications meant for callers.
extern "C" {
FAKE_PARPORT_API int ioctl(int fd, unsigned long request, ...);
FAKE_PARPORT_API int ioperm(unsigned long from, unsigned long num, int turnOn);
FAKE_PARPORT_API int iopl(int level);
FAKE_PARPORT_API int open(const char* path, int flags, ...);
FAKE_PARPORT_API int open64(const char* path, int flags, ...);
FAKE_PARPORT_API int openat(int dir, const char* path, int flags, ...);
FAKE_PARPORT_API int openat64(int dir, const char* path, int flags, ...);
FAKE_PARPORT_API ssize_t read(int fd, void* buffer, size_t size);
FAKE_PARPORT_API int close(int fd);
}

namespace {

constexpr int kPorts = 8;
constexpr int kMaxFd = 1024;

enum class Kind : unsigned char { None, BaseAddr, Device };

struct Open {
    Kind kind = Kind::None;
    int port = 0;          // N of parportN
    size_t offset = 0;     // read position in a base-addr file
    bool claimed = false;  // PPCLAIM done on this descriptor
};

uint16_t bases[kPorts] = {0x378, 0x278};
bool denyOpen = false;
FakeParportCounts counts;
Open opens[kMaxFd];

template <typename Fn>
Fn* next(const char* name) {
    return reinterpret_cast<Fn*>(dlsym(RTLD_NEXT, name));
}

// N for "<prefix>N<suffix>" with a single digit N, else -1.
int portIn(const char* path, const char* prefix, const char* suffix) {
    const size_t n = strlen(prefix);
    if (strncmp(path, prefix, n) != 0) return -1;
    const char digit = path[n];
    if (digit < '0' || digit > '9' || strcmp(path + n + 1, suffix) != 0) return -1;
    return digit - '0';
}

int fail(int error) {
    errno = error;
    return -1;
}

// A real descriptor (on /dev/null) stands for each fake file, so that descriptor
// numbers and /proc/self/fd behave as with the kernel's files.
int openFake(Kind kind, int port) {
    static auto* realOpen = next<int(const char*, int, ...)>("open");
    const int fd = realOpen("/dev/null", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fd;
    if (fd >= kMaxFd) {
        next<int(int)>("close")(fd);
        return fail(EMFILE);
    }
    opens[fd] = Open{kind, port, 0, false};
    if (kind == Kind::Device) {
        ++counts.deviceOpens;
        ++counts.openDevices;
    } else {
        ++counts.baseAddrReads;
    }
    return fd;
}

// -2 when the path is not one of ours; otherwise the result of opening it.
int openOurs(const char* path) {
    if (!path) return -2;
    int port = portIn(path, "/proc/sys/dev/parport/parport", "/base-addr");
    if (port >= 0) return port < kPorts && bases[port] ? openFake(Kind::BaseAddr, port) : fail(ENOENT);
    port = portIn(path, "/dev/parport", "");
    if (port >= 0) {
        if (port >= kPorts || !bases[port]) return fail(ENOENT);
        return denyOpen ? fail(EACCES) : openFake(Kind::Device, port);
    }
    if (strncmp(path, "/proc/sys/dev/parport", 21) == 0 || strncmp(path, "/dev/parport", 12) == 0)
        return fail(ENOENT);
    return -2;
}

Open* ours(int fd) { return fd >= 0 && fd < kMaxFd && opens[fd].kind != Kind::None ? &opens[fd] : nullptr; }

int deviceIoctl(Open& device, unsigned long request, unsigned char* arg) {
    ++counts.ioctls;
    const uint16_t base = bases[device.port];
    if (request == PPCLAIM) {
        if (device.claimed) return fail(EINVAL);
        device.claimed = true;
        ++counts.claims;
        return 0;
    }
    if (request == PPRELEASE) {
        device.claimed = false;
        return 0;
    }
    if (request == PPRDATA || request == PPWDATA || request == PPRSTATUS) {
        ++counts.dataIoctls;
        if (!device.claimed) {
            ++counts.unclaimedAccess;
            return fail(EINVAL);
        }
        if (request == PPRDATA) *arg = kolmsim_in(base);
        else if (request == PPRSTATUS) *arg = kolmsim_in(static_cast<uint16_t>(base + 1));
        else kolmsim_out(base, *arg);
        return 0;
    }
    ++counts.otherIoctls;
    return fail(ENOTTY);
}

constexpr int kNoDir = AT_FDCWD + 1;  // marks the open/open64 forms, which take no directory

int openWith(const char* name, int dir, const char* path, int flags, va_list args) {
    const int result = openOurs(path);
    if (result != -2) return result;
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) mode = static_cast<mode_t>(va_arg(args, int));
    if (dir == kNoDir) return next<int(const char*, int, ...)>(name)(path, flags, mode);
    return next<int(int, const char*, int, ...)>(name)(dir, path, flags, mode);
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const int fd = openWith("open", kNoDir, path, flags, args);
    va_end(args);
    return fd;
}

int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const int fd = openWith("open64", kNoDir, path, flags, args);
    va_end(args);
    return fd;
}

int openat(int dir, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const int fd = openWith("openat", dir, path, flags, args);
    va_end(args);
    return fd;
}

int openat64(int dir, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const int fd = openWith("openat64", dir, path, flags, args);
    va_end(args);
    return fd;
}

ssize_t read(int fd, void* buffer, size_t size) {
    static auto* realRead = next<ssize_t(int, void*, size_t)>("read");
    Open* file = ours(fd);
    if (!file) return realRead(fd, buffer, size);
    if (file->kind != Kind::BaseAddr) return fail(EINVAL);
    // As the kernel writes it: the base and the ECP high base, in decimal.
    char text[32];
    const uint16_t base = bases[file->port];
    const int length = snprintf(text, sizeof text, "%u\t%u\n", base, base + 0x400u);
    if (file->offset >= static_cast<size_t>(length)) return 0;
    size_t n = static_cast<size_t>(length) - file->offset;
    if (n > size) n = size;
    memcpy(buffer, text + file->offset, n);
    file->offset += n;
    return static_cast<ssize_t>(n);
}

int close(int fd) {
    static auto* realClose = next<int(int)>("close");
    if (Open* file = ours(fd)) {
        if (file->kind == Kind::Device) --counts.openDevices;
        *file = Open{};
    }
    return realClose(fd);
}

int ioctl(int fd, unsigned long request, ...) {
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);
    if (Open* file = ours(fd)) {
        if (file->kind != Kind::Device) return fail(ENOTTY);
        return deviceIoctl(*file, request, static_cast<unsigned char*>(arg));
    }
    return next<int(int, unsigned long, ...)>("ioctl")(fd, request, arg);
}

// No test may reach a real port: direct I/O is refused as for an ordinary user.
int ioperm(unsigned long, unsigned long, int) {
    ++counts.iopermCalls;
    return fail(EPERM);
}

int iopl(int) {
    ++counts.iopermCalls;
    return fail(EPERM);
}

void fake_parport_configure(const uint16_t newBases[8]) {
    for (int n = 0; n < kPorts; ++n) bases[n] = newBases[n];
    denyOpen = false;
    const uint32_t stillOpen = counts.openDevices;
    counts = FakeParportCounts{};
    counts.openDevices = stillOpen;
}

void fake_parport_deny_open(int deny) { denyOpen = deny != 0; }

FakeParportCounts fake_parport_counts(void) { return counts; }

void fake_parport_clear_counts(void) {
    const uint32_t stillOpen = counts.openDevices;
    counts = FakeParportCounts{};
    counts.openDevices = stillOpen;
}

}  // extern "C"
