// Calls a plug-in entry point the way a host does. On i386 through the
// hand-written register-convention thunk (regcall/), checking on every call
// that EBX/ESI/EDI/EBP survive, the stack is balanced (the callee removes its
// stacked double) and the x87 stack holds exactly the double result, if any.
// On x86-64 through the platform's C ABI.
#pragma once

#include <gtest/gtest.h>

#if defined(__i386__)
#include "regcall_call.h"
#endif

namespace host {

#if defined(__i386__)

template <typename R, typename... A>
R call(const void* fn, const char* name, A... args) {
    regcall::Report seen;
    const R result = regcall::call<R>(fn, seen, args...);
    EXPECT_EQ(seen.brokenRegs, 0u) << name << ": callee-saved registers broken (1 EBX, 2 ESI, 4 EDI, 8 EBP)";
    EXPECT_EQ(seen.espError, 0) << name << ": stack not balanced";
    EXPECT_EQ(seen.fpuDepth, seen.expectedFpuDepth) << name << ": x87 stack depth after return";
    return result;
}

#else

template <typename R, typename... A>
R call(const void* fn, const char*, A... args) {
    return reinterpret_cast<R (*)(A...)>(const_cast<void*>(fn))(args...);
}

#endif

}  // namespace host
