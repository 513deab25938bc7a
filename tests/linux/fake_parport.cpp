// The kernel's parallel-port interfaces, served from the simulated bench to a test
// host that preloads this library (see fake_parport.h).
#include "fake_parport.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/ioctl.h>
#include <linux/ppdev.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/ucontext.h>
#include <time.h>
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
FAKE_PARPORT_API int access(const char* path, int mode);
FAKE_PARPORT_API ssize_t readlink(const char* path, char* buffer, size_t size);
}

namespace {

constexpr int kPorts = 8;
constexpr int kMaxFd = 1024;

enum class Kind : unsigned char { None, BaseAddr, Active, Device, Devices };

// Paths under /proc/self that no kernel has: what answers there is this library, in
// the very process that opened them (see fake_parport.h).
constexpr const char* kOwnFolder = "/proc/self/fake_parport/";

struct Open {
    Kind kind = Kind::None;
    int port = 0;          // N of parportN
    size_t offset = 0;     // read position in a base-addr file
    bool claimed = false;  // PPCLAIM done on this descriptor
};

uint16_t bases[kPorts] = {0x378, 0x278};
bool denyOpen = false;
int usbPrinters = 0;  // /dev/usb/lp0 to lp<usbPrinters - 1>, of the usblp driver
bool ppdevLoaded = true;
bool refuseClaim = false;
const char* holders[kPorts];    // who holds parportN, null when free
const char* baseTexts[kPorts];  // base-addr served as is, null for the kernel's form
int iopermMode = FAKE_IOPERM_REFUSED;
bool firstThreadTaken = false;
// The registers ioperm granted to this thread: [ioFrom, ioFrom + ioCount).
thread_local unsigned long ioFrom;
thread_local unsigned long ioCount;
FakeParportCounts counts;
Open opens[kMaxFd];
// With shared latches: the data lines of parportN, in a file every process maps.
volatile uint8_t* sharedLatches = nullptr;

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
    } else if (kind == Kind::BaseAddr) {
        ++counts.baseAddrReads;
    }
    return fd;
}

// "fake_parport <pid>" in a file of its own, which a shell may move to another
// descriptor (as its redirections do) and still read.
int openHandshake() {
    const int fd = memfd_create("fake_parport_handshake", MFD_CLOEXEC);
    if (fd < 0) return fd;
    char text[32];
    const int length = snprintf(text, sizeof text, "fake_parport %d\n", static_cast<int>(getpid()));
    if (write(fd, text, static_cast<size_t>(length)) != length || lseek(fd, 0, SEEK_SET) != 0) {
        next<int(int)>("close")(fd);
        return fail(EIO);
    }
    return fd;
}

// -2 when the path is not one of ours; otherwise the result of opening it.
int openOurs(const char* path) {
    if (!path) return -2;
    int port = portIn(path, "/proc/sys/dev/parport/parport", "/base-addr");
    if (port >= 0) return port < kPorts && bases[port] ? openFake(Kind::BaseAddr, port) : fail(ENOENT);
    port = portIn(path, "/proc/sys/dev/parport/parport", "/devices/active");
    if (port >= 0) return port < kPorts && bases[port] ? openFake(Kind::Active, port) : fail(ENOENT);
    if (strcmp(path, "/proc/devices") == 0) return openFake(Kind::Devices, 0);
    const size_t own = strlen(kOwnFolder);
    if (strncmp(path, kOwnFolder, own) == 0) {
        if (strcmp(path + own, "handshake") == 0) return openHandshake();
        path += own - 1;  // "/parportN": the device, as at /dev/parportN
        port = portIn(path, "/parport", "");
    } else {
        port = portIn(path, "/dev/parport", "");
    }
    if (port >= 0) {
        if (port >= kPorts || !bases[port] || !ppdevLoaded) return fail(ENOENT);
        return denyOpen ? fail(EACCES) : openFake(Kind::Device, port);
    }
    if (strncmp(path, "/proc/sys/dev/parport", 21) == 0 || strncmp(path, "/dev/parport", 12) == 0)
        return fail(ENOENT);
    return -2;
}

