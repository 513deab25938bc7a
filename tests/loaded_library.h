// A built plug-in file loaded with dlopen, as a host program on Linux loads it, with
// its exports looked up by name.
#pragma once

#include <dlfcn.h>

namespace host {

class LoadedLibrary {
public:
    explicit LoadedLibrary(const char* path, int flags = RTLD_NOW | RTLD_LOCAL)
        : handle_(dlopen(path, flags)) {}
    ~LoadedLibrary() {
        if (handle_) dlclose(handle_);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    void* handle() const { return handle_; }
    const void* address(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }
    // The export `name` as a function of the C convention: bind<int(int)>("EA").
    template <typename Fn>
    Fn* bind(const char* name) const {
        return reinterpret_cast<Fn*>(const_cast<void*>(address(name)));
    }

private:
    void* handle_;
};

}  // namespace host
