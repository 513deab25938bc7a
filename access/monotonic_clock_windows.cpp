// The performance counter (KERNEL32): every Windows from 95 has it, and where the
// hardware lacks one, the millisecond tick count since start-up.
#include <windows.h>

#include "monotonic_clock.h"

namespace kolm {

double monotonicSeconds() {
    LARGE_INTEGER count;
    LARGE_INTEGER perSecond;
    if (QueryPerformanceFrequency(&perSecond) && perSecond.QuadPart > 0 && QueryPerformanceCounter(&count))
        return static_cast<double>(count.QuadPart) / static_cast<double>(perSecond.QuadPart);
    return static_cast<double>(GetTickCount()) * 1e-3;
}

}  // namespace kolm
