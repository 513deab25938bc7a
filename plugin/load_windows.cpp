// Windows DLL: the loader's process-attach notification runs start-up. The DLL has
// no C runtime start-up of its own (no constructors, no TLS), so this is its entry.
#include <windows.h>

#include "startup.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        // Thread attach and detach would only call in for nothing.
        DisableThreadLibraryCalls(instance);
        kolm::startLibrary();
    }
    return TRUE;
}
