// A plug-in file loaded as a host loads it (loaded_library.h), each entry point called
// through the host's calling convention (entry_call.h). Shared by the test hosts on the
// stand-in parport driver and the one on a real kernel (tests/system/).
#pragma once

#include <ostream>
#include <string>

#include "entry_call.h"
#include "host_contract.h"
#include "loaded_library.h"

// Test names and messages show the file, not the bytes of the record.
inline void PrintTo(const Variant& v, std::ostream* os) { *os << v.path; }

// "lpt1", "lpt2", "sim": the file's name after "kolm".
inline std::string variantName(const ::testing::TestParamInfo<Variant>& variant) {
    const std::string dll = variant.param.dll;
    return dll.substr(4, dll.find('.') - 4);
}

// Every call through the host's calling convention, checked on i386.
class Plugin : public host::LoadedLibrary {
public:
    using LoadedLibrary::LoadedLibrary;

    template <typename R, typename... A>
    R call(const char* name, A... args) const {
        const void* fn = address(name);
        if (!fn) {
            ADD_FAILURE() << name << " is not bound";
            return R{};
        }
        return host::call<R>(fn, name, args...);
    }
};
