// Direct I/O as root has it: no ppdev port, ioperm granted, and the plug-in's own
// inb/outb instructions served from the bench (fake_parport_serve_io). The grant
// must cover exactly the data and status registers and be asked for on every
// thread that calls; a thread refused it gets "no value", never a fault.
#include <thread>

#include "plugin_host.h"

namespace {

class DirectIo : public ::testing::TestWithParam<Variant> {
protected:
    void SetUp() override { fake_parport_serve_io(1); }
    void TearDown() override {
        fake_parport_serve_io(0);
        freshMachine();
    }
    static void directMachine(int iopermMode) {
        noParallelPorts();
        fake_parport_ioperm(iopermMode);
    }
};

TEST_P(DirectIo, GrantedPortRunsTheExactSequence) {
    const Variant& v = GetParam();
    directMachine(FAKE_IOPERM_GRANTED);
    kolmsim_set_data(v.base, 0x05);
    kolmsim_set_count(v.base, 0, 0x2AA);
    kolmsim_set_count(v.base, 1, 0x155);
    Plugin lib(v.path);
    ASSERT_TRUE(lib.loaded()) << dlerror();
    EXPECT_EQ(benchTrace(), (std::vector{R(v.base, 0x05), W(v.base, 0xB5)}));
    kolmsim_trace_clear();
    EXPECT_EQ(lib.call<std::int32_t>("EA", 0), 0x2AA);
    EXPECT_EQ(lib.call<std::int32_t>("EA", 1), 0x155);
    EXPECT_EQ(kolmsim_access_count(), 86u);
    EXPECT_EQ(lib.call<std::int32_t>("SB", 3, 1), 301);
    EXPECT_EQ(kolmsim_data(v.base), 0x78);  // every relay line rewritten from the requests
    const FakeParportCounts c = fake_parport_counts();
    EXPECT_EQ(c.ungrantedIo, 0u);
    EXPECT_EQ(c.servedIo, 2u + 86u + 2u);
    EXPECT_FALSE(touched(v.otherBase) || touched(v.otherBase + 1));
}

// A card that no parport lists, for a root host: ioperm on the card's registers.
TEST_P(DirectIo, PortFileCardWithoutParportIsReachedDirectly) {
    const Variant& v = GetParam();
    const std::string copy = pluginWithPortFile(v, kCardFile);
    directMachine(FAKE_IOPERM_GRANTED);
    kolmsim_add_box(kCardBase);
    kolmsim_set_data(kCardBase, 0x05);
    Plugin lib(copy.c_str());
    ASSERT_TRUE(lib.loaded()) << dlerror();
    expectStartedAt(lib, kCardBase);
    EXPECT_EQ(fake_parport_counts().ungrantedIo, 0u);
}

// The kernel grants I/O permission to one thread at a time: a host calling from
// a worker is served only if the plug-in asks again there; a worker refused it
// answers -777 while the loading thread goes on working. One load per test: under
// qemu-i386 a worker that ends after the library was loaded a second time aborts.
void callFromWorker(const Variant& v, int iopermMode) {
    kolmsim_set_count(v.base, 1, 777);
    Plugin lib(v.path);
    ASSERT_TRUE(lib.loaded()) << dlerror();
    const bool granted = iopermMode == FAKE_IOPERM_GRANTED;
    std::int32_t count = 0;
    std::int32_t relay = 0;
    std::int32_t recorded = 0;
    std::thread worker([&] {
        count = lib.call<std::int32_t>("EA", 1);
        relay = lib.call<std::int32_t>("SB", 0, 1);
        recorded = lib.call<std::int32_t>("RSB", 0);
    });
    worker.join();
    EXPECT_EQ(count, granted ? 777 : -777);
    EXPECT_EQ(relay, granted ? 1 : -777);
    EXPECT_EQ(recorded, granted ? 1 : 0);
    EXPECT_EQ(kolmsim_data(v.base) & 0x0F, granted ? 0x01 : 0x00);
    EXPECT_EQ(fake_parport_counts().ungrantedIo, 0u);
#if defined(__i386__)
    // Under qemu-i386, once a signal has been handled on the loading thread and a
    // worker has run, the loading thread's thread-local storage reads as new (the
    // stand-in's own as well as the plug-in's): its grant is checked on x86-64.
    if (!granted) return;
#endif
    EXPECT_EQ(lib.call<std::int32_t>("EA", 1), 777);
}

TEST_P(DirectIo, AWorkerThreadAsksForItsOwnGrant) {
    directMachine(FAKE_IOPERM_GRANTED);
    callFromWorker(GetParam(), FAKE_IOPERM_GRANTED);
}

TEST_P(DirectIo, AWorkerThreadRefusedAnswersNoValue) {
    directMachine(FAKE_IOPERM_FIRST_THREAD);
    callFromWorker(GetParam(), FAKE_IOPERM_FIRST_THREAD);
}

INSTANTIATE_TEST_SUITE_P(BothFiles, DirectIo, ::testing::ValuesIn(kVariants), variantName);

}  // namespace
