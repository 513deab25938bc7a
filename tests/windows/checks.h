// A small check harness for the Windows test host (no test framework is built for
// the MinGW target): each failed check is printed, and the run ends with the line
// "N passed, N failed".
#pragma once

#include <cstdio>

namespace checks {

inline int passed = 0;
inline int failed = 0;
inline const char* context = "";

inline bool expect(bool ok, const char* what, long long got = 0, long long want = 0) {
    if (ok) {
        ++passed;
    } else {
        ++failed;
        std::printf("FAILED [%s] %s (got %lld, want %lld)\n", context, what, got, want);
    }
    return ok;
}

inline bool expectEq(long long got, long long want, const char* what) {
    return expect(got == want, what, got, want);
}

inline int finish() {
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 && passed > 0 ? 0 : 1;
}

}  // namespace checks
