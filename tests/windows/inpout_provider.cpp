// A stand-in for the InpOut32 helper DLL, in front of the simulated bench: the
// plug-in's Inp32/Out32 calls reach the two simulated KOLM boxes. The bench's own
// kolmsim_* calls are exported too, so a test host sets inputs and reads the trace.
#include <cstdint>

#include "kolmsim.h"

extern "C" {

__declspec(dllexport) short __stdcall Inp32(short port) {
    return kolmsim_in(static_cast<std::uint16_t>(port));
}

__declspec(dllexport) void __stdcall Out32(short port, short value) {
    kolmsim_out(static_cast<std::uint16_t>(port), static_cast<std::uint8_t>(value));
}

// The helper's report on its driver: a refused bench stands for a closed driver.
__declspec(dllexport) int __stdcall IsInpOutDriverOpen() { return kolmsim_access_refused() ? 0 : 1; }

}
