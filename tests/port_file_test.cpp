// The port file's text: every row of the hosts' table, and the limits around it.
#include <gtest/gtest.h>

#include <cstring>

#include "port_file_cases.h"

using kolm::PortFile;

TEST(PortFile, ParsesTheHostsRowsAndTheLimits) {
    struct Row {
        const char* text;
        PortFile kind;
        std::uint16_t base;
    };
    std::vector<Row> rows = {
        {"[port]\nbase=0x100", PortFile::valid, 0x100},
        {"[port]\nBase=0XFFF8", PortFile::valid, 0xFFF8},
        {"[port]\nbase=888#LPT1", PortFile::valid, 0x378},
        {"[port]\nbase=0x", PortFile::notANumber, 0},
        {"[port]\nbase=-4", PortFile::notANumber, 0},
        {"[port]\nbase=0xD0 10", PortFile::notANumber, 0},
        {"[port]\nbase=99999999999999999999", PortFile::outOfRange, 0},
        {"[port\nbase=0xD010", PortFile::noBase, 0},
        {"[port]\nbased=0xD010\nbase 0xD010", PortFile::noBase, 0},
        {"", PortFile::noBase, 0},
    };
    for (const PortFileCase& c : kPortFileCases)
        if (c.text && c.kind != PortFile::unreadable && !c.inCurrentFolder)
            rows.push_back({c.text, c.kind, static_cast<std::uint16_t>(c.base > 0 ? c.base : 0)});
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        std::uint16_t base = 0;
        EXPECT_EQ(kolm::parsePortFile(r.text, static_cast<int>(std::strlen(r.text)), base), r.kind);
        EXPECT_EQ(base, r.base);
    }
}
