// The entry points as the host calls them, on the LPT1 build.
#include <climits>
#include <cstring>
#include <string>

#include "host_contract.h"
#include "plugin_fixture.h"

using EntryPoints = PluginTest;
using kolm::NO_VALUE;

namespace {
const std::int32_t kOutOfRange[] = {INT_MIN, -1000, -1, 4, 5, 1000, INT_MAX};
}

TEST_F(EntryPoints, ReadsCountsAndVolts) {
    kolmsim_set_count(kLpt1, 0, 1023);
    kolmsim_set_count(kLpt1, 1, 512);
    EXPECT_EQ(EA(0), 1023);
    EXPECT_EQ(EA(1), 512);
    EXPECT_EQ(kolmsim_access_count(), 86u);  // two complete readings
    EXPECT_DOUBLE_EQ(EAD(0), 4.9951171875);
    EXPECT_DOUBLE_EQ(EAD(1), 2.5);
    double* first = peaD(1);
    EXPECT_DOUBLE_EQ(*first, 2.5);
    kolmsim_set_count(kLpt1, 1, 0);
    EXPECT_EQ(peaD(1), first);
    EXPECT_DOUBLE_EQ(*first, 0.0);
}

TEST_F(EntryPoints, ChannelTwoRestoresAndThreeReinitialises) {
    load(0x0C);
    EXPECT_EQ(EA(2), NO_VALUE);
    EXPECT_EQ(writesTo(kLpt1), (std::vector{0x0C}));
    kolmsim_set_data(kLpt1, 0x03);
    kolmsim_trace_clear();
    EXPECT_DOUBLE_EQ(EAD(3), -3.7939453125);  // NO_VALUE through the volts scaling
    EXPECT_EQ(writesTo(kLpt1), (std::vector{0xB3}));
    kolmsim_trace_clear();
    EXPECT_DOUBLE_EQ(EAD(2), -3.7939453125);
    EXPECT_EQ(writesTo(kLpt1), (std::vector{0x03}));  // the byte read at re-initialisation
}

// A reading ends with D6 high; re-initialising then lowers D6 with the clock high in
// one write, which leaves the converters waiting: the next reading starts at the first bit.
TEST_F(EntryPoints, ReadingAfterReinitialisationStartsAtTheFirstBit) {
    kolmsim_set_count(kLpt1, 0, 709);
    kolmsim_set_count(kLpt1, 1, 179);
    EXPECT_EQ(EA(0), 709);
    EXPECT_EQ(EA(3), NO_VALUE);
    EXPECT_EQ(EA(1), 179);
    EXPECT_EQ(EA(0), 709);
}

TEST_F(EntryPoints, OutOfRangeNumbersTouchNothing) {
    for (std::int32_t n : kOutOfRange) {
        SCOPED_TRACE(n);
        EXPECT_EQ(EA(n), NO_VALUE);
        EXPECT_EQ(EAD(n), -777.0);
        EXPECT_EQ(*peaD(n), -777.0);
        EXPECT_STREQ(nea(n), "");
        EXPECT_STREQ(nead(n), "");
        EXPECT_EQ(SB(n, 1), NO_VALUE);
        EXPECT_EQ(RSB(n), NO_VALUE);
        EXPECT_STREQ(nsb(n), "");
    }
    EXPECT_EQ(kolmsim_access_count(), 0u);
    EXPECT_EQ(kolm::relayState, 0);
}

TEST_F(EntryPoints, ChannelAndRelayNames) {
    using Name = const char* (*)(std::int32_t);
    const struct {
        Name name;
        std::int32_t n;
        const char* want;
    } cases[] = {
        {nea, 0, "CAN voie 0"},
        {nea, 1, "CAN voie 1"},
        {nead, 0, "tension voie 0"},
        {nead, 1, "tension voie 1"},
        {nea, 2, "RAZ pour impression"},
        {nead, 2, "RAZ pour impression"},
        {nea, 3, "R\xE9initialisation"},
        {nead, 3, "R\xE9initialisation"},
        {nsb, 0, "relais 0"},
        {nsb, 3, "relais 3"},
    };
    for (const auto& c : cases) EXPECT_EQ(std::string(c.name(c.n)), c.want) << c.n;
    const char* buffer = nead(1);
    nead(3);
    EXPECT_STREQ(buffer, "R\xE9initialisation");  // one buffer, overwritten by the next call
    const char* raw = nea(0);
    nead(1);
    nsb(2);
    EXPECT_STREQ(raw, "CAN voie 0");  // each entry point its own buffer
    EXPECT_EQ(kolmsim_access_count(), 0u);
}

