// Drives the LPT1 plug-in the way a careless host could. Each input is decoded
// into a bench and a sequence of host calls (host_calls.h); each call is made on
// the plug-in linked here and the simulated bench (calls_on_bench.h), and its
// answer and what the port saw are held against the reference (reference_model.h).
// A broken promise stops the run with a trap.
#include <cstddef>
#include <cstdint>

#include "calls_on_bench.h"
#include "host_calls.h"
#include "reference_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Session session = decode(data, size);
    Reference reference;
    reference.checkLoad(load(session));
    for (const Step& step : session.steps) reference.check(step, run(step));
    return 0;
}
