// Parsing the port file. Written without the C library, since the Windows DLL
// imports nothing but KERNEL32: byte by byte, no copies.
#include "port_file.h"

#include "ini_text.h"

namespace kolm {

namespace {

using ini::lower;
using ini::Span;

int digitValue(char c, int radix) {
    const char l = lower(c);
    const int v = l >= '0' && l <= '9' ? l - '0' : l >= 'a' && l <= 'f' ? l - 'a' + 10 : radix;
    return v < radix ? v : -1;
}

// A whole number in hex (0x...) or decimal, or -1; values past 0xFFFFF stop counting.
long number(Span s) {
    int radix = 10;
    if (s.end - s.begin > 2 && s.begin[0] == '0' && lower(s.begin[1]) == 'x') {
        radix = 16;
        s.begin += 2;
    }
    if (s.begin == s.end) return -1;
    long value = 0;
    for (; s.begin < s.end; ++s.begin) {
        const int d = digitValue(*s.begin, radix);
        if (d < 0) return -1;
        if (value <= 0xFFFFF) value = value * radix + d;
    }
    return value;
}

}  // namespace

PortFile parsePortFile(const char* text, int length, std::uint16_t& base) {
    bool inPortSection = false;
    bool found = false;
    long value = 0;
    ini::Lines lines(text, length);
    for (ini::Line line; lines.next(line);) {
        if (line.isSection) {
            inPortSection = ini::sameWord(line.section, "port");
            continue;
        }
        if (!inPortSection || !ini::sameWord(line.name, "base")) continue;
        if (found) return PortFile::twoBases;
        found = true;
        value = number(line.value);
    }
    if (!found) return PortFile::noBase;
    if (value < 0) return PortFile::notANumber;
    if (value < kLowestBase || value > kHighestBase) return PortFile::outOfRange;
    if (value % 4 != 0) return PortFile::notAligned;
    base = static_cast<std::uint16_t>(value);
    return PortFile::valid;
}

}  // namespace kolm
