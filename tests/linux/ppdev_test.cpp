// The ppdev path end to end: the plug-in finds its port under /proc, claims
// /dev/parportN once, and makes every register access as exactly one ioctl.
#include <thread>

#include "plugin_host.h"

namespace {

class Ppdev : public ::testing::TestWithParam<Variant> {};

TEST_P(Ppdev, StartupClaimsTheVariantsPortAndInitialisesIt) {
    const Variant& v = GetParam();
    freshMachine(0x05);
    Plugin lib(v.path);
    ASSERT_TRUE(lib.loaded()) << dlerror();
    EXPECT_EQ(benchTrace(), (std::vector{R(v.base, 0x05), W(v.base, 0xB5)}));
    const FakeParportCounts c = fake_parport_counts();
    EXPECT_EQ(c.deviceOpens, 1u);
    EXPECT_EQ(c.openDevices, 1u);
    EXPECT_EQ(c.claims, 1u);
    EXPECT_EQ(c.ioctls, 3u);  // the claim, then one per access
    EXPECT_EQ(c.unclaimedAccess, 0u);
    EXPECT_EQ(c.otherIoctls, 0u);
    EXPECT_EQ(c.iopermCalls, 0u);
}

// parport0 to parport7 are all looked at; the first with our base is the one used.
TEST_P(Ppdev, ScanFindsTheFirstPortWithTheVariantsBase) {
    const Variant& v = GetParam();
    struct Machine {
        std::uint16_t bases[8];
        bool found;
    };
    const Machine machines[] = {
        {{v.base}, true},
        {{0x3BC, 0, 0, 0, 0, 0, 0, v.base}, true},
        {{v.otherBase, 0x3BC}, false},
        {{v.base, v.base}, true},  // two entries for one port: claimed once
    };
    for (const Machine& m : machines) {
        fake_parport_configure(m.bases);
        kolmsim_reset();
        Plugin lib(v.path);
        ASSERT_TRUE(lib.loaded()) << dlerror();
        const FakeParportCounts c = fake_parport_counts();
        EXPECT_EQ(c.claims, m.found ? 1u : 0u);
        EXPECT_EQ(c.openDevices, m.found ? 1u : 0u);
        EXPECT_EQ(lib.call<std::int32_t>("SB", 0, 1), m.found ? 1 : -777);
        EXPECT_FALSE(touched(v.otherBase));
    }
}

// As the port module is tested on the bench: the reading's exact byte sequence,
// relays kept, and a count of 1 ioctl per traced access.
TEST_P(Ppdev, ReadingIsTheExactSequenceOneIoctlPerAccess) {
    const Variant& v = GetParam();
    const std::uint16_t status = static_cast<std::uint16_t>(v.base + 1);
    freshMachine(0x00);
    kolmsim_set_count(v.base, 0, 0x2AA);
    kolmsim_set_count(v.base, 1, 0x155);
    Plugin lib(v.path);
    ASSERT_TRUE(lib.loaded()) << dlerror();
    EXPECT_EQ(lib.call<std::int32_t>("SB", 0, 1), 1);
    EXPECT_EQ(lib.call<std::int32_t>("SB", 2, 1), 201);
    EXPECT_EQ(kolmsim_data(v.base), 0xB5);
    kolmsim_trace_clear();
    fake_parport_clear_counts();

    EXPECT_EQ(lib.call<std::int32_t>("EA", 0), 0x2AA);
    std::vector<KolmsimAccess> shape;  // which register, read or write, in order
    std::vector<int> writes = {0x35};
    shape.push_back(R(v.base, 0));
    shape.push_back(W(v.base, 0));
    for (int bit = 0; bit < 10; ++bit) {
        for (auto a : {W(v.base, 0), R(status, 0), R(status, 0), W(v.base, 0)}) shape.push_back(a);
        writes.push_back(0xB5);
        writes.push_back(0x35);
    }
    shape.push_back(W(v.base, 0));
    writes.push_back(0x75);
    const auto trace = benchTrace();
    ASSERT_EQ(trace.size(), 43u);
    for (std::size_t i = 0; i < trace.size(); ++i) {
        EXPECT_EQ(trace[i].isWrite, shape[i].isWrite) << i;
        EXPECT_EQ(trace[i].port, shape[i].port) << i;
    }
    EXPECT_EQ(trace[0].value, 0xB5);
    EXPECT_EQ(writesTo(v.base), writes);
    FakeParportCounts c = fake_parport_counts();
    EXPECT_EQ(c.ioctls, 43u);
    EXPECT_EQ(c.dataIoctls, 43u);

    EXPECT_EQ(lib.call<double>("EAD", 1), 0x155 * 5.0 / 1024.0);
    EXPECT_EQ(kolmsim_access_count(), 86u);
    EXPECT_EQ(fake_parport_counts().ioctls, 86u);

    // Relay write: read back the data register, keep the converter's nibble.
    kolmsim_trace_clear();
    fake_parport_clear_counts();
    EXPECT_EQ(lib.call<std::int32_t>("SB", 3, 1), 301);
    EXPECT_EQ(benchTrace(), (std::vector{R(v.base, 0x75), W(v.base, 0x7D)}));
    EXPECT_EQ(fake_parport_counts().ioctls, 2u);

    // Restore for the printer writes back the byte found at start-up; re-initialise reads again.
    kolmsim_trace_clear();
    EXPECT_EQ(lib.call<std::int32_t>("EA", 2), -777);
    EXPECT_EQ(lib.call<std::int32_t>("EA", 3), -777);
    EXPECT_EQ(benchTrace(), (std::vector{W(v.base, 0x00), R(v.base, 0x00), W(v.base, 0xB0)}));
    EXPECT_FALSE(touched(v.otherBase));
    EXPECT_FALSE(touched(v.otherBase + 1));
    EXPECT_EQ(fake_parport_counts().unclaimedAccess, 0u);
}

// The claim belongs to the open device, not to a thread: a host calling from a
// worker thread is served the same readings.
TEST_P(Ppdev, CallsFromAnotherThreadAreServed) {
    const Variant& v = GetParam();
    freshMachine();
    kolmsim_set_count(v.base, 1, 777);
    Plugin lib(v.path);
    ASSERT_TRUE(lib.loaded()) << dlerror();
    std::int32_t count = 0;
    std::int32_t relay = 0;
    std::thread worker([&] {
        count = lib.call<std::int32_t>("EA", 1);
        relay = lib.call<std::int32_t>("SB", 0, 1);
    });
    worker.join();
    EXPECT_EQ(count, 777);
    EXPECT_EQ(relay, 1);
    EXPECT_EQ(kolmsim_data(v.base) & 0x0F, 0x01);
    EXPECT_EQ(fake_parport_counts().claims, 1u);
}

// Every row of the port-file table, with a card as parport3: the card claimed through
// ppdev, the variant's own port, or no port at all.
TEST_P(Ppdev, PortFileBesideThePluginChoosesTheCard) {
    const Variant& v = GetParam();
    for (const PortFileCase& row : kPortFileCases) {
        SCOPED_TRACE(row.name);
        const std::string copy = pluginWithPortFile(v, row);
        cardMachine();
        Plugin lib(copy.c_str());
        ASSERT_TRUE(lib.loaded()) << dlerror();
        EXPECT_STREQ(lib.call<const char*>("titre"), v.title);
        expectStartedAt(lib, expectedBase(row, v.base));
    }
}

INSTANTIATE_TEST_SUITE_P(BothFiles, Ppdev, ::testing::ValuesIn(kVariants), variantName);

}  // namespace
