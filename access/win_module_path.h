// Full paths of files beside the plug-in's own DLL, the host program or in the
// system folder, built with KERNEL32 string functions only: the DLL imports nothing
// else and loads on every 32-bit Windows.
#pragma once

#include <windows.h>

namespace kolm {

// The plug-in's own module: the allocation that holds this code.
HMODULE ownModule();

// Length of the folder part, backslash included, of `module`'s file (the program's
// when null); 0 when unknown or truncated, since a cut name would be another folder.
DWORD moduleFolder(HMODULE module, char (&path)[MAX_PATH]);

// `path` becomes the folder of length `folder` followed by `fileName`; false (and an
// empty path) when there is no folder or the whole would not fit.
bool placeName(char (&path)[MAX_PATH], DWORD folder, const char* fileName);

// The longest path Windows knows, in UTF-16 units with the terminating zero.
constexpr DWORD kLongestPath = 32768;

// Room for one such path from the process heap (64 KiB: too much for a loader's stack);
// `text` is null when there was none.
struct WidePath {
    WidePath()
        : text(static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, kLongestPath * sizeof(wchar_t)))) {}
    ~WidePath() {
        if (text) HeapFree(GetProcessHeap(), 0, text);
    }
    WidePath(const WidePath&) = delete;
    WidePath& operator=(const WidePath&) = delete;
    wchar_t* text;
};

// `path` becomes the UTF-16 name of `fileName` in the folder of `module`'s file; false
// when the folder is unknown or the whole would not fit.
bool placeNameBesideModule(HMODULE module, const char* fileName, wchar_t* path);

}  // namespace kolm
