// Calls an entry point through the hand-written register-convention thunk
// (tools/regcall) and checks, on every call, that the callee kept the convention.
#pragma once

#include <cstdint>

#include "checks.h"
#include "regcall.h"

// One call through the thunk; every call must keep the convention.
struct Call {
    RegCall r{};
    Call(const void* fn, std::uint32_t eax = 0, std::uint32_t edx = 0) {
        r.fn = fn;
        r.eax = eax;
        r.edx = edx;
    }
    Call& withDouble(const double& value) {
        r.stack = reinterpret_cast<const std::uint32_t*>(&value);  // as pushed: low word at the lower address
        r.stackWords = 2;
        return *this;
    }
    Call& run(bool doubleResult = false) {
        kolm_regcall(&r);
        checks::expectEq(r.brokenRegs, 0, "EBX/ESI/EDI/EBP preserved");
        checks::expectEq(r.espError, 0, "ESP balanced, stack arguments removed by the callee");
        checks::expectEq(r.fpuDepth, doubleResult ? 1 : 0, "x87 stack holds exactly the double result");
        return *this;
    }
    std::int32_t integer() { return static_cast<std::int32_t>(run().r.eaxOut); }
    double real() { return run(true).r.st0; }
    const char* text() { return reinterpret_cast<const char*>(run().r.eaxOut); }
    template <typename T>
    const T* pointer() {
        return reinterpret_cast<const T*>(run().r.eaxOut);
    }
};
