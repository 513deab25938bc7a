// A plug-in whose EA faults on a null pointer and whose EAD never returns: kolmctl.exe
// must report the call and the exception or the time limit, and end with its exit
// code, neither crash nor hang.
#include <cstdint>

#include "expected_directory.h"

namespace {

using host::DirectoryEntry;

int* volatile nowhere = nullptr;
volatile unsigned spins = 0;

}  // namespace

// No arguments are read, so the calling convention does not matter here.
extern "C" __declspec(dllexport) std::int32_t EA() { return *nowhere; }
extern "C" __declspec(dllexport) double EAD() {
    for (;;) spins = spins + 1;
}

namespace {
DirectoryEntry directory[] = {
    {"PURE PASCAL int EA(int)", reinterpret_cast<const void*>(&EA)},
    {"PURE PASCAL double EAD(int)", reinterpret_cast<const void*>(&EAD)},
    {nullptr, nullptr},
};
}  // namespace

extern "C" __declspec(dllexport) DirectoryEntry* DLLFunctionDirectory() { return directory; }
