// The port file: an optional text file beside the plug-in that moves it to a port at
// another address, for a parallel-port card that the firmware placed elsewhere:
//     [port]
//     base=0xD010
// Hex with 0x, or decimal; blank lines and lines starting with ';' or '#' are
// comments, as is anything after ';' or '#' on a line; CRLF or LF line ends.
// Platform-free: the plug-in and kolmctl parse it here, each reads it its own way.
#pragma once

#include <cstdint>

namespace kolm {

enum class PortFile : std::uint8_t {
    absent,      // no such file: the variant's base
    valid,       // the base it names is used
    unreadable,  // present but not readable whole (or larger than kPortFileMax bytes)
    noBase,      // no base= line in a [port] section
    notANumber,  // the base is not a whole number in hex (0x...) or decimal
    outOfRange,  // outside 0x100 to 0xFFF8: no parallel port lies there
    notAligned,  // not a multiple of 4, as every parallel port's base is
    twoBases,    // more than one base= line: the plug-in never picks one
};

// The largest port file read: a few lines are all it needs.
constexpr int kPortFileMax = 2048;

// The lowest and highest base a parallel port can have (data, status and control
// registers all within the 16-bit I/O space).
constexpr std::uint16_t kLowestBase = 0x100;
constexpr std::uint16_t kHighestBase = 0xFFF8;

// Parses `length` bytes of a port file; `base` is set when the answer is valid.
PortFile parsePortFile(const char* text, int length, std::uint16_t& base);

}  // namespace kolm
