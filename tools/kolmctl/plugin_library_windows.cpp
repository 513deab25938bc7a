#include <windows.h>

#include "plugin_library.h"

namespace kolmctl {

std::unique_ptr<PluginLibrary> PluginLibrary::open(const std::string& path, std::string& error) {
    // No dialog boxes from the loader: a missing dependency is an error message here.
    // The plug-in finds its port helper beside itself, as in the host program's folder;
    // kolmctl adds no folder to the DLL search.
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryA(path.c_str());
    SetErrorMode(oldMode);
    if (module == nullptr) {
        error = "LoadLibrary failed, error " + std::to_string(GetLastError());
        return nullptr;
    }
    return std::unique_ptr<PluginLibrary>(new PluginLibrary(module));
}

PluginLibrary::~PluginLibrary() { FreeLibrary(static_cast<HMODULE>(handle_)); }

const void* PluginLibrary::symbol(const char* name) const {
    return reinterpret_cast<const void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

std::string PluginLibrary::exportAt(const void* address) const {
    // Walk the export directory of the loaded image.
    const auto* base = static_cast<const unsigned char*>(handle_);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (dir.VirtualAddress == 0) return {};
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    const auto* functions = reinterpret_cast<const DWORD*>(base + exports->AddressOfFunctions);
    const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    const auto* ordinals = reinterpret_cast<const WORD*>(base + exports->AddressOfNameOrdinals);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
        if (base + functions[ordinals[i]] == address) return reinterpret_cast<const char*>(base + names[i]);
    }
    return {};
}

}  // namespace kolmctl
