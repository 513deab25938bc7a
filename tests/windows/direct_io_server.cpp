#include "direct_io_server.h"

#include <windows.h>

#include <cstdint>

namespace {

// The instruction pointer and the registers in/out use, in this host's width.
#if defined(_WIN64)
#define KOLM_IP Rip
#define KOLM_AX Rax
#define KOLM_DX Rdx
#else
#define KOLM_IP Eip
#define KOLM_AX Eax
#define KOLM_DX Edx
#endif

char pluginPaths[2][MAX_PATH];

// Whether `address` lies inside the image of one of the plug-in DLLs.
bool insidePlugin(const void* address) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            static_cast<const char*>(address), &module))
        return false;
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    for (const char* plugin : pluginPaths)
        if (plugin[0] != '\0' && lstrcmpiA(path, plugin) == 0) return true;
    return false;
}

// The byte-wide forms the plug-in uses: in al,dx (EC), out dx,al (EE), and their
// 8-bit port forms in al,imm8 (E4), out imm8,al (E6). Any other is not served.
struct PortInstruction {
    bool write;
    std::uint16_t port;
    DWORD length;
};

bool decode(const CONTEXT& context, PortInstruction& out) {
    const auto* code = reinterpret_cast<const std::uint8_t*>(context.KOLM_IP);
    const auto dx = static_cast<std::uint16_t>(context.KOLM_DX & 0xFFFF);
    switch (code[0]) {
    case 0xEC: out = {false, dx, 1}; return true;
    case 0xEE: out = {true, dx, 1}; return true;
    case 0xE4: out = {false, code[1], 2}; return true;
    case 0xE6: out = {true, code[1], 2}; return true;
    default: return false;
    }
}

LONG CALLBACK servePortInstruction(EXCEPTION_POINTERS* info) {
    const DWORD code = info->ExceptionRecord->ExceptionCode;
    if (code != EXCEPTION_PRIV_INSTRUCTION && code != EXCEPTION_ACCESS_VIOLATION &&
        code != EXCEPTION_ILLEGAL_INSTRUCTION)
        return EXCEPTION_CONTINUE_SEARCH;
    CONTEXT& context = *info->ContextRecord;
    PortInstruction instruction{};
    if (!insidePlugin(reinterpret_cast<const void*>(context.KOLM_IP)) || !decode(context, instruction) ||
        kolmsim_access_refused())
        return EXCEPTION_CONTINUE_SEARCH;
    if (instruction.write) {
        kolmsim_out(instruction.port, static_cast<std::uint8_t>(context.KOLM_AX & 0xFF));
    } else {
        context.KOLM_AX = (context.KOLM_AX & ~decltype(context.KOLM_AX){0xFF}) | kolmsim_in(instruction.port);
    }
    context.KOLM_IP += instruction.length;
    return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

bool serveDirectIo(const char* const (&paths)[2]) {
    for (int i = 0; i < 2; ++i) {
        const DWORD n = GetFullPathNameA(paths[i], MAX_PATH, pluginPaths[i], nullptr);
        if (n == 0 || n >= MAX_PATH) return false;
    }
    return AddVectoredExceptionHandler(1, servePortInstruction) != nullptr;
}

Bench directIoBench() {
    Bench bench{};
    bench.reset = kolmsim_reset;
    bench.setData = kolmsim_set_data;
    bench.setCount = kolmsim_set_count;
    bench.refuse = kolmsim_refuse_access;
    bench.traceLength = kolmsim_trace_length;
    bench.traceAt = kolmsim_trace_at;
    bench.traceClear = kolmsim_trace_clear;
    bench.accessCount = kolmsim_access_count;
    return bench;
}
