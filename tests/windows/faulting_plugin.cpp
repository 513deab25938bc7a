// A plug-in whose EA faults on a null pointer: kolmctl.exe must report the call and
// the exception, and end with its exit code, not crash.
#include <cstdint>

#include "expected_directory.h"

namespace {

using host::DirectoryEntry;

int* volatile nowhere = nullptr;

}  // namespace

// No arguments are read, so the calling convention does not matter here.
extern "C" __declspec(dllexport) std::int32_t EA() { return *nowhere; }

namespace {
DirectoryEntry directory[] = {
    {"PURE PASCAL int EA(int)", reinterpret_cast<const void*>(&EA)},
    {nullptr, nullptr},
};
}  // namespace

extern "C" __declspec(dllexport) DirectoryEntry* DLLFunctionDirectory() { return directory; }
