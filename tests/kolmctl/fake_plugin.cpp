// A plug-in that gets things wrong in the ways check must find: an entry point
// that is not exported, an unreadable directory text, a wrong out-of-range answer,
// a crash on an out-of-range channel, and most of the interface missing.
#include <cstdint>

#include "expected_directory.h"

namespace {

using host::DirectoryEntry;

// Hidden: the directory points at code that no export names.
std::int32_t hiddenEA(std::int32_t channel) {
    if (channel == 4) __builtin_trap();
    return channel == 0 ? 5 : -777;
}

}  // namespace

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT std::int32_t RSB(std::int32_t) { return 0; }  // should answer -777 out of range
EXPORT const char* titre() { return "Fausse carte \xE9"; }

namespace {
DirectoryEntry directory[] = {
    {"PURE PASCAL int EA(int)", reinterpret_cast<const void*>(&hiddenEA)},
    {"PURE PASCAL int RSB(INT)", reinterpret_cast<const void*>(&RSB)},
    {"PURE PASCAL asciiz titre()", reinterpret_cast<const void*>(&titre)},
    {"PASCAL float X()", reinterpret_cast<const void*>(&titre)},
    {nullptr, nullptr},
};
}  // namespace

EXPORT DirectoryEntry* DLLFunctionDirectory() { return directory; }