Open* ours(int fd) { return fd >= 0 && fd < kMaxFd && opens[fd].kind != Kind::None ? &opens[fd] : nullptr; }

// A register access of parportN between the two: the bench takes the lines another
// process left in the shared latches, and shares what this access left.
void takeSharedLines(int port) {
    if (sharedLatches && sharedLatches[port] != kolmsim_data(bases[port]))
        kolmsim_set_data(bases[port], sharedLatches[port]);
}
void shareLines(int port) {
    if (sharedLatches) sharedLatches[port] = kolmsim_data(bases[port]);
}

void mapSharedLatches(const char* file, bool fromBench) {
    const int fd = next<int(const char*, int, ...)>("open")(file, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0 || ftruncate(fd, kPorts) != 0) return;
    void* map = mmap(nullptr, kPorts, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    next<int(int)>("close")(fd);
    if (map == MAP_FAILED) return;
    sharedLatches = static_cast<volatile uint8_t*>(map);
    if (fromBench)
        for (int n = 0; n < kPorts; ++n) shareLines(n);
}

int deviceIoctl(Open& device, unsigned long request, unsigned char* arg) {
    ++counts.ioctls;
    const uint16_t base = bases[device.port];
    if (request == PPCLAIM) {
        if (device.claimed) return fail(EINVAL);
        if (refuseClaim) return fail(ENXIO);
        if (holders[device.port]) {  // the kernel would wait here until the holder lets go
            ++counts.heldClaims;
            const timespec wait = {0, 50 * 1000 * 1000};
            nanosleep(&wait, nullptr);
            return fail(EINTR);
        }
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
        int done = 0;
        takeSharedLines(device.port);
        if (request == PPRDATA) done = kolmsim_try_in(base, arg);
        else if (request == PPRSTATUS) done = kolmsim_try_in(static_cast<uint16_t>(base + 1), arg);
        else done = kolmsim_try_out(base, *arg);
        shareLines(device.port);
        return done ? 0 : fail(EIO);
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

// open, open64, openat and openat64 differ only in their names and the folder argument.
#define FAKE_PARPORT_OPEN(fn, folder, ...)                       \
    int fn(__VA_ARGS__ const char* path, int flags, ...) {       \
        va_list args;                                            \
        va_start(args, flags);                                   \
        const int fd = openWith(#fn, folder, path, flags, args); \
        va_end(args);                                            \
        return fd;                                               \
    }
FAKE_PARPORT_OPEN(open, kNoDir)
FAKE_PARPORT_OPEN(open64, kNoDir)
FAKE_PARPORT_OPEN(openat, dir, int dir, )
FAKE_PARPORT_OPEN(openat64, dir, int dir, )
#undef FAKE_PARPORT_OPEN

ssize_t read(int fd, void* buffer, size_t size) {
    static auto* realRead = next<ssize_t(int, void*, size_t)>("read");
    Open* file = ours(fd);
    if (!file) return realRead(fd, buffer, size);
    if (file->kind == Kind::Device) return fail(EINVAL);
    // As the kernel writes them: the base and the ECP high base in decimal (0 for a
    // port without ECP registers, such as an emulator's ISA port); the name of the
    // driver holding the port, or "none".
    char text[64];
    const uint16_t base = bases[file->port];
    const char* holder = holders[file->port];
    int length = 0;
    if (file->kind == Kind::Devices)
        length =
            snprintf(text, sizeof text, "Character devices:\n  1 mem\n%s", ppdevLoaded ? " 99 ppdev\n" : "");
    else if (file->kind == Kind::Active)
        length = snprintf(text, sizeof text, "%s\n", holder ? holder : "none");
    else if (baseTexts[file->port]) length = snprintf(text, sizeof text, "%s", baseTexts[file->port]);
    else length = snprintf(text, sizeof text, "%u\t0\n", base);
    if (file->offset >= static_cast<size_t>(length)) return 0;
    size_t n = static_cast<size_t>(length) - file->offset;
    if (n > size) n = size;
    memcpy(buffer, text + file->offset, n);
    file->offset += n;
    return static_cast<ssize_t>(n);
}

// The device files as a user sees them: absent without ppdev, refused to one not in lp.
int access(const char* path, int mode) {
    if (const int lp = portIn(path, "/dev/usb/lp", ""); lp >= 0) return lp < usbPrinters ? 0 : fail(ENOENT);
    const int port = portIn(path, "/dev/parport", "");
    if (port < 0) return next<int(const char*, int)>("access")(path, mode);
    if (port >= kPorts || !bases[port] || !ppdevLoaded) return fail(ENOENT);
    return denyOpen && mode != F_OK ? fail(EACCES) : 0;
}

// /proc/self/fd/N names the device a descriptor stands for, as the kernel's does.
ssize_t readlink(const char* path, char* buffer, size_t size) {
    const char* prefix = "/proc/self/fd/";
    const size_t n = strlen(prefix);
    if (strncmp(path, prefix, n) == 0) {
        const Open* file = ours(atoi(path + n));
        if (file && file->kind == Kind::Device) {
            char name[32];
            const int length = snprintf(name, sizeof name, "/dev/parport%d", file->port);
            const size_t copied = static_cast<size_t>(length) < size ? static_cast<size_t>(length) : size;
            memcpy(buffer, name, copied);
            return static_cast<ssize_t>(copied);
        }
    }
    return next<ssize_t(const char*, char*, size_t)>("readlink")(path, buffer, size);
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

// No test may reach a real port: direct I/O is refused as for an ordinary user,
// or granted on paper only, the instructions then served by serveIo below.
int ioperm(unsigned long from, unsigned long num, int turnOn) {
    ++counts.iopermCalls;
    const bool first = !firstThreadTaken;
    if (iopermMode == FAKE_IOPERM_REFUSED ||
        (iopermMode == FAKE_IOPERM_FIRST_THREAD && !first && ioCount == 0))
        return fail(EPERM);
    firstThreadTaken = true;
    if (turnOn) {
        ioFrom = from;
        ioCount = num;
    }
    return 0;
}

int iopl(int) {
    ++counts.iopermCalls;
    return fail(EPERM);
}

// An in or out instruction that faulted because the kernel never granted the
// port: served from the bench when this thread was granted it through ioperm,
// counted otherwise; either way stepped over, so a test fails instead of dying.
static void serveIo(int, siginfo_t*, void* context) {
    auto* uc = static_cast<ucontext_t*>(context);
#if defined(__x86_64__)
    greg_t& ip = uc->uc_mcontext.gregs[REG_RIP];
    greg_t& ax = uc->uc_mcontext.gregs[REG_RAX];
    const greg_t dx = uc->uc_mcontext.gregs[REG_RDX];
#else
    greg_t& ip = uc->uc_mcontext.gregs[REG_EIP];
    greg_t& ax = uc->uc_mcontext.gregs[REG_EAX];
    const greg_t dx = uc->uc_mcontext.gregs[REG_EDX];
#endif
    const auto* code = reinterpret_cast<const unsigned char*>(ip);
    const bool immediate = code[0] == 0xE4 || code[0] == 0xE6;
    if (!immediate && code[0] != 0xEC && code[0] != 0xEE) {  // not ours: die as the kernel would
        signal(SIGSEGV, SIG_DFL);
        return;
    }
    const auto port = static_cast<uint16_t>(immediate ? code[1] : dx & 0xFFFF);
    const bool isIn = code[0] == 0xEC || code[0] == 0xE4;
    if (port < ioFrom || port >= ioFrom + ioCount) {
        ++counts.ungrantedIo;
    } else {
        ++counts.servedIo;
        int parport = 0;
        while (parport < kPorts - 1 && bases[parport] != port) ++parport;
        const bool dataRegister = bases[parport] == port;
        if (dataRegister) takeSharedLines(parport);
        if (isIn) ax = static_cast<greg_t>((static_cast<unsigned long>(ax) & ~0xFFul) | kolmsim_in(port));
        else kolmsim_out(port, static_cast<uint8_t>(ax & 0xFF));
        if (dataRegister) shareLines(parport);
    }
    ip += immediate ? 2 : 1;
}

void fake_parport_ioperm(int mode) {
    iopermMode = mode;
    firstThreadTaken = false;
    ioFrom = ioCount = 0;
}

void fake_parport_serve_io(int on) {
    struct sigaction action = {};
    action.sa_flags = SA_SIGINFO;
    action.sa_sigaction = serveIo;
    if (!on) action.sa_handler = SIG_DFL;
    sigaction(SIGSEGV, &action, nullptr);
}

void fake_parport_hold(int port, const char* holder) {
    if (port >= 0 && port < kPorts) holders[port] = holder;
}

void fake_parport_refuse_claim(int refuse) { refuseClaim = refuse != 0; }

void fake_parport_base_text(int port, const char* text) {
    if (port >= 0 && port < kPorts) baseTexts[port] = text;
}

void fake_parport_configure(const uint16_t newBases[8]) {
    for (int n = 0; n < kPorts; ++n) {
        bases[n] = newBases[n];
        holders[n] = nullptr;
        baseTexts[n] = nullptr;
    }
    denyOpen = false;
    usbPrinters = 0;
    ppdevLoaded = true;
    refuseClaim = false;
    fake_parport_ioperm(FAKE_IOPERM_REFUSED);
    const uint32_t stillOpen = counts.openDevices;
    counts = FakeParportCounts{};
    counts.openDevices = stillOpen;
}

void fake_parport_ppdev(int loaded) { ppdevLoaded = loaded != 0; }

void fake_parport_usb_printers(int count) { usbPrinters = count; }

void fake_parport_share_latches(const char* file) { mapSharedLatches(file, true); }

void fake_parport_deny_open(int deny) { denyOpen = deny != 0; }

FakeParportCounts fake_parport_counts(void) { return counts; }

void fake_parport_clear_counts(void) {
    const uint32_t stillOpen = counts.openDevices;
    counts = FakeParportCounts{};
    counts.openDevices = stillOpen;
}

}  // extern "C"

// A machine of the user's choosing for a program run by hand (kolmctl, the README's
// steps) or for an emulator whose parallel ports open /dev/parportN:
// FAKE_PARPORT_BASES="0x378,0xD010" gives parport0 and parport1 those bases, each with
// a box on the bench; "0x378:709:179" also holds that box's inputs at counts 709
// (channel 0) and 179 (channel 1) instead of the demo waveforms.
__attribute__((constructor)) static void machineFromEnvironment() {
    if (const char* file = getenv("FAKE_PARPORT_LATCHES")) mapSharedLatches(file, false);
    const char* text = getenv("FAKE_PARPORT_BASES");
    if (!text) return;
    uint16_t chosen[kPorts] = {};
    char* end = nullptr;
    for (int n = 0; n < kPorts && *text; ++n, text = *end == ',' ? end + 1 : end) {
        const unsigned long base = strtoul(text, &end, 0);
        if (end == text || base > 0xFFFF) break;
        chosen[n] = static_cast<uint16_t>(base);
        kolmsim_add_box(chosen[n]);
        for (int channel = 0; channel < 2 && *end == ':'; ++channel)
            kolmsim_set_count(chosen[n], channel, static_cast<int>(strtol(end + 1, &end, 0)));
    }
    fake_parport_configure(chosen);
}
