// N readings with port accesses that do nothing, for callgrind: either through
// EA(0) or through the hand-written loop. Only the readings are instrumented
// (run with --instr-atstart=no), so the instruction total divided by N is the
// cost of one reading.
#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench_access.h"
#include "entry_points.h"
#include "hand_loop.h"

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "plugin") != 0 && std::strcmp(argv[1], "loop") != 0)) {
        std::fprintf(stderr, "usage: reading_cost plugin|loop N\n");
        return 2;
    }
    const bool plugin = std::strcmp(argv[1], "plugin") == 0;
    char* end = nullptr;
    const long n = std::strtol(argv[2], &end, 10);
    if (end == argv[2] || *end != '\0' || n < 0) {
        std::fprintf(stderr, "reading_cost: N must be a count of readings\n");
        return 2;
    }
    bench::useNull();
    bench::startPlugin();
    volatile std::uint32_t sink = 0;
    CALLGRIND_START_INSTRUMENTATION;
    if (plugin) {
        for (long i = 0; i < n; ++i) sink = sink + static_cast<std::uint32_t>(EA(0));
    } else {
        for (long i = 0; i < n; ++i) sink = sink + bench::handReading(bench::access, 0x378);
    }
    CALLGRIND_STOP_INSTRUMENTATION;
    return 0;
}
