// Calls an entry point through the hand-written register-convention thunk
// (regcall/) and checks, on every call, that the callee kept the convention.
#pragma once

#include <cstdint>

#include "checks.h"
#include "regcall_call.h"

// One call, its arguments in the entry point's order: Call(fn, 0).withDouble(1.5).real().
struct Call {
    const void* fn;
    regcall::Frame frame;
    explicit Call(const void* entry) : fn(entry) {}
    Call(const void* entry, std::uint32_t first) : fn(entry) { frame.add(first); }
    Call(const void* entry, std::uint32_t first, std::uint32_t second) : fn(entry) {
        frame.add(first);
        frame.add(second);
    }
    Call& withDouble(double value) {
        frame.add(value);
        return *this;
    }
    RegCall run(bool doubleResult = false) const {
        regcall::Report seen;
        const RegCall r = frame.invoke(fn, doubleResult, seen);
        checks::expectEq(seen.brokenRegs, 0, "EBX/ESI/EDI/EBP preserved");
        checks::expectEq(seen.espError, 0, "ESP balanced, stack arguments removed by the callee");
        checks::expectEq(seen.fpuDepth, seen.expectedFpuDepth, "x87 stack holds exactly the double result");
        return r;
    }
    std::int32_t integer() const { return regcall::answer<std::int32_t>(run()); }
    double real() const { return regcall::answer<double>(run(true)); }
    const char* text() const { return regcall::answer<const char*>(run()); }
    template <typename T>
    const T* pointer() const {
        return regcall::answer<const T*>(run());
    }
};
