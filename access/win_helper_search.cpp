// Where the port helper DLL is looked for: the host program's folder, the plug-in's
// own folder, then the system folder, each by full path. Nobody can write there who
// could not also replace the host program or the plug-in. Never the current folder or
// PATH, which the standard search would also try: a lab program's current folder is
// often a shared folder or a USB stick, and a DLL dropped there would run inside the
// host. Only KERNEL32 functions that Windows 95 already had: the DLL imports nothing
// else and loads on every 32-bit Windows.
#include <windows.h>

#include "win_mechanisms.h"
#include "win_module_path.h"

namespace kolm {

namespace {

constexpr int kPlaces = 3;

DWORD systemFolder(char (&path)[MAX_PATH]) {
    DWORD end = GetSystemDirectoryA(path, MAX_PATH);
    if (end == 0 || end >= MAX_PATH - 1) return 0;
    if (path[end - 1] != '\\') path[end++] = '\\';
    return end;
}

// The host program usually lies beside the plug-in: one folder is tried once, so a
// refused helper does not start twice.
bool triedBefore(const char (&paths)[kPlaces][MAX_PATH], int place) {
    for (int k = 0; k < place; ++k)
        if (paths[k][0] != '\0' && lstrcmpiA(paths[k], paths[place]) == 0) return true;
    return false;
}

}  // namespace

HMODULE loadTrustedHelper(const char* fileName, bool (*usable)(HMODULE)) {
    char paths[kPlaces][MAX_PATH];
    HMODULE self = ownModule();
    const DWORD folders[kPlaces] = {moduleFolder(nullptr, paths[0]), self ? moduleFolder(self, paths[1]) : 0,
                                    systemFolder(paths[2])};
    // A candidate with a missing dependency fails to load with an error, not a dialog
    // box that would stop the host.
    const UINT oldMode = SetErrorMode(0);
    SetErrorMode(oldMode | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE found = nullptr;
    for (int place = 0; place < kPlaces && found == nullptr; ++place) {
        if (!placeName(paths[place], folders[place], fileName) || triedBefore(paths, place)) continue;
        // The altered search resolves the helper's own DLLs from its folder first.
        HMODULE candidate = LoadLibraryExA(paths[place], nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (candidate != nullptr && usable(candidate)) found = candidate;
        else if (candidate != nullptr) FreeLibrary(candidate);
    }
    SetErrorMode(oldMode);
    return found;
}

}  // namespace kolm
