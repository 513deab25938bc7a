#include <dlfcn.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

bool copyIfReadable(void* to, const void* from, std::size_t n) {
    // The kernel copies from this very process and answers EFAULT where a read
    // would fault. Where the call is not allowed, the side copies directly: a fault
    // then ends only the plug-in's process.
    iovec local{to, n};
    iovec remote{const_cast<void*>(from), n};
    const ssize_t got = process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
    if (got == static_cast<ssize_t>(n)) return true;
    if (got < 0 && errno != EFAULT) {
        std::memcpy(to, from, n);
        return true;
    }
    return false;
}

}  // namespace kolmctl
