// Port access through an InpOut32-compatible helper DLL:
//   short __stdcall Inp32(short port)
//   void  __stdcall Out32(short port, short value)
//   int   __stdcall IsInpOutDriverOpen(void)   (optional)
// Loaded at start-up from a trusted folder (win_helper_search.cpp) and kept for the
// life of the process.
#include <windows.h>

#include "win_mechanisms.h"

namespace kolm {

namespace {
using Inp32Fn = short(__stdcall*)(short);
using Out32Fn = void(__stdcall*)(short, short);
using DriverOpenFn = int(__stdcall*)();

Inp32Fn inp32;
Out32Fn out32;

// The helper's calls have no way to report a failure: each one counts as done.
bool helperIn(std::uint16_t port, std::uint8_t& value) {
    value = static_cast<std::uint8_t>(inp32(static_cast<short>(port)));
    return true;
}

bool helperOut(std::uint16_t port, std::uint8_t value) {
    out32(static_cast<short>(port), static_cast<short>(value));
    return true;
}

const PortAccess helperAccess = {helperIn, helperOut, nullptr};

template <typename Fn>
Fn procedure(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// A helper that lacks Inp32/Out32 or reports its driver closed cannot reach the port.
bool bindHelper(HMODULE helper) {
    inp32 = procedure<Inp32Fn>(helper, "Inp32");
    out32 = procedure<Out32Fn>(helper, "Out32");
    const auto driverOpen = procedure<DriverOpenFn>(helper, "IsInpOutDriverOpen");
    return inp32 && out32 && !(driverOpen && driverOpen() == 0);
}
}  // namespace

const PortAccess* openHelperAccess() {
    return loadTrustedHelper("inpout32.dll", bindHelper) ? &helperAccess : nullptr;
}

}  // namespace kolm
