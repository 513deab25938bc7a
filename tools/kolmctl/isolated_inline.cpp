// No fork here: the probe runs in kolmctl's own process.
#include "isolated.h"

namespace kolmctl {

Outcome runIsolated(const std::function<Outcome()>& probe) { return probe(); }

}  // namespace kolmctl
