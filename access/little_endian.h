// A little-endian field, lowest byte first: the configuration manager's resource
// descriptors, and the ELF and PE headers kolmctl reads.
#pragma once

#include <cstdint>

namespace kolm {

template <typename T>
T littleEndian(const unsigned char* p, int bytes) {
    T v = 0;
    for (int k = bytes - 1; k >= 0; --k) v = static_cast<T>((v << 8) | p[k]);
    return v;
}

}  // namespace kolm
