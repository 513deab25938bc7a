// Readings through EA(0): how many a second on the simulated bench and with port
// accesses that do nothing, against the hand-written loop; how many port accesses
// and heap allocations one reading makes at several resolutions.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "bench_access.h"
#include "entry_points.h"
#include "hand_loop.h"
#include "kolmunit.h"

// Every heap allocation in the process passes here; glibc's own allocator does the
// work. Its names, and those of the parameters as <stdlib.h> declares them, are the
// C library's reserved ones.
// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
extern "C" void* __libc_malloc(std::size_t);
extern "C" void* __libc_calloc(std::size_t, std::size_t);
extern "C" void* __libc_realloc(void*, std::size_t);
namespace {
std::uint64_t allocations;
}
extern "C" void* malloc(std::size_t __size) {
    ++allocations;
    return __libc_malloc(__size);
}
extern "C" void* calloc(std::size_t __nmemb, std::size_t __size) {
    ++allocations;
    return __libc_calloc(__nmemb, __size);
}
extern "C" void* realloc(void* __ptr, std::size_t __size) {
    ++allocations;
    return __libc_realloc(__ptr, __size);
}
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)

namespace {

// Heap allocations in `n` readings, counted outside the benchmark's own loop (whose
// bookkeeping allocates).
double allocationsPerReading(int n) {
    const std::uint64_t before = allocations;
    for (int i = 0; i < n; ++i) benchmark::DoNotOptimize(EA(0));
    return static_cast<double>(allocations - before) / n;
}

void readingsPerSecond(benchmark::State& state) {
    const double allocs = allocationsPerReading(10000);
    for (auto _ : state)  // NOLINT(clang-analyzer-deadcode.DeadStores): the benchmark loop
        benchmark::DoNotOptimize(EA(0));
    state.SetItemsProcessed(state.iterations());
    state.counters["allocs_per_reading"] = allocs;
}

void EA0_Simulator(benchmark::State& state) {
    bench::useSimulator();
    bench::startPlugin();
    readingsPerSecond(state);
}

void EA0_NullBackend(benchmark::State& state) {
    bench::useNull();
    bench::startPlugin();
    readingsPerSecond(state);
}

void HandLoop_NullBackend(benchmark::State& state) {
    bench::useNull();
    for (auto _ : state)  // NOLINT(clang-analyzer-deadcode.DeadStores): the benchmark loop
        benchmark::DoNotOptimize(bench::handReading(bench::access, 0x378));
    state.SetItemsProcessed(state.iterations());
}

// Port accesses per reading at resolution `range(0)`: the clocked reading makes
// 3 + 4 x resolution (relay read, framing write, 4 per bit, closing write).
void EA0_AccessesPerReading(benchmark::State& state) {
    bench::useCounting();
    bench::startPlugin();
    kolm::unit.resolution = static_cast<std::uint8_t>(state.range(0));
    state.counters["allocs_per_reading"] = allocationsPerReading(1000);
    bench::accessCount = 0;
    for (auto _ : state)  // NOLINT(clang-analyzer-deadcode.DeadStores): the benchmark loop
        benchmark::DoNotOptimize(EA(0));
    const auto n = static_cast<double>(state.iterations());
    state.counters["accesses_per_reading"] = static_cast<double>(bench::accessCount) / n;
    state.counters["expected"] = 3.0 + 4.0 * static_cast<double>(state.range(0));
    kolm::unit.resolution = 10;
}

}  // namespace

BENCHMARK(EA0_Simulator);
BENCHMARK(EA0_NullBackend);
BENCHMARK(HandLoop_NullBackend);
BENCHMARK(EA0_AccessesPerReading)->Arg(0)->Arg(1)->Arg(10)->Arg(16);

BENCHMARK_MAIN();
