// A plug-in file loaded as a host loads it: dlopen, all 20 exports bound by name,
// each called through the host's calling convention (entry_call.h). Shared by the
// test hosts on the stand-in parport driver and the one on a real kernel.
#pragma once

#include <dlfcn.h>

#include <cstring>
#include <ostream>
#include <string>

#include "entry_call.h"
#include "host_contract.h"

// Test names and messages show the file, not the bytes of the record.
inline void PrintTo(const Variant& v, std::ostream* os) { *os << v.path; }

inline std::string variantName(const ::testing::TestParamInfo<Variant>& variant) {
    return "lpt" + std::to_string(variant.index + 1);
}

class Plugin {
public:
    explicit Plugin(const char* path, int flags = RTLD_NOW | RTLD_LOCAL) : handle_(dlopen(path, flags)) {
        for (int k = 0; k < kExportCount; ++k)
            bound_[k] = handle_ ? dlsym(handle_, kKolmExports[k].name) : nullptr;
    }
    ~Plugin() {
        if (handle_) dlclose(handle_);
    }
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    bool loaded() const { return handle_ != nullptr; }

    const void* address(const char* name) const {
        for (int k = 0; k < kExportCount; ++k)
            if (std::strcmp(kKolmExports[k].name, name) == 0) return bound_[k];
        return nullptr;
    }

    template <typename R, typename... A>
    R call(const char* name, A... args) const {
        const void* fn = address(name);
        if (!fn) {
            ADD_FAILURE() << name << " is not bound";
            return R{};
        }
        return host::call<R>(fn, name, args...);
    }

private:
    void* handle_;
    const void* bound_[kExportCount] = {};
};
