// Plug-ins that attack their host, one per build of this file (HOSTILE names which):
// kolmctl must end every command on them with its documented exit code and one
// line, never crash or hang.
//   crash_at_load, exit_at_load   the library's start-up faults, or ends the process
//   hung_directory                DLLFunctionDirectory never returns, deaf to SIGALRM,
//                                 with a grandchild holding kolmctl's line open
//   null_directory, wild_directory  the table is at 0, or at an address nothing maps
//   wild_texts                    texts with escape sequences, without a NUL, at 0x10;
//                                 counts of 5000, NaN volts; a table that runs into an
//                                 unreadable page before any null entry
//   faulting_entries              EA faults, titre traps, EAD(0) hangs, SB ends the
//                                 process, RSB leaves a process behind in a new session
//   slow_readings                 EA takes 20 ms: no rate above 25 Hz can be kept; it
//                                 shows a virtual box's front panel, relays 0 and 2 on
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "expected_directory.h"
#include "virtual_box_panel.h"

namespace {

// The layout the host reads; only ever written here.
using host::DirectoryEntry;

#define crash_at_load    1
#define exit_at_load     2
#define hung_directory   3
#define null_directory   4
#define wild_directory   5
#define wild_texts       6
#define faulting_entries 7
#define slow_readings    8

[[noreturn]] void hang() {
    std::signal(SIGALRM, SIG_IGN);
    for (;;) pause();
}

int* volatile nowhere = nullptr;

#if HOSTILE == crash_at_load
__attribute__((constructor)) void startUp() { *nowhere = 1; }
#elif HOSTILE == exit_at_load
__attribute__((constructor)) void startUp() { std::exit(0); }
#elif HOSTILE == slow_readings
__attribute__((used)) kolm::BoxPanel panel;
__attribute__((constructor)) void startUp() {
    std::memcpy(panel.mark, kolm::kBoxPanelMark, sizeof panel.mark);
    panel.self = reinterpret_cast<std::uintptr_t>(&panel);
    panel.dataLines = 0x05;
}
#endif

}  // namespace

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT std::int32_t EA(std::int32_t channel) {
#if HOSTILE == faulting_entries
    return *nowhere + channel;
#elif HOSTILE == slow_readings
    usleep(20000);
    return channel == 0 || channel == 1 ? 512 : -777;
#else
    return channel == 0 || channel == 1 ? 5000 : -777;
#endif
}
EXPORT double EAD(std::int32_t channel) {
    if (HOSTILE == faulting_entries && channel == 0) hang();
    return channel == 0 || channel == 1 ? std::nan("") : -777.0;
}
EXPORT std::int32_t SB(std::int32_t relay, std::int32_t value) {
    if (HOSTILE == faulting_entries) std::exit(3);
    return relay * 100 + value;
}
EXPORT std::int32_t RSB(std::int32_t) {
    if (HOSTILE == faulting_entries && fork() == 0) {
        setsid();
        hang();
    }
    return 0;
}
EXPORT const char* titre() {
    if (HOSTILE == faulting_entries) __builtin_trap();
    return "\x1B]0;pwned\x07Titre \xE9";
}

namespace {

constexpr std::size_t kLong = 1 << 20;
char longText[kLong];  // filled with 'A', no NUL: the plug-in's end of the text is nowhere

DirectoryEntry fair[] = {
    {"PURE PASCAL int EA(int)", reinterpret_cast<const void*>(&EA)},
    {"PURE PASCAL double EAD(int)", reinterpret_cast<const void*>(&EAD)},
    {"PURE PASCAL INT SB(int,int)", reinterpret_cast<const void*>(&SB)},
    {"PURE PASCAL int RSB(INT)", reinterpret_cast<const void*>(&RSB)},
    {"PURE PASCAL asciiz titre()", reinterpret_cast<const void*>(&titre)},
    {nullptr, nullptr},
};

// The fair entries, then the long text and a text at 0x10, at the very end of a
// page whose next page cannot be read.
DirectoryEntry* tableBeforeAHole() {
    const long page = sysconf(_SC_PAGESIZE);
    auto* two = static_cast<char*>(mmap(nullptr, 2 * static_cast<std::size_t>(page), PROT_READ | PROT_WRITE,
                                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    mprotect(two + page, static_cast<std::size_t>(page), PROT_NONE);
    constexpr std::size_t kFair = sizeof fair / sizeof fair[0] - 1;
    auto* table = reinterpret_cast<DirectoryEntry*>(two + page) - (kFair + 2);
    std::memcpy(table, fair, kFair * sizeof(DirectoryEntry));
    std::memset(longText, 'A', kLong);
    table[kFair] = {longText, reinterpret_cast<const void*>(&titre)};
    table[kFair + 1] = {reinterpret_cast<const char*>(0x10), reinterpret_cast<const void*>(&EA)};
    return table;
}

}  // namespace

EXPORT DirectoryEntry* DLLFunctionDirectory() {
    switch (HOSTILE) {
    case hung_directory:
        if (fork() == 0) hang();  // inherits the line to kolmctl and never closes it
        hang();
    case null_directory: return nullptr;
    case wild_directory: return reinterpret_cast<DirectoryEntry*>(0x10);
    case wild_texts: {
        static DirectoryEntry* table = tableBeforeAHole();
        return table;
    }
    default: return fair;
    }
}
