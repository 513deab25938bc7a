// x86-64: the entry points use the platform's C ABI with the directory's types, so
// the call is made through a function pointer of exactly those types. Which
// registers hold the arguments is the compiler's business; nothing to check.
#include "call.h"

namespace kolmctl {

namespace {

constexpr std::size_t kMaxParams = 3;

template <typename R>
void store(Value& out, R r) {
    if constexpr (std::is_same_v<R, std::int32_t>) out.i = r;
    else if constexpr (std::is_same_v<R, double>) out.d = r;
    else out.address = reinterpret_cast<std::uintptr_t>(r);
}

template <typename R, typename... A>
bool dispatch(const void* fn, const Signature& sig, const std::vector<Arg>& args, Value& out, A... done) {
    constexpr std::size_t n = sizeof...(A);
    if (n == args.size()) {
        store<R>(out, reinterpret_cast<R (*)(A...)>(const_cast<void*>(fn))(done...));
        return true;
    }
    if constexpr (n < kMaxParams) {
        const Arg& next = args[n];
        switch (sig.params[n]) {
        case Type::Int: return dispatch<R>(fn, sig, args, out, done..., next.i);
        case Type::Double: return dispatch<R>(fn, sig, args, out, done..., next.d);
        case Type::Pointer:
        case Type::Text: return dispatch<R>(fn, sig, args, out, done..., next.p);
        }
    }
    return false;
}

}  // namespace

CallResult callEntry(const void* fn, const Signature& sig, const std::vector<Arg>& args) {
    CallResult r;
    if (args.size() != sig.params.size() || args.size() > kMaxParams) return r;
    switch (sig.result) {
    case Type::Int: r.called = dispatch<std::int32_t>(fn, sig, args, r.value); break;
    case Type::Double: r.called = dispatch<double>(fn, sig, args, r.value); break;
    case Type::Text:
    case Type::Pointer: r.called = dispatch<const void*>(fn, sig, args, r.value); break;
    }
    return r;
}

bool callsAreChecked() { return false; }
const char* callingConventionName() { return "x86-64 C ABI"; }

}  // namespace kolmctl
