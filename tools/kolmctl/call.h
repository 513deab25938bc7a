// Calls an entry point by its parsed signature, with the convention of this build:
// the 32-bit register convention through the hand-written thunk (tools/regcall) on
// i386, which also reports whether the callee kept it; the C ABI on x86-64.
#pragma once

#include <cstdint>
#include <vector>

#include "regcall_call.h"
#include "signature.h"

namespace kolmctl {

struct Arg {
    Type type;
    std::int32_t i = 0;
    double d = 0.0;
    const void* p = nullptr;
};
inline Arg intArg(std::int32_t v) { return {Type::Int, v, 0.0, nullptr}; }
inline Arg doubleArg(double v) { return {Type::Double, 0, v, nullptr}; }
inline Arg pointerArg(const void* v) { return {Type::Pointer, 0, 0.0, v}; }
// Across the isolation: a pointer to a double holding `v`, made beside the plug-in.
inline Arg pointerTo(double v) { return {Type::Pointer, 0, v, nullptr}; }

struct Value {
    std::int32_t i = 0;       // Int results
    double d = 0.0;           // Double results
    const void* p = nullptr;  // Text and Pointer results
};

// What the thunk saw around the call; `checked` is false where the build cannot tell.
struct AbiReport : regcall::Report {
    bool checked = false;
    bool kept() const { return !checked || Report::kept(); }
};

struct CallResult {
    bool called = false;  // false: a signature this build cannot call (more than 3 parameters)
    Value value;
    AbiReport abi;
};

// `args` must match sig.params in number and type.
CallResult callEntry(const void* fn, const Signature& sig, const std::vector<Arg>& args);

// Whether calls through this build report on the convention (32-bit builds).
bool callsAreChecked();
const char* callingConventionName();

}  // namespace kolmctl
