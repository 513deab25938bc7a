// The line-level procedures of the port module, checked on the exact port trace and
// on what the simulated converters decode from the clock edges really produced.
#include <tuple>

#include "plugin_fixture.h"

using PortSequence = PluginTest;

TEST_F(PortSequence, InitKeepsRelayNibbleAndRestoreWritesSavedByte) {
    kolmsim_set_data(kLpt1, 0x0F);
    kolm::initInterface();
    EXPECT_EQ(benchTrace(), (std::vector{R(kLpt1, 0x0F), W(kLpt1, 0xBF)}));
    EXPECT_EQ(kolm::unit.savedData, 0x0Fu);
    kolmsim_trace_clear();
    kolm::restorePort();
    EXPECT_EQ(benchTrace(), (std::vector{W(kLpt1, 0x0F)}));
}

TEST_F(PortSequence, ReadingClocksTenBitsKeepingRelayLines) {
    load(0x05);  // relays 0 and 2 on
    std::uint16_t ch0 = 0, ch1 = 0;
    kolm::readChannels(ch0, ch1);
    const auto trace = benchTrace();
    ASSERT_EQ(trace.size(), 43u);
    EXPECT_EQ(trace[0], R(kLpt1, 0xB5));
    EXPECT_EQ(trace[1], W(kLpt1, 0x35));
    for (int bit = 0; bit < 10; ++bit) {
        const auto* cycle = &trace[2 + 4 * bit];
        EXPECT_EQ(cycle[0], W(kLpt1, 0xB5)) << "bit " << bit;
        EXPECT_FALSE(cycle[1].isWrite);
        EXPECT_EQ(cycle[1].port, kLpt1 + 1);
        EXPECT_FALSE(cycle[2].isWrite);
        EXPECT_EQ(cycle[2].port, kLpt1 + 1);
        EXPECT_EQ(cycle[3], W(kLpt1, 0x35));
    }
    EXPECT_EQ(trace[42], W(kLpt1, 0x75));
}

// Distinct patterns per channel: a swapped status line, a missed BUSY inversion, the
// two status reads used the other way round or the wrong bit order all decode wrong.
TEST_F(PortSequence, DecodesWhatTheConvertersSend) {
    const std::tuple<int, int> cases[] = {
        {0, 0}, {1023, 1023}, {512, 1}, {0x2AA, 0x155}, {1, 1022}, {700, 300}, {0x3F0, 0x00F},
    };
    for (auto [in0, in1] : cases) {
        kolmsim_set_count(kLpt1, 0, in0);
        kolmsim_set_count(kLpt1, 1, in1);
        std::uint16_t ch0 = 0, ch1 = 0;
        kolm::readChannels(ch0, ch1);
        EXPECT_EQ(ch0, in0);
        EXPECT_EQ(ch1, in1);
    }
}

TEST_F(PortSequence, ResolutionSetsClockCountAndBits) {
    kolmsim_set_count(kLpt1, 0, 0x2AA);
    kolmsim_set_count(kLpt1, 1, 0x3FF);
    // resolution, expected ch0, expected ch1: the converters send 10 bits, then low lines.
    const std::tuple<int, int, int> cases[] = {
        {0, 0, 0}, {1, 1, 1}, {10, 0x2AA, 0x3FF}, {16, 0x2AA << 6, 0x3FF << 6}};
    for (auto [bits, want0, want1] : cases) {
        kolm::unit.resolution = static_cast<std::uint8_t>(bits);
        kolmsim_trace_clear();
        std::uint16_t ch0 = 99, ch1 = 99;
        kolm::readChannels(ch0, ch1);
        EXPECT_EQ(kolmsim_access_count(), 3u + 4u * static_cast<unsigned>(bits)) << bits;
        EXPECT_EQ(ch0, want0) << bits;
        EXPECT_EQ(ch1, want1) << bits;
    }
    kolm::unit.resolution = 0;
    kolmsim_trace_clear();
    std::uint16_t ch0 = 0, ch1 = 0;
    kolm::readChannels(ch0, ch1);
    EXPECT_EQ(writesTo(kLpt1), (std::vector{0x30, 0x70}));
    EXPECT_FALSE(touched(kLpt1 + 1));
}

TEST_F(PortSequence, NothingConnectedReadsFullScale) {
    kolmsim_set_connected(kLpt1, 0);  // status floats: bit 7 at 0, bit 6 at 1
    std::uint16_t ch0 = 0, ch1 = 0;
    kolm::readChannels(ch0, ch1);
    EXPECT_EQ(ch0, 1023);
    EXPECT_EQ(ch1, 1023);
}

TEST_F(PortSequence, RelayWriteKeepsConverterNibble) {
    load(0x7A);
    kolmsim_set_data(kLpt1, 0x7A);
    kolm::unit.relayLines[1] = 1;
    kolm::writeRelays();
    EXPECT_EQ(writesTo(kLpt1), (std::vector{0x72}));
    kolm::unit.relayLines[0] = 2;  // any non-zero flag is on
    kolm::unit.relayLines[3] = 255;
    kolm::writeRelays();
    EXPECT_EQ(kolmsim_data(kLpt1), 0x7B);
}
