// Calls a plug-in entry point the way a host does. On i386 through the
// hand-written register-convention thunk (tools/regcall), checking on every call
// that EBX/ESI/EDI/EBP survive, the stack is balanced (the callee removes its
// stacked double) and the x87 stack holds exactly the double result, if any.
// On x86-64 through the platform's C ABI.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <type_traits>

#if defined(__i386__)
#include "regcall.h"
#endif

namespace host {

#if defined(__i386__)

template <typename R, typename... A>
R call(const void* fn, const char* name, A... args) {
    std::uint32_t regs[3] = {};
    std::uint32_t stack[8] = {};
    unsigned inRegs = 0;
    unsigned stackWords = 0;
    auto place = [&](auto arg) {
        if constexpr (std::is_same_v<decltype(arg), double>) {
            std::memcpy(&stack[stackWords], &arg, sizeof arg);  // doubles travel on the stack
            stackWords += 2;
        } else if constexpr (std::is_pointer_v<decltype(arg)>) {
            regs[inRegs++] = reinterpret_cast<std::uintptr_t>(arg);
        } else {
            regs[inRegs++] = static_cast<std::uint32_t>(arg);
        }
    };
    (place(args), ...);
    static_cast<void>(place);  // entry points without arguments
    RegCall c{};
    c.fn = fn;
    c.eax = regs[0];
    c.edx = regs[1];
    c.ecx = regs[2];
    c.stack = stack;
    c.stackWords = stackWords;
    kolm_regcall(&c);
    EXPECT_EQ(c.brokenRegs, 0u) << name << ": callee-saved registers broken (1 EBX, 2 ESI, 4 EDI, 8 EBP)";
    EXPECT_EQ(c.espError, 0) << name << ": stack not balanced";
    constexpr std::uint32_t doubleResult = std::is_same_v<R, double> ? 1 : 0;
    EXPECT_EQ(c.fpuDepth, doubleResult) << name << ": x87 stack depth after return";
    if constexpr (std::is_same_v<R, double>) return c.st0;
    else if constexpr (std::is_pointer_v<R>)
        return reinterpret_cast<R>(static_cast<std::uintptr_t>(c.eaxOut));
    else return static_cast<R>(c.eaxOut);
}

#else

template <typename R, typename... A>
R call(const void* fn, const char*, A... args) {
    return reinterpret_cast<R (*)(A...)>(const_cast<void*>(fn))(args...);
}

#endif

}  // namespace host
