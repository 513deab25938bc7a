#include "win_helper_calls.h"

namespace kolm {

namespace {

using DriverOpenFn = int(__stdcall*)();

template <typename Fn>
Fn procedure(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

bool bindHelperCalls(HMODULE helper, HelperCalls& calls) {
    calls.inp32 = procedure<Inp32Fn>(helper, "Inp32");
    calls.out32 = procedure<Out32Fn>(helper, "Out32");
    const auto driverOpen = procedure<DriverOpenFn>(helper, "IsInpOutDriverOpen");
    return calls.inp32 && calls.out32 && !(driverOpen && driverOpen() == 0);
}

}  // namespace kolm
