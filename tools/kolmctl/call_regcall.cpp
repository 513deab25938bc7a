// i386: every call goes through the hand-written register-convention thunk, which
// plants sentinels in EBX/ESI/EDI/EBP and reports what the callee did to them, to
// the stack pointer and to the x87 stack.
#include <cstring>

#include "call.h"
#include "regcall.h"

namespace kolmctl {

CallResult callEntry(const void* fn, const Signature& sig, const std::vector<Arg>& args) {
    CallResult r;
    if (args.size() != sig.params.size()) return r;
    std::uint32_t regs[3] = {0, 0, 0};
    std::size_t inRegs = 0;
    // Stack arguments are pushed left to right, so the last one lies lowest, just
    // above the return address: build the words from the right.
    std::vector<std::uint32_t> stack;
    std::vector<std::vector<std::uint32_t>> onStack;
    for (std::size_t k = 0; k < args.size(); ++k) {
        const Arg& a = args[k];
        if (sig.params[k] == Type::Double) {
            std::uint32_t w[2];
            std::memcpy(w, &a.d, sizeof w);
            onStack.push_back({w[0], w[1]});
            continue;
        }
        const std::uint32_t word = sig.params[k] == Type::Int
                                       ? static_cast<std::uint32_t>(a.i)
                                       : static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(a.p));
        if (inRegs < 3) regs[inRegs++] = word;
        else onStack.push_back({word});
    }
    for (std::size_t k = onStack.size(); k-- > 0;)
        stack.insert(stack.end(), onStack[k].begin(), onStack[k].end());

    RegCall call{};
    call.fn = fn;
    call.eax = regs[0];
    call.edx = regs[1];
    call.ecx = regs[2];
    call.stack = stack.data();
    call.stackWords = static_cast<std::uint32_t>(stack.size());
    kolm_regcall(&call);

    r.called = true;
    r.abi.checked = true;
    r.abi.brokenRegs = call.brokenRegs;
    r.abi.espError = call.espError;
    r.abi.fpuDepth = call.fpuDepth;
    r.abi.expectedFpuDepth = sig.result == Type::Double ? 1 : 0;
    switch (sig.result) {
    case Type::Int: r.value.i = static_cast<std::int32_t>(call.eaxOut); break;
    case Type::Double: r.value.d = call.fpuDepth >= 1 ? call.st0 : 0.0; break;
    case Type::Text:
    case Type::Pointer:
        r.value.p = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(call.eaxOut));
        break;
    }
    return r;
}

bool callsAreChecked() { return true; }
const char* callingConventionName() { return "32-bit register convention (PURE PASCAL)"; }

}  // namespace kolmctl
