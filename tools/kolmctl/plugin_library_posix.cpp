#include <dlfcn.h>

#include "plugin_library.h"

namespace kolmctl {

std::unique_ptr<PluginLibrary> PluginLibrary::open(const std::string& path, std::string& error) {
    // A bare name would be searched for on the library path; the user means this file.
    const std::string where = path.find('/') == std::string::npos ? "./" + path : path;
    void* handle = dlopen(where.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        error = why ? why : "unknown loader error";
        return nullptr;
    }
    return std::unique_ptr<PluginLibrary>(new PluginLibrary(handle));
}

PluginLibrary::~PluginLibrary() { dlclose(handle_); }

const void* PluginLibrary::symbol(const char* name) const { return dlsym(handle_, name); }

std::string PluginLibrary::exportAt(const void* address) const {
    Dl_info info{};
    if (address == nullptr || dladdr(address, &info) == 0) return {};
    if (info.dli_sname == nullptr || info.dli_saddr != address) return {};
    // Exported by this library, not by one it happens to lie next to.
    if (dlsym(handle_, info.dli_sname) != address) return {};
    return info.dli_sname;
}

}  // namespace kolmctl
