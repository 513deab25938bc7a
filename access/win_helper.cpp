// Port access through an InpOut32-compatible helper DLL (win_helper_calls.h), loaded
// at start-up from a trusted folder (win_helper_search.cpp) and kept for the life of
// the process.
#include "interface_facts.h"
#include "win_helper_calls.h"
#include "win_mechanisms.h"

namespace kolm {

namespace {

HelperCalls helper;

// The helper's calls have no way to report a failure: each one counts as done.
bool helperIn(std::uint16_t port, std::uint8_t& value) {
    value = static_cast<std::uint8_t>(helper.inp32(static_cast<short>(port)));
    return true;
}

bool helperOut(std::uint16_t port, std::uint8_t value) {
    helper.out32(static_cast<short>(port), static_cast<short>(value));
    return true;
}

const PortAccess helperAccess = {helperIn, helperOut, nullptr};

bool bindHelper(HMODULE module) { return bindHelperCalls(module, helper); }

}  // namespace

const PortAccess* openHelperAccess() {
    return loadTrustedHelper(facts::kHelperDll, bindHelper) ? &helperAccess : nullptr;
}

}  // namespace kolm
