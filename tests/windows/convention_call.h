// Calls an entry point as the host does. 32-bit: through the hand-written
// register-convention thunk (regcall/), checking on every call that the callee kept
// the convention. 64-bit: through a pointer of the entry point's own C type, the
// Microsoft x64 convention being the platform's only one.
#pragma once

#include <cstdint>

#include "checks.h"

#if defined(__i386__)
#include "regcall_call.h"

// One call, its arguments in the entry point's order: Call(fn, 0).withDouble(1.5).real().
struct Call {
    const void* fn;
    regcall::Frame frame;
    explicit Call(const void* entry) : fn(entry) {}
    Call(const void* entry, std::uint32_t first) : fn(entry) { frame.add(first); }
    Call(const void* entry, std::uint32_t first, std::uintptr_t second) : fn(entry) {
        frame.add(first);
        frame.add(static_cast<std::uint32_t>(second));
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

#else
// One call, its arguments in the entry point's order: Call(fn, 0).withDouble(1.5).real().
// The number of arguments picks the entry point's type: () for titre, detail and
// DLLFunctionDirectory, (int) for most, (int, int) for SB and SA, (int, double*) for
// PSAD, (int, double) for SAD.
struct Call {
    const void* fn;
    std::int32_t first = 0;
    std::uintptr_t second = 0;
    int count = 0;
    double value = 0.0;
    bool hasDouble = false;
    explicit Call(const void* entry) : fn(entry) {}
    Call(const void* entry, std::uint32_t a) : fn(entry), first(static_cast<std::int32_t>(a)), count(1) {}
    Call(const void* entry, std::uint32_t a, std::uintptr_t b)
        : fn(entry), first(static_cast<std::int32_t>(a)), second(b), count(2) {}
    Call& withDouble(double v) {
        value = v;
        hasDouble = true;
        return *this;
    }
    template <typename F>
    F as() const {
        return reinterpret_cast<F>(const_cast<void*>(fn));
    }
    // Integer and pointer results share the one register RAX.
    template <typename R>
    R word() const {
        if (count == 0) return as<R (*)()>()();
        if (count == 1) return as<R (*)(std::int32_t)>()(first);
        return as<R (*)(std::int32_t, std::uintptr_t)>()(first, second);
    }
    std::int32_t integer() const {
        return count == 2 ? as<std::int32_t (*)(std::int32_t, std::int32_t)>()(
                                first, static_cast<std::int32_t>(second))
                          : word<std::int32_t>();
    }
    double real() const {
        if (hasDouble) return as<double (*)(std::int32_t, double)>()(first, value);
        return as<double (*)(std::int32_t)>()(first);
    }
    const char* text() const { return word<const char*>(); }
    template <typename T>
    const T* pointer() const {
        return word<const T*>();
    }
};
#endif
