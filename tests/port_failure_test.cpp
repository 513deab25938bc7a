// A port whose accesses fail: every procedure stops at the first failed access,
// the host gets "no value", nothing built from a failed read reaches the port,
// nothing is recorded as done, and the next call works again.
#include "plugin_fixture.h"

using kolm::NO_VALUE;

namespace {

constexpr int kBothKinds = KOLMSIM_FAIL_READS | KOLMSIM_FAIL_WRITES;

struct Request {
    const char* name;
    std::int32_t (*call)();
    std::int32_t answer;  // when every access works
};

// What the module and the library keep, to see that a failed request changed none of it.
struct Kept {
    std::uint32_t savedData = kolm::unit.savedData;
    std::uint8_t relayState = kolm::relayState;
    std::uint8_t lines[4] = {kolm::unit.relayLines[0], kolm::unit.relayLines[1], kolm::unit.relayLines[2],
                             kolm::unit.relayLines[3]};
    bool operator==(const Kept&) const = default;
};

class PortFailure : public PluginTest {
protected:
    // Relay 0 on, inputs set; the trace starts here.
    static void bench() {
        load(0x0C);
        kolmsim_set_count(kLpt1, 0, 0x2AA);
        kolmsim_set_count(kLpt1, 1, 0x155);
        ASSERT_EQ(SB(0, 1), 1);
        kolmsim_set_data(kLpt1, 0x71);  // as a finished reading leaves it
        kolmsim_trace_clear();
    }
};

}  // namespace

TEST_F(PortFailure, EveryAccessOfEveryRequestCanFailAlone) {
    const Request requests[] = {
        {"EA(0)", [] { return EA(0); }, 0x2AA},    {"EA(1)", [] { return EA(1); }, 0x155},
        {"SB(2,1)", [] { return SB(2, 1); }, 201}, {"SB(0,0)", [] { return SB(0, 0); }, 0},
        {"EA(2)", [] { return EA(2); }, NO_VALUE}, {"EA(3)", [] { return EA(3); }, NO_VALUE},
    };
    for (const Request& r : requests) {
        bench();
        ASSERT_EQ(r.call(), r.answer) << r.name;
        const auto good = benchTrace();
        for (std::size_t n = 1; n <= good.size(); ++n) {
            SCOPED_TRACE(testing::Message() << r.name << ", access " << n << " fails");
            bench();
            // cppcheck-suppress unassignedVariable ; its members are initialised where declared
            const Kept before;
            kolmsim_fail_accesses(static_cast<std::uint32_t>(n), 1, kBothKinds);
            EXPECT_EQ(r.call(), NO_VALUE);
            // The accesses before the failure, and not one after it.
            EXPECT_EQ(benchTrace(), std::vector(good.begin(), good.begin() + static_cast<long>(n) - 1));
            EXPECT_EQ(kolmsim_attempts_after_failure(), 0u);
            EXPECT_TRUE(Kept{} == before);
            // The next call stands alone and answers as on a good port.
            EXPECT_EQ(r.call(), r.answer);
        }
    }
}

TEST_F(PortFailure, FailedReadingsAreNoValueInEveryUnit) {
    bench();
    kolmsim_fail_accesses(7, 1, KOLMSIM_FAIL_READS);
    EXPECT_EQ(EAD(0), -777.0);
    kolmsim_fail_accesses(1, 1, KOLMSIM_FAIL_WRITES);
    EXPECT_EQ(*peaD(1), -777.0);
    kolmsim_fail_accesses(1, UINT32_MAX, kBothKinds);  // the port gone for good
    EXPECT_EQ(EA(0), NO_VALUE);
    EXPECT_EQ(SB(1, 1), NO_VALUE);
    EXPECT_EQ(RSB(1), 0);
    EXPECT_EQ(RSB(0), 1);
    EXPECT_EQ(EAD(3), -3.7939453125);  // channels 2 and 3 answer "no value" either way
    kolmsim_fail_accesses(0, 0, 0);
    EXPECT_EQ(SB(3, 1), 301);  // relay 1, refused above, stays off
    EXPECT_EQ(kolmsim_data(kLpt1) & 0x0F, 0x9);
}

// A start-up whose accesses failed is completed by the first call that gets the
// port, and only once: re-initialising then reads the port's byte a single time.
TEST_F(PortFailure, FailedStartupIsCompletedByTheNextCall) {
    const struct {
        const char* name;
        std::int32_t (*call)();
        std::int32_t answer;
        std::vector<KolmsimAccess> begins;
    } cases[] = {
        {"EA(0)",
         [] { return EA(0); },
         1023,
         {R(kLpt1, 0x0C), W(kLpt1, 0xBC), R(kLpt1, 0xBC), W(kLpt1, 0x3C)}},
        {"EA(2)", [] { return EA(2); }, NO_VALUE, {R(kLpt1, 0x0C), W(kLpt1, 0xBC), W(kLpt1, 0x0C)}},
        {"EA(3)", [] { return EA(3); }, NO_VALUE, {R(kLpt1, 0x0C), W(kLpt1, 0xBC)}},
        {"SB(1,1)",
         [] { return SB(1, 1); },
         101,
         {R(kLpt1, 0x0C), W(kLpt1, 0xBC), R(kLpt1, 0xBC), W(kLpt1, 0xB2)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        kolmsim_reset();
        kolmsim_set_data(kLpt1, 0x0C);
        kolmsim_set_count(kLpt1, 0, 1023);
        kolmsim_fail_accesses(2, 1, kBothKinds);  // the start-up's write
        kolm::resetLibrary();
        kolm::startLibrary();
        EXPECT_FALSE(kolm::portStarted());
        EXPECT_EQ(kolmsim_data(kLpt1), 0x0C);
        kolmsim_trace_clear();
        EXPECT_EQ(c.call(), c.answer);
        const auto trace = benchTrace();
        ASSERT_GE(trace.size(), c.begins.size());
        EXPECT_EQ(std::vector(trace.begin(), trace.begin() + static_cast<long>(c.begins.size())), c.begins);
        EXPECT_EQ(kolm::unit.savedData, 0x0Cu);
    }
}