TEST_F(EntryPoints, RelaysSwitchAndReadBack) {
    EXPECT_EQ(SB(2, 1), 201);
    EXPECT_EQ(RSB(2), 1);
    EXPECT_EQ(kolmsim_data(kLpt1) & 0x0F, 0x4);
    EXPECT_EQ(SB(1, 5), 105);  // only exactly 1 switches on
    EXPECT_EQ(RSB(1), 0);
    EXPECT_EQ(SB(0, 0), 0);
    EXPECT_EQ(SB(2, 0), 200);
    EXPECT_EQ(RSB(2), 0);
    EXPECT_EQ(kolmsim_data(kLpt1) & 0x0F, 0x0);
    // Wraps as a 32-bit host computes it instead of overflowing.
    EXPECT_EQ(SB(3, INT_MAX), -2147483349);
    EXPECT_EQ(SB(3, INT_MIN), INT_MIN + 300);
}

TEST_F(EntryPoints, RelaySwitchKeepsConverterLines) {
    SB(0, 1);
    SB(3, 1);
    kolmsim_set_data(kLpt1, 0x79);
    kolmsim_trace_clear();
    SB(1, 1);
    EXPECT_EQ(writesTo(kLpt1), (std::vector{0x7B}));
    EXPECT_EQ(RSB(0) + RSB(1) + RSB(2) + RSB(3), 3);
}

TEST_F(EntryPoints, RelaysRecordedOffAtLoadWhateverThePortHeld) {
    load(0x0F);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(RSB(k), 0);
    EXPECT_EQ(kolmsim_data(kLpt1), 0xBF);  // the lines keep the nibble until the first SB
    SB(2, 1);
    EXPECT_EQ(kolmsim_data(kLpt1), 0xB4);
}

TEST_F(EntryPoints, PlaceholdersAnswerFixedValuesWithoutPortAccess) {
    const double value = 2.5;
    for (std::int32_t n : {0, 1, 7, -1, INT_MIN, INT_MAX}) {
        EXPECT_EQ(SA(n, 100), NO_VALUE);
        EXPECT_EQ(RSA(n), NO_VALUE);
        EXPECT_EQ(EB(n), NO_VALUE);
        EXPECT_EQ(SAD(n, 3.3), 0.0);
        EXPECT_EQ(RSAD(n), -777.0);
        EXPECT_STREQ(nsa(n), "");
        EXPECT_STREQ(nsad(n), "");
        EXPECT_STREQ(neb(n), "");
        EXPECT_EQ(*PSAD(n, &value), 0.0);
    }
    EXPECT_EQ(PSAD(1, nullptr), PSAD(1, &value));  // null is answered, not followed
    EXPECT_EQ(*PSAD(1, nullptr), 0.0);
    EXPECT_EQ(kolmsim_access_count(), 0u);
}

TEST_F(EntryPoints, TitleAndDetailOfTheLpt1BuildOutliveTheNameCalls) {
    const char* title = titre();
    const char* text = detail();
    // A host keeps these addresses: the name entry points' buffers never overwrite them.
    nea(0), nead(3), nsb(2), nsa(0);
    EXPECT_STREQ(title, kLpt1Contract.title);
    EXPECT_STREQ(text, kLpt1Contract.detail);
}

TEST_F(EntryPoints, RefusedPortGivesNoReadingAndNoSwitch) {
    load(0x05, /*refused=*/true);
    EXPECT_EQ(kolm::portStarted(), false);
    for (std::int32_t ch : {0, 1, 2, 3}) EXPECT_EQ(EA(ch), NO_VALUE);
    EXPECT_EQ(EAD(0), -777.0);
    EXPECT_EQ(*peaD(1), -777.0);
    EXPECT_EQ(EAD(2), -3.7939453125);
    EXPECT_EQ(SB(1, 1), NO_VALUE);
    EXPECT_EQ(RSB(1), 0);
    EXPECT_STREQ(nea(0), "CAN voie 0");
    EXPECT_EQ(kolmsim_access_count(), 0u);
    EXPECT_EQ(kolmsim_data(kLpt1), 0x05);  // start-up did not touch it either
}
