#include <windows.h>

#include "interface_facts.h"
#include "lines_before_load.h"
#include "win_helper_calls.h"

namespace kolmctl {

std::optional<std::uint8_t> readDataRegister(std::uint16_t base, const std::string& pluginFolder) {
    char system[MAX_PATH];
    const UINT n = GetSystemDirectoryA(system, MAX_PATH);
    const std::string places[] = {pluginFolder, n > 0 && n < MAX_PATH ? std::string(system, n) + "\\" : ""};
    for (const std::string& folder : places) {
        if (folder.empty()) continue;
        const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        HMODULE module = LoadLibraryExA((folder + kolm::facts::kHelperDll).c_str(), nullptr,
                                        LOAD_WITH_ALTERED_SEARCH_PATH);
        SetErrorMode(oldMode);
        if (module == nullptr) continue;
        kolm::HelperCalls calls;
        std::optional<std::uint8_t> value;
        if (kolm::bindHelperCalls(module, calls))
            value = static_cast<std::uint8_t>(calls.inp32(static_cast<short>(base)));
        FreeLibrary(module);
        if (value) return value;
    }
    return std::nullopt;
}

}  // namespace kolmctl
