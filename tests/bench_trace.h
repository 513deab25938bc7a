// Reading the simulated bench's access trace in tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "kolmsim.h"

constexpr std::uint16_t kLpt1 = 0x378;
constexpr std::uint16_t kLpt2 = 0x278;

inline std::vector<KolmsimAccess> benchTrace() {
    std::vector<KolmsimAccess> out(kolmsim_trace_length());
    for (std::size_t i = 0; i < out.size(); ++i) kolmsim_trace_at(i, &out[i]);
    return out;
}

// The bytes written to `port`, in order.
inline std::vector<int> writesTo(std::uint16_t port) {
    std::vector<int> out;
    for (const auto& a : benchTrace())
        if (a.isWrite && a.port == port) out.push_back(a.value);
    return out;
}

inline bool touched(std::uint16_t port) {
    return std::ranges::any_of(benchTrace(), [port](const KolmsimAccess& a) { return a.port == port; });
}

inline bool operator==(const KolmsimAccess& a, const KolmsimAccess& b) {
    return a.isWrite == b.isWrite && a.port == b.port && a.value == b.value;
}

inline KolmsimAccess W(std::uint16_t port, int value) { return {1, static_cast<std::uint8_t>(value), port}; }
inline KolmsimAccess R(std::uint16_t port, int value) { return {0, static_cast<std::uint8_t>(value), port}; }
