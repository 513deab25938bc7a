// Calls an entry point by its parsed signature, with the convention of this build:
// the 32-bit register convention through the hand-written thunk (regcall/) on i386,
// which also reports whether the callee kept it; the C ABI on x86-64.
#pragma once

#include <vector>

#include "messages.h"
#include "signature.h"

namespace kolmctl {

// `args` must match sig.params in number and type.
CallResult callEntry(const void* fn, const Signature& sig, const std::vector<Arg>& args);

// Whether calls through this build report on the convention (32-bit builds).
bool callsAreChecked();
const char* callingConventionName();

}  // namespace kolmctl
