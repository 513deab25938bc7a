// A test host: loads a built plug-in file from dist/ with dlopen, binds all 20
// exports by name, and calls them through the host's calling convention.
// The machine around it is the preloaded fake parallel-port driver (fake_parport.h)
// in front of the simulated bench.
#pragma once

#include <dlfcn.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "bench_trace.h"
#include "entry_call.h"
#include "export_contract.h"
#include "fake_parport.h"

struct Variant {
    const char* path;
    std::uint16_t base;
    std::uint16_t otherBase;
    const char* title;
    const char* detail;
};

inline const Variant kVariants[] = {
    {KOLMLPT1_PATH, kLpt1, kLpt2,
     "KOLM en LPT1:", "DLL (32 bits) pour KOLM 10 bits en LPT1:, par R. Tavelinque, le 20 f\xE9vrier 2001"},
    {KOLMLPT2_PATH, kLpt2, kLpt1,
     "KOLM en LPT2:", "DLL (32 bits) pour KOLM 10 bits en LPT2:, par R. Tavelinque, le 20 f\xE9vrier 2001"},
};

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

// The machine before the host loads a plug-in: parport0 at a third base (so the
// scan must skip it), parport1 at 0x278, parport2 at 0x378; both boxes connected
// and holding `held` in their data latches.
inline void freshMachine(std::uint8_t held = 0x00) {
    const std::uint16_t bases[8] = {0x3BC, kLpt2, kLpt1};
    fake_parport_configure(bases);
    kolmsim_reset();
    kolmsim_set_data(kLpt1, held);
    kolmsim_set_data(kLpt2, held);
}

inline void noParallelPorts() {
    const std::uint16_t none[8] = {};
    fake_parport_configure(none);
    kolmsim_reset();
}
