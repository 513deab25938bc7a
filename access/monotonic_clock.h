// Seconds on a clock that only goes forward (not the time of day, which the user and
// the network may set back), for the virtual box's signals. One file per platform:
// monotonic_clock_posix.cpp, monotonic_clock_windows.cpp.
#pragma once

namespace kolm {

double monotonicSeconds();

}  // namespace kolm
