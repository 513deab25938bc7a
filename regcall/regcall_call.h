// Calls through the register-convention thunk as the host makes them, for kolmctl and
// the test hosts. Integers and pointers go in EAX, EDX, ECX, then on the stack; a
// double always goes on the stack. Stack arguments are pushed left to right, so the
// last one lies lowest, just above the return address. Every call reports whether the
// callee kept the convention. Fixed capacity, no allocation. i386 only.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "regcall.h"

namespace regcall {

// What the thunk saw around one call.
struct Report {
    std::uint32_t brokenRegs = 0;  // REGCALL_EBX | REGCALL_ESI | REGCALL_EDI | REGCALL_EBP
    std::int32_t espError = 0;     // bytes left on (+) or taken off (-) the stack
    std::uint32_t fpuDepth = 0;    // x87 registers in use after the return
    std::uint32_t expectedFpuDepth = 0;
    bool kept() const { return brokenRegs == 0 && espError == 0 && fpuDepth == expectedFpuDepth; }
};

// The arguments of one call, in the order of the entry point's parameter list.
class Frame {
public:
    bool add(std::uint32_t word) {
        if (inRegs_ < 3) {
            regs_[inRegs_++] = word;
            return true;
        }
        return push(&word, 1);
    }
    bool add(double value) {
        std::uint32_t words[2];
        std::memcpy(words, &value, sizeof words);  // low word at the lower address, as pushed
        return push(words, 2);
    }

    // Calls `fn`; `doubleResult`: the callee answers in ST(0).
    RegCall invoke(const void* fn, bool doubleResult, Report& report) const {
        std::uint32_t stack[kWords];
        std::uint32_t n = 0;
        for (unsigned k = count_; k-- > 0;)  // the rightmost argument lowest
            for (unsigned w = 0; w < items_[k].words; ++w) stack[n++] = items_[k].word[w];
        RegCall c{};
        c.fn = fn;
        c.eax = regs_[0];
        c.edx = regs_[1];
        c.ecx = regs_[2];
        c.stack = stack;
        c.stackWords = n;
        kolm_regcall(&c);
        report.brokenRegs = c.brokenRegs;
        report.espError = c.espError;
        report.fpuDepth = c.fpuDepth;
        report.expectedFpuDepth = doubleResult ? 1 : 0;
        return c;
    }

private:
    static constexpr unsigned kWords = 8;
    struct Item {
        std::uint32_t word[2];
        unsigned words;
    };
    bool push(const std::uint32_t* words, unsigned n) {
        if (count_ == kWords || used_ + n > kWords) return false;
        items_[count_] = Item{{words[0], n == 2 ? words[1] : 0}, n};
        ++count_;
        used_ += n;
        return true;
    }
    std::uint32_t regs_[3] = {0, 0, 0};
    unsigned inRegs_ = 0;
    Item items_[kWords] = {};
    unsigned count_ = 0;
    unsigned used_ = 0;
};

// Reads the answer of a call as the entry point's result type.
template <typename R>
R answer(const RegCall& c) {
    if constexpr (std::is_same_v<R, double>) return c.fpuDepth >= 1 ? c.st0 : 0.0;
    else if constexpr (std::is_pointer_v<R>)
        return reinterpret_cast<R>(static_cast<std::uintptr_t>(c.eaxOut));
    else return static_cast<R>(c.eaxOut);
}

// A call with the entry point's own types: call<double>(fn, report, 1) for EAD(1).
template <typename R, typename... A>
R call(const void* fn, Report& report, A... args) {
    Frame frame;
    auto place = [&frame](auto arg) {
        if constexpr (std::is_same_v<decltype(arg), double>) frame.add(arg);
        else if constexpr (std::is_pointer_v<decltype(arg)>)
            frame.add(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(arg)));
        else frame.add(static_cast<std::uint32_t>(arg));
    };
    (place(args), ...);
    static_cast<void>(place);  // entry points without arguments
    return answer<R>(frame.invoke(fn, std::is_same_v<R, double>, report));
}

}  // namespace regcall
