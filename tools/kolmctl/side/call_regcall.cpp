// i386: every call goes through the hand-written register-convention thunk, which
// plants sentinels in EBX/ESI/EDI/EBP and reports what the callee did to them, to
// the stack pointer and to the x87 stack.
#include "call.h"
#include "regcall_call.h"

namespace kolmctl {

CallResult callEntry(const void* fn, const Signature& sig, const std::vector<Arg>& args) {
    CallResult r;
    if (args.size() != sig.params.size()) return r;
    regcall::Frame frame;
    for (std::size_t k = 0; k < args.size(); ++k) {
        const Arg& a = args[k];
        const bool placed =
            sig.params[k] == Type::Double ? frame.add(a.d)
            : sig.params[k] == Type::Int
                ? frame.add(static_cast<std::uint32_t>(a.i))
                : frame.add(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(a.p)));
        if (!placed) return r;  // more stack arguments than any entry point takes
    }
    regcall::Report seen;
    const RegCall call = frame.invoke(fn, sig.result == Type::Double, seen);
    r.called = true;
    r.abi = {true, seen.brokenRegs, seen.espError, seen.fpuDepth, seen.expectedFpuDepth};
    switch (sig.result) {
    case Type::Int: r.value.i = regcall::answer<std::int32_t>(call); break;
    case Type::Double: r.value.d = regcall::answer<double>(call); break;
    case Type::Text:
    case Type::Pointer: r.value.address = regcall::answer<std::uint32_t>(call); break;
    }
    return r;
}

bool callsAreChecked() { return true; }
const char* callingConventionName() { return "32-bit register convention (PURE PASCAL)"; }

}  // namespace kolmctl
