// The platform-free part of the discovery: a port by its base, and the I/O ranges of
// a parallel-port device as the Windows configuration manager gives them, tested on
// recorded answers anywhere.
#include "machine_ports.h"
#include "little_endian.h"

namespace kolmctl {

namespace {

constexpr std::size_t kIoDesSize = 4 + 4 + 8 + 8 + 4;

}  // namespace

const MachinePort* portAt(const MachinePorts& machine, std::uint16_t base) {
    for (const MachinePort& port : machine.ports)
        if (port.base == base) return &port;
    return nullptr;
}

bool parseIoDescriptor(const unsigned char* data, std::size_t size, IoRange& range) {
    if (data == nullptr || size < kIoDesSize) return false;
    range.first = kolm::littleEndian<std::uint64_t>(data + 8, 8);
    range.last = kolm::littleEndian<std::uint64_t>(data + 16, 8);
    return range.last >= range.first && range.last <= 0xFFFF;
}

// The register block of a parallel port is 8 ports from a multiple of 8 (data, status,
// control, then the EPP registers); an add-in card's ECP block is a second, smaller
// range. An old port may show only its 3 or 4 registers, from a multiple of 4.
std::uint16_t parallelBase(const std::vector<IoRange>& ranges) {
    for (const IoRange& r : ranges)
        if (r.first % 8 == 0 && r.last - r.first == 7 && r.first >= 0x100)
            return static_cast<std::uint16_t>(r.first);
    for (const IoRange& r : ranges)
        if (r.first % 4 == 0 && r.last - r.first >= 2 && r.first >= 0x100)
            return static_cast<std::uint16_t>(r.first);
    return 0;
}

}  // namespace kolmctl
