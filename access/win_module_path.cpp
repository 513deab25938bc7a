#include "win_module_path.h"

namespace kolm {

// VirtualQuery exists on every 32-bit Windows; GetModuleHandleEx came only with XP.
HMODULE ownModule() {
    MEMORY_BASIC_INFORMATION info{};
    if (VirtualQuery(reinterpret_cast<const void*>(&ownModule), &info, sizeof info) == 0) return nullptr;
    return static_cast<HMODULE>(info.AllocationBase);
}

DWORD moduleFolder(HMODULE module, char (&path)[MAX_PATH]) {
    DWORD end = GetModuleFileNameA(module, path, MAX_PATH);
    if (end == 0 || end >= MAX_PATH) return 0;
    while (end > 0 && path[end - 1] != '\\' && path[end - 1] != '/') --end;
    return end;
}

bool placeName(char (&path)[MAX_PATH], DWORD folder, const char* fileName) {
    const auto name = static_cast<DWORD>(lstrlenA(fileName));
    if (folder == 0 || folder + name >= MAX_PATH) {
        path[0] = '\0';
        return false;
    }
    lstrcpyA(path + folder, fileName);
    return true;
}

}  // namespace kolm
