#pragma once

namespace kolm {
// Runs once when the loader attaches the library: 10-bit readings, the variant's
// port, access from the platform, then the interface initialised.
void startLibrary();
// Every record of the library and of its port module as at load, access dropped:
// for tests, the fuzzer and the benchmarks, which load the library again in one
// process. startLibrary() then starts it as the loader would.
void resetLibrary();
}  // namespace kolm
