// The file beside the plug-in on Windows: the folder of the DLL's own file name, read
// with CreateFileA/ReadFile (KERNEL32 only, no C runtime).
#include <windows.h>

#include "module_file.h"
#include "win_module_path.h"

namespace kolm {

int readBesideModule(const char* name, char* text, int capacity) {
    char path[MAX_PATH];
    HMODULE self = ownModule();
    if (self == nullptr || !placeName(path, moduleFolder(self, path), name)) return kNoSuchFile;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        // A folder whose name the ANSI code page cannot spell comes back with '?' in it:
        // its files cannot be named, as when the folder is unknown.
        const DWORD error = GetLastError();
        const bool none =
            error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME;
        return none ? kNoSuchFile : kUnreadableFile;
    }
    // One byte more than fits tells a file that is too long.
    DWORD total = 0;
    DWORD n = 0;
    BOOL ok = TRUE;
    while (total < static_cast<DWORD>(capacity) &&
           (ok = ReadFile(file, text + total, static_cast<DWORD>(capacity) - total, &n, nullptr)) && n > 0)
        total += n;
    CloseHandle(file);
    if (!ok || total >= static_cast<DWORD>(capacity)) return kUnreadableFile;
    text[total] = '\0';
    return static_cast<int>(total);
}

}  // namespace kolm
