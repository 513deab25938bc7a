// The simulated bench behind the stand-in inpout32.dll, as the Windows test host
// reaches it: through the helper's own kolmsim_* exports, the same module the
// plug-in loads, so both see one bench. On the direct path the bench is the host's
// own (direct_io_server.h).
#pragma once

#include <windows.h>

#include <cstdint>
#include <type_traits>
#include <vector>

#include "checks.h"
#include "kolmsim.h"

// The simulated bench, reached through the helper DLL the plug-in loads too, or
// bound to the host's own bench.
struct Bench {
    decltype(&kolmsim_reset) reset;
    decltype(&kolmsim_set_data) setData;
    decltype(&kolmsim_set_count) setCount;
    decltype(&kolmsim_refuse_access) refuse;
    decltype(&kolmsim_trace_length) traceLength;
    decltype(&kolmsim_trace_at) traceAt;
    decltype(&kolmsim_trace_clear) traceClear;
    decltype(&kolmsim_access_count) accessCount;

    bool bind(HMODULE helper) {
        auto get = [&](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(
                reinterpret_cast<void*>(GetProcAddress(helper, name)));
            return fn != nullptr;
        };
        return get(reset, "kolmsim_reset") && get(setData, "kolmsim_set_data") &&
               get(setCount, "kolmsim_set_count") && get(refuse, "kolmsim_refuse_access") &&
               get(traceLength, "kolmsim_trace_length") && get(traceAt, "kolmsim_trace_at") &&
               get(traceClear, "kolmsim_trace_clear") && get(accessCount, "kolmsim_access_count");
    }

    std::vector<KolmsimAccess> trace() const {
        std::vector<KolmsimAccess> out(traceLength());
        for (std::size_t i = 0; i < out.size(); ++i) traceAt(i, &out[i]);
        return out;
    }
};

struct Access {
    bool write;
    std::uint16_t port;
    int value;  // -1: any value (a status read shows what the box drives)
};

inline void expectTrace(const Bench& bench, const std::vector<Access>& want, const char* what) {
    const std::vector<KolmsimAccess> got = bench.trace();
    bool same = got.size() == want.size();
    for (std::size_t i = 0; same && i < got.size(); ++i)
        same = (got[i].isWrite != 0) == want[i].write && got[i].port == want[i].port &&
               (want[i].value < 0 || got[i].value == want[i].value);
    checks::expect(same, what, static_cast<long long>(got.size()), static_cast<long long>(want.size()));
}

inline bool touched(const Bench& bench, std::uint16_t port) {
    for (const KolmsimAccess& a : bench.trace())
        if (a.port == port) return true;
    return false;
}
