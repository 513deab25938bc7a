// A stand-in for the InpOut32 helper DLL, in front of the simulated bench: the
// plug-in's Inp32/Out32 calls reach the two simulated KOLM boxes. The bench's own
// kolmsim_* calls are exported too, so a test host sets inputs and reads the trace.
//
// A program that knows nothing of the bench (kolmctl.exe) is driven from its
// environment instead, read by this test helper only, never by the plug-in:
//   KOLMSIM_INPUTS=C0,C1     both boxes' inputs held at counts C0 and C1 (else the
//                            demo waveforms)
//   KOLMSIM_DATA=V           both boxes' data latches at V when the helper loads, as
//                            a port holds what the last program left on it
//   KOLMSIM_SHOW_LATCHES=1   at exit, each box's data latch written to stderr as
//                            "latch 0x378=0xB4 0x278=0x00", what the relays see
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

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

namespace {

constexpr std::uint16_t kBases[] = {0x378, 0x278};

void holdData() {
    char text[16];
    const DWORD n = GetEnvironmentVariableA("KOLMSIM_DATA", text, sizeof text);
    if (n == 0 || n >= sizeof text) return;
    const long value = std::strtol(text, nullptr, 0);
    for (std::uint16_t base : kBases) kolmsim_set_data(base, static_cast<std::uint8_t>(value));
}

void holdInputs() {
    char text[64];
    const DWORD n = GetEnvironmentVariableA("KOLMSIM_INPUTS", text, sizeof text);
    if (n == 0 || n >= sizeof text) return;
    char* end = nullptr;
    const long c0 = std::strtol(text, &end, 0);
    if (*end != ',') return;
    const long c1 = std::strtol(end + 1, &end, 0);
    if (*end != '\0') return;
    for (std::uint16_t base : kBases) {
        kolmsim_set_count(base, 0, static_cast<int>(c0));
        kolmsim_set_count(base, 1, static_cast<int>(c1));
    }
}

void showLatches() {
    if (GetEnvironmentVariableA("KOLMSIM_SHOW_LATCHES", nullptr, 0) == 0) return;
    char line[64];
    const int n = std::snprintf(line, sizeof line, "latch 0x378=0x%02X 0x278=0x%02X\n",
                                kolmsim_data(kBases[0]), kolmsim_data(kBases[1]));
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, static_cast<DWORD>(n), &written, nullptr);
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) holdInputs(), holdData();
    if (reason == DLL_PROCESS_DETACH) showLatches();
    return TRUE;
}
