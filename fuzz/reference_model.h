// What the plug-in must have done, call by call: each outcome is held against the
// plug-in's promises to the host. The box's side comes from the simulated bench
// itself (its counts, whether it is plugged in, whether its converters wait for a
// reading), so the box is modelled once, in sim/.
#pragma once

#include <cstdint>

#include "calls_on_bench.h"
#include "host_calls.h"

class Reference {
public:
    void checkLoad(const Outcome& o);
    void check(const Step& step, const Outcome& o);

private:
    std::int32_t analog(std::int32_t channel, const Outcome& o);
    std::int32_t recovering(std::int32_t channel, const Outcome& o);
    void failing(const Step& step, const Outcome& o);

    // A call made on a failing port left the plug-in to recover on its own (start-up
    // to complete, converters to reset): until a reading completes, calls are held
    // to what must hold whatever the recovery, not to exact traces.
    bool lenient_ = false;
};
