#include <windows.h>

#include <cstring>

#include "file_kind.h"
#include "library.h"
#include "pe_exports.h"

namespace kolmctl {

std::unique_ptr<Library> Library::open(const std::string& path, std::string& error) {
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
    return std::unique_ptr<Library>(new Library(module));
}

Library::~Library() { FreeLibrary(static_cast<HMODULE>(handle_)); }

const void* Library::symbol(const char* name) const {
    return reinterpret_cast<const void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

namespace {
// The loader maps the headers in the image's first page.
constexpr std::size_t kHeaderPage = 4096;
}  // namespace

std::string Library::exportAt(const void* address) const {
    const auto* base = static_cast<const unsigned char*>(handle_);
    const auto* at = static_cast<const unsigned char*>(address);
    const std::size_t size = peImageSize(base, kHeaderPage);
    if (at < base || at >= base + size) return {};
    return peExportAt(base, size, static_cast<std::uint32_t>(at - base));
}

std::vector<Library::Range> Library::image() const {
    const auto* base = static_cast<const unsigned char*>(handle_);
    return {{base, peImageSize(base, kHeaderPage)}};
}

bool copyIfReadable(void* to, const void* from, std::size_t n) {
    // Every page of the range must be committed and readable.
    constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                                PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    const auto* at = static_cast<const char*>(from);
    const char* const end = at + n;
    while (at < end) {
        MEMORY_BASIC_INFORMATION region{};
        if (VirtualQuery(at, &region, sizeof region) == 0 || region.State != MEM_COMMIT ||
            (region.Protect & kReadable) == 0 || (region.Protect & PAGE_GUARD) != 0)
            return false;
        at = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    }
    std::memcpy(to, from, n);
    return true;
}

std::string portHandleHeld() {
    HMODULE helper = GetModuleHandleA(windowsHelperFor(hostKind().machine));
    char path[MAX_PATH];
    const DWORD n = helper != nullptr ? GetModuleFileNameA(helper, path, MAX_PATH) : 0;
    return n > 0 && n < MAX_PATH ? std::string(path, n) : std::string();
}

bool simulatedBoxLoaded() { return false; }

}  // namespace kolmctl
