// A settings file on Windows, by its UTF-16 name (any folder name in any script) and in
// the \\?\ form that lifts the MAX_PATH limit. KERNEL32 only: the DLL imports nothing else.
#include <windows.h>

#include "settings_file.h"
#include "win_module_path.h"

namespace kolm {

namespace {

bool separator(wchar_t c) { return c == L'\\' || c == L'/'; }

// `path` (absolute: C:\... or \\server\share\...) into `out` as \\?\C:\... or
// \\?\UNC\server\share\..., '/' turned to '\' since the prefix turns off Windows' own
// clean-up of the name; a path that has the prefix already stays as it is. False when
// it would not fit.
bool extended(const wchar_t* path, wchar_t* out) {
    const wchar_t* prefix = L"\\\\?\\";
    const wchar_t* rest = path;
    if (separator(path[0]) && separator(path[1])) {
        const bool prefixed = (path[2] == L'?' || path[2] == L'.') && separator(path[3]);
        prefix = prefixed ? L"" : L"\\\\?\\UNC\\";
        rest = prefixed ? path : path + 2;
    }
    DWORD at = 0;
    for (; *prefix != 0; ++prefix) out[at++] = *prefix;
    for (; *rest != 0; ++rest) {
        if (at + 1 >= kLongestPath) return false;
        out[at++] = separator(*rest) ? L'\\' : *rest;
    }
    out[at] = 0;
    return true;
}

int absentOrUnreadable(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? kNoSuchFile : kUnreadableFile;
}

int readOpened(HANDLE file, char* text, int capacity) {
    const DWORD type = GetFileType(file);
    if (type == FILE_TYPE_PIPE) return kPipeNotFile;
    if (type != FILE_TYPE_DISK) return kDeviceNotFile;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) return kUnreadableFile;
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return kFolderNotFile;
    if (info.nFileSizeHigh != 0 || info.nFileSizeLow >= static_cast<DWORD>(capacity)) return kFileTooLong;
    // One byte more than fits tells a file that grew since.
    DWORD total = 0;
    DWORD n = 0;
    BOOL ok = TRUE;
    while (total < static_cast<DWORD>(capacity) &&
           (ok = ReadFile(file, text + total, static_cast<DWORD>(capacity) - total, &n, nullptr)) && n > 0)
        total += n;
    if (!ok) return kUnreadableFile;
    if (total >= static_cast<DWORD>(capacity)) return kFileTooLong;
    text[total] = '\0';
    return static_cast<int>(total);
}

int openAndRead(const wchar_t* path, char* text, int capacity) {
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return absentOrUnreadable(GetLastError());
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return kFolderNotFile;
    if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return kDeviceNotFile;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return absentOrUnreadable(GetLastError());
    const int answer = readOpened(file, text, capacity);
    CloseHandle(file);
    return answer;
}

}  // namespace

int readSettingsFile(const wchar_t* path, char* text, int capacity) {
    WidePath full;
    if (!full.text) return kUnreadableFile;
    return extended(path, full.text) ? openAndRead(full.text, text, capacity) : kUnreadableFile;
}

}  // namespace kolm
