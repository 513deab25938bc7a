// Addresses and port numbers written as a person reads them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace kolmctl {

// "0x7f3a2c001040": an address in the plug-in's memory.
inline std::string hexAddress(std::uint64_t address) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(address));
    return text;
}

// "0x0378": an I/O port, as device managers show them.
inline std::string hexPort(std::uint16_t port) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", port);
    return text;
}

}  // namespace kolmctl
