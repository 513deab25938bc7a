// Loading as hosts do: both files in one process, many load/unload cycles, and
// machines where the port cannot be reached.
#include <dirent.h>

#include <thread>

#include "plugin_host.h"

namespace {

int openDescriptors() {
    int n = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir)) ++n;
        closedir(dir);
    }
    return n;
}

class BothFilesInOneProcess : public ::testing::TestWithParam<int> {};

// peaD calls EAD calls EA, and PSAD calls SAD, inside each library: loaded
// globally, neither may bind those calls to the other file's entry points.
TEST_P(BothFilesInOneProcess, EachTouchesOnlyItsOwnPort) {
    freshMachine();
    kolmsim_set_volts(kLpt1, 1, 1.25);
    kolmsim_set_volts(kLpt2, 1, 3.75);
    Plugin lpt1(KOLMLPT1_PATH, RTLD_NOW | GetParam());
    Plugin lpt2(KOLMLPT2_PATH, RTLD_NOW | GetParam());
    ASSERT_TRUE(lpt1.loaded() && lpt2.loaded()) << dlerror();
    EXPECT_EQ(fake_parport_counts().openDevices, 2u);

    kolmsim_trace_clear();
    EXPECT_EQ(*lpt2.call<double*>("peaD", 1), 3.75);
    EXPECT_FALSE(touched(kLpt1) || touched(kLpt1 + 1));
    kolmsim_trace_clear();
    EXPECT_EQ(*lpt1.call<double*>("peaD", 1), 1.25);
    EXPECT_FALSE(touched(kLpt2) || touched(kLpt2 + 1));

    kolmsim_trace_clear();
    EXPECT_EQ(lpt2.call<std::int32_t>("SB", 1, 1), 101);
    EXPECT_EQ(lpt2.call<std::int32_t>("RSB", 1), 1);
    EXPECT_EQ(lpt1.call<std::int32_t>("RSB", 1), 0);
    EXPECT_FALSE(touched(kLpt1));

    const double value = 1.0;
    double* own1 = lpt1.call<double*>("PSAD", 0, &value);
    double* own2 = lpt2.call<double*>("PSAD", 0, &value);
    EXPECT_NE(own1, own2);
    EXPECT_NE(lpt1.call<double*>("peaD", 0), lpt2.call<double*>("peaD", 0));
    EXPECT_STREQ(lpt2.call<const char*>("titre"), "KOLM en LPT2:");
    EXPECT_STREQ(lpt1.call<const char*>("titre"), "KOLM en LPT1:");
}

std::string scopeName(const ::testing::TestParamInfo<int>& scope) {
    return scope.param == RTLD_GLOBAL ? "global" : "local";
}
INSTANTIATE_TEST_SUITE_P(Scope, BothFilesInOneProcess, ::testing::Values(RTLD_LOCAL, RTLD_GLOBAL), scopeName);

TEST(Reload, StartsAfreshEachTimeAndLeaksNothing) {
    const int descriptorsBefore = openDescriptors();
    for (int round = 0; round < 40; ++round) {
        const Variant& v = kVariants[round % 2];
        freshMachine(0x0A);
        {
            Plugin lib(v.path);
            ASSERT_TRUE(lib.loaded()) << dlerror();
            ASSERT_EQ(benchTrace(), (std::vector{R(v.base, 0x0A), W(v.base, 0xBA)})) << "round " << round;
            EXPECT_EQ(lib.call<std::int32_t>("RSB", 1), 0);  // the last round's relay is forgotten
            EXPECT_EQ(lib.call<std::int32_t>("SB", 1, 1), 101);
        }
        const FakeParportCounts c = fake_parport_counts();
        ASSERT_EQ(c.claims, 1u) << "round " << round;
        ASSERT_EQ(c.openDevices, 0u) << "round " << round;
    }
    EXPECT_EQ(openDescriptors(), descriptorsBefore);
}

// The answers of a library that has no port: loaded, nothing crashes, no value.
void expectUnavailable(const Plugin& lib) {
    EXPECT_EQ(lib.call<std::int32_t>("EA", 0), -777);
    EXPECT_EQ(lib.call<std::int32_t>("EA", 1), -777);
    EXPECT_EQ(lib.call<double>("EAD", 0), -777.0);
    EXPECT_EQ(*lib.call<double*>("peaD", 1), -777.0);
    EXPECT_EQ(lib.call<std::int32_t>("SB", 0, 1), -777);
    EXPECT_EQ(lib.call<std::int32_t>("RSB", 0), 0);
    EXPECT_STREQ(lib.call<const char*>("nea", 0), "CAN voie 0");
}

TEST(NoPort, NoPortFoundAndIopermRefused) {
    for (const Variant& v : kVariants) {
        SCOPED_TRACE(v.path);
        noParallelPorts();
        Plugin lib(v.path);
        ASSERT_TRUE(lib.loaded()) << dlerror();
        EXPECT_GE(fake_parport_counts().iopermCalls, 1u);
        expectUnavailable(lib);
        std::thread worker([&] { expectUnavailable(lib); });
        worker.join();
        EXPECT_EQ(fake_parport_counts().ioctls, 0u);
        EXPECT_EQ(kolmsim_access_count(), 0u);
    }
}

// A user outside group lp: /dev/parportN exists but cannot be opened.
TEST(NoPort, DeviceDeniedAndIopermRefused) {
    freshMachine(0x05);
    fake_parport_deny_open(1);
    Plugin lib(KOLMLPT1_PATH);
    ASSERT_TRUE(lib.loaded()) << dlerror();
    expectUnavailable(lib);
    EXPECT_EQ(fake_parport_counts().openDevices, 0u);
    EXPECT_EQ(kolmsim_access_count(), 0u);
    EXPECT_EQ(kolmsim_data(kLpt1), 0x05);
}

}  // namespace
