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

bool placeNameBesideModule(HMODULE module, const char* fileName, wchar_t* path) {
    DWORD end = module ? GetModuleFileNameW(module, path, kLongestPath) : 0;
    if (end == 0 || end >= kLongestPath) return false;
    while (end > 0 && path[end - 1] != L'\\' && path[end - 1] != L'/') --end;
    if (end == 0) return false;
    // A recording's name is as its kolmsim.ini spells it: UTF-8 (Notepad's default), or
    // else the ANSI code page, as CreateFileA would take it.
    const int room = static_cast<int>(kLongestPath - end);
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, fileName, -1, path + end, room);
    if (n == 0) n = MultiByteToWideChar(CP_ACP, 0, fileName, -1, path + end, room);
    return n > 0;
}

}  // namespace kolm
