#pragma once

namespace kolm {
// Runs once when the loader attaches the library: 10-bit readings, the variant's
// port, access from the platform, then the interface initialised.
void startLibrary();
}  // namespace kolm
