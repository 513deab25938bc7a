// The ppdev path on a machine that misbehaves: register ioctls that fail, a claim
// the kernel refuses, a port another program holds, base-addr texts that are not
// the kernel's. The plug-in never waits, never invents a reading, never switches.
#include "plugin_host.h"

namespace {

constexpr int kBothKinds = KOLMSIM_FAIL_READS | KOLMSIM_FAIL_WRITES;

class PortFaults : public ::testing::TestWithParam<Variant> {};

// Every access of every request fails alone, as a read, a write or either: the
// request answers -777, its accesses stop there, and the next call works.
TEST_P(PortFaults, AFailedIoctlEndsTheRequestWithNoValue) {
    const Variant& v = GetParam();
    freshMachine(0x0C);
    kolmsim_set_count(v.base, 0, 0x2AA);
    kolmsim_set_count(v.base, 1, 0x155);  // fixed: the demo waveform would change between calls
    Plugin lib(v.path);
    ASSERT_TRUE(lib.loaded()) << dlerror();
    const struct {
        const char* name;
        std::int32_t (*call)(const Plugin&);
        std::int32_t answer;
    } requests[] = {
        {"EA(0)", [](const Plugin& p) { return p.call<std::int32_t>("EA", 0); }, 0x2AA},
        {"SB(2,1)", [](const Plugin& p) { return p.call<std::int32_t>("SB", 2, 1); }, 201},
        {"EA(3)", [](const Plugin& p) { return p.call<std::int32_t>("EA", 3); }, -777},
        {"EA(2)", [](const Plugin& p) { return p.call<std::int32_t>("EA", 2); }, -777},
    };
    for (const auto& r : requests) {
        const std::uint8_t held = kolmsim_data(v.base);
        kolmsim_trace_clear();
        ASSERT_EQ(r.call(lib), r.answer) << r.name;
        const auto good = benchTrace();
        for (int kinds : {KOLMSIM_FAIL_READS, KOLMSIM_FAIL_WRITES, kBothKinds}) {
            std::uint32_t nth = 0;  // among the accesses of these kinds
            for (std::size_t n = 0; n < good.size(); ++n) {
                if (!(kinds & (good[n].isWrite ? KOLMSIM_FAIL_WRITES : KOLMSIM_FAIL_READS))) continue;
                SCOPED_TRACE(testing::Message()
                             << r.name << ", access " << n + 1 << " fails, kinds " << kinds);
                const std::int32_t relay2 = lib.call<std::int32_t>("RSB", 2);
                kolmsim_set_data(v.base, held);
                kolmsim_trace_clear();
                kolmsim_fail_accesses(++nth, 1, kinds);
                EXPECT_EQ(r.call(lib), -777);
                EXPECT_EQ(benchTrace(), std::vector(good.begin(), good.begin() + static_cast<long>(n)));
                EXPECT_EQ(kolmsim_attempts_after_failure(), 0u);
                EXPECT_EQ(lib.call<std::int32_t>("RSB", 2), relay2);
                EXPECT_EQ(r.call(lib), r.answer);  // from where the failure left the box
            }
        }
    }
    EXPECT_EQ(fake_parport_counts().claims, 1u);
}

TEST_P(PortFaults, RefusedClaimLeavesNoPortAndNoDevice) {
    const Variant& v = GetParam();
    freshMachine(0x05);
    fake_parport_refuse_claim(1);
    Plugin lib(v.path);
    ASSERT_TRUE(lib.loaded()) << dlerror();
    EXPECT_EQ(lib.call<std::int32_t>("EA", 0), -777);
    EXPECT_EQ(lib.call<std::int32_t>("SB", 1, 1), -777);
    const FakeParportCounts c = fake_parport_counts();
    EXPECT_EQ(c.openDevices, 0u);
    EXPECT_EQ(c.dataIoctls, 0u);
    EXPECT_EQ(kolmsim_access_count(), 0u);
}

// Another program holds the port: loading does not wait for it, calls answer -777
// at once, and a call after it lets go claims the port and starts up. Each row is
// what meets the first call after the holder let go; by the next call at the
// latest the port reads, claimed once: a refused claim is no claim and touches no
// register, and a claim that succeeded is never made twice on the one descriptor.
TEST_P(PortFaults, PortHeldByAnotherProgramIsTakenWhenFree) {
    const Variant& v = GetParam();
    const int parport = v.base == kLpt1 ? 2 : 1;  // as freshMachine lays them out
    const struct {
        const char* name;
        bool claimRefused;    // the kernel refuses that claim
        bool firstReadFails;  // the claim succeeds, the start-up's first access fails
    } rows[] = {{"claimed at once", false, false},
                {"claim refused", true, false},
                {"start-up read fails", false, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        freshMachine(0x05);
        kolmsim_set_count(v.base, 1, 300);
        fake_parport_hold(parport, "lp");
        Plugin lib(v.path);
        ASSERT_TRUE(lib.loaded()) << dlerror();
        EXPECT_EQ(lib.call<std::int32_t>("EA", 1), -777);
        EXPECT_EQ(lib.call<std::int32_t>("SB", 0, 1), -777);
        EXPECT_EQ(lib.call<std::int32_t>("RSB", 0), 0);
        EXPECT_EQ(fake_parport_counts().heldClaims, 0u);  // never waited on the holder
        EXPECT_EQ(fake_parport_counts().claims, 0u);
        EXPECT_EQ(kolmsim_access_count(), 0u);

        fake_parport_hold(parport, nullptr);
        if (row.claimRefused || row.firstReadFails) {
            fake_parport_refuse_claim(row.claimRefused ? 1 : 0);
            if (row.firstReadFails) kolmsim_fail_accesses(1, 1, KOLMSIM_FAIL_READS);
            EXPECT_EQ(lib.call<std::int32_t>("EA", 1), -777);
            EXPECT_EQ(fake_parport_counts().claims, row.claimRefused ? 0u : 1u);
            EXPECT_EQ(fake_parport_counts().unclaimedAccess, 0u);
            EXPECT_EQ(kolmsim_access_count(), 0u);
            EXPECT_EQ(kolmsim_attempts_after_failure(), 0u);
            fake_parport_refuse_claim(0);
        }
        EXPECT_EQ(lib.call<std::int32_t>("EA", 1), 300);
        const auto trace = benchTrace();
        ASSERT_EQ(trace.size(), 45u);  // start-up, then the reading
        EXPECT_EQ(std::vector(trace.begin(), trace.begin() + 2),
                  (std::vector{R(v.base, 0x05), W(v.base, 0xB5)}));
        EXPECT_EQ(lib.call<std::int32_t>("SB", 0, 1), 1);
        EXPECT_EQ(lib.call<std::int32_t>("EA", 2), -777);
        EXPECT_EQ(kolmsim_data(v.base), 0x05);  // the byte found when the port was taken
        EXPECT_EQ(fake_parport_counts().claims, 1u);
        EXPECT_EQ(fake_parport_counts().unclaimedAccess, 0u);
    }
}

// base-addr is "<base>\t<base-hi>\n" in decimal; anything else is not our port.
TEST_P(PortFaults, OnlyAStrictBaseAddrTextNamesOurPort) {
    const Variant& v = GetParam();
    const std::string base = std::to_string(v.base);
    const struct {
        std::string text;
        bool ours;
    } texts[] = {
        {base + "\t" + std::to_string(v.base + 0x400) + "\n", true},
        {base + "\n", true},
        {base, true},
        {base + " 0 \n", true},
        {"0" + base + "\t0\n", true},
        {base + "x\n", false},
        {base + "\t1912\tjunk\n", false},
        {base + ".5\n", false},
        {"+" + base + "\n", false},
        {" " + base + "\n", false},
        {"18446744073709551616" + base + "\n", false},  // overflows: wraps to nothing
        {std::to_string(v.base + 65536) + "\n", false},
        {"0x" + std::to_string(v.base) + "\n", false},
        {"\n", false},
        {"", false},
    };
    for (const auto& t : texts) {
        SCOPED_TRACE(t.text);
        const std::uint16_t bases[8] = {v.base};
        fake_parport_configure(bases);
        fake_parport_base_text(0, t.text.c_str());
        kolmsim_reset();
        Plugin lib(v.path);
        ASSERT_TRUE(lib.loaded()) << dlerror();
        EXPECT_EQ(fake_parport_counts().claims, t.ours ? 1u : 0u);
        EXPECT_EQ(lib.call<std::int32_t>("SB", 0, 1), t.ours ? 1 : -777);
    }
}

INSTANTIATE_TEST_SUITE_P(BothFiles, PortFaults, ::testing::ValuesIn(kVariants), variantName);

}  // namespace
