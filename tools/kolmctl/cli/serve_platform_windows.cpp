#include <winsock2.h>
// After winsock2.h:
#include <windows.h>
// After windows.h:
#include <fcntl.h>
#include <io.h>
#include <ntsecapi.h>
#include <shellapi.h>

#include "exit_codes.h"
#include "serve_access.h"
#include "serve_platform.h"

namespace kolmctl {

std::string randomToken() {
    unsigned char bytes[32];
    if (RtlGenRandom(bytes, sizeof bytes) == FALSE)
        throw Error{kFailed, "the system gave no random bytes for the page's token"};
    return hexOf(bytes, sizeof bytes);
}

bool openBrowser(const std::string& url) {
    const auto done = reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return done > 32;
}

// Windows lets a second program take a port with SO_REUSEADDR unless the first holds it exclusively.
void listenAlone(std::uintptr_t socket) {
    const BOOL yes = TRUE;
    setsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
               reinterpret_cast<const char*>(&yes), sizeof yes);
}

// In the user's temporary folder (the C runtime's tmpfile() writes to the root of the
// drive, which a user may not write to), deleted by the system when its handle closes.
ScratchFile scratchFile() {
    wchar_t folder[MAX_PATH + 1];
    wchar_t path[MAX_PATH + 1];
    if (GetTempPathW(MAX_PATH + 1, folder) == 0 || GetTempFileNameW(folder, L"klm", 0, path) == 0)
        return nullptr;
    const HANDLE h = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DeleteFileW(path);  // the empty file GetTempFileNameW made
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDWR | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        return nullptr;
    }
    ScratchFile f(_fdopen(fd, "w+b"));
    if (!f) _close(fd);
    return f;
}

}  // namespace kolmctl
