// The platform-free part of finding the machine's ports.
#include <gtest/gtest.h>

#include <vector>

#include "machine_ports.h"

// The configuration manager's I/O descriptors (IO_DES, packed: count, type, 64-bit
// first and last port, flags), as it answers for a parallel-port device.
TEST(KolmctlPorts, ReadsTheParallelBaseFromTheIoDescriptors) {
    auto descriptor = [](std::uint64_t first, std::uint64_t last) {
        std::vector<unsigned char> d(28, 0);
        for (int k = 0; k < 8; ++k) {
            d[8 + k] = static_cast<unsigned char>(first >> (8 * k));
            d[16 + k] = static_cast<unsigned char>(last >> (8 * k));
        }
        d[24] = 0x11;  // flags: 16-bit decode, port I/O
        return d;
    };
    struct {
        const char* device;
        std::vector<std::vector<unsigned char>> answers;
        std::uint16_t base;
    } const cases[] = {
        {"board port, SPP and ECP", {descriptor(0x378, 0x37F), descriptor(0x778, 0x77A)}, 0x378},
        {"PCIe card, ECP range first", {descriptor(0xD000, 0xD003), descriptor(0xD010, 0xD017)}, 0xD010},
        {"old port, its 3 registers", {descriptor(0x3BC, 0x3BE)}, 0x3BC},
        {"PCIe card, one range", {descriptor(0xD010, 0xD017)}, 0xD010},
        {"nothing usable", {descriptor(0x3BD, 0x3BF), descriptor(0x10000, 0x10007), {1, 2, 3}}, 0},
    };
    for (const auto& c : cases) {
        std::vector<kolmctl::IoRange> ranges;
        for (const auto& a : c.answers) {
            kolmctl::IoRange r{};
            if (kolmctl::parseIoDescriptor(a.data(), a.size(), r)) ranges.push_back(r);
        }
        EXPECT_EQ(kolmctl::parallelBase(ranges), c.base) << c.device;
    }
}
