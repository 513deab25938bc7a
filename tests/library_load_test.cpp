// The built shared libraries, loaded the way a host loads them: start-up by the
// loader, every export bound by name, each variant on its own port only.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "bench_trace.h"
#include "box_panel_lines.h"
#include "host_contract.h"
#include "loaded_library.h"
#include "port_file_cases.h"
#include "signal_file_cases.h"

namespace {

using Library = host::LoadedLibrary;

const Variant kVariants[] = {{kLpt1Contract, KOLMLPT1_PATH}, {kLpt2Contract, KOLMLPT2_PATH}};

void freshBench(std::uint8_t held) {
    kolmsim_reset();
    kolmsim_set_data(kLpt1, held);
    kolmsim_set_data(kLpt2, held);
}

}  // namespace

TEST(LibraryLoad, StartupInitialisesOnlyTheVariantsPort) {
    for (const Variant& v : kVariants) {
        SCOPED_TRACE(v.path);
        freshBench(0x05);
        Library lib(v.path);
        ASSERT_TRUE(lib.loaded()) << dlerror();
        EXPECT_EQ(benchTrace(), (std::vector{R(v.base, 0x05), W(v.base, 0xB5)}));
        EXPECT_STREQ(lib.bind<const char*()>("titre")(), v.title);
        for (const KolmExport& e : kKolmExports) EXPECT_NE(lib.bind<void>(e.name), nullptr) << e.name;
        kolmsim_set_count(v.base, 0, 300);
        kolmsim_set_count(v.otherBase, 0, 700);
        EXPECT_EQ(lib.bind<std::int32_t(std::int32_t)>("EA")(0), 300);
        EXPECT_EQ(lib.bind<std::int32_t(std::int32_t, std::int32_t)>("SB")(3, 1), 301);
        EXPECT_FALSE(touched(v.otherBase));
        EXPECT_FALSE(touched(v.otherBase + 1));
    }
}

TEST(LibraryLoad, BothVariantsInOneProcessKeepToTheirOwnPorts) {
    freshBench(0x00);
    kolmsim_set_volts(kLpt1, 1, 1.25);
    kolmsim_set_volts(kLpt2, 1, 3.75);
    Library lpt1(KOLMLPT1_PATH, RTLD_NOW | RTLD_GLOBAL);
    Library lpt2(KOLMLPT2_PATH, RTLD_NOW | RTLD_GLOBAL);
    ASSERT_TRUE(lpt1.loaded() && lpt2.loaded());
    kolmsim_trace_clear();
    // peaD calls EAD calls EA inside each library: none may bind to the other's.
    EXPECT_DOUBLE_EQ(*lpt2.bind<double*(std::int32_t)>("peaD")(1), 3.75);
    EXPECT_FALSE(touched(kLpt1));
    EXPECT_DOUBLE_EQ(*lpt1.bind<double*(std::int32_t)>("peaD")(1), 1.25);
    EXPECT_STREQ(lpt2.bind<const char*()>("detail")(),
                 "DLL (32 bits) pour KOLM 10 bits en LPT2:, par R. Tavelinque, le 20 f\xE9vrier 2001");
}

TEST(LibraryLoad, ReloadStartsAfreshEachTime) {
    for (int round = 0; round < 50; ++round) {
        freshBench(0x0A);
        Library lib(KOLMLPT1_PATH);
        ASSERT_TRUE(lib.loaded());
        ASSERT_EQ(kolmsim_access_count(), 2u) << "round " << round;
        auto rsb = lib.bind<std::int32_t(std::int32_t)>("RSB");
        auto directory = lib.bind<void*()>("DLLFunctionDirectory");
        EXPECT_EQ(rsb(1), 0);  // the last round's relay is forgotten
        lib.bind<std::int32_t(std::int32_t, std::int32_t)>("SB")(1, 1);
        EXPECT_NE(directory(), nullptr);
    }
}

TEST(LibraryLoad, RefusedPortLoadsAndAnswersNoValue) {
    freshBench(0x05);
    kolmsim_refuse_access(1);
    Library lib(KOLMLPT2_PATH);
    ASSERT_TRUE(lib.loaded());
    EXPECT_EQ(lib.bind<std::int32_t(std::int32_t)>("EA")(0), -777);
    EXPECT_EQ(lib.bind<double(std::int32_t)>("EAD")(1), -777.0);
    EXPECT_EQ(lib.bind<std::int32_t(std::int32_t, std::int32_t)>("SB")(0, 1), -777);
    EXPECT_EQ(kolmsim_access_count(), 0u);
}

// A copy of the plug-in in a folder of its own, with or without a port file; the
// current folder's file is never read.
TEST(LibraryLoad, PortFileBesideThePluginMovesItToACard) {
    namespace fs = std::filesystem;
    const ScratchFolder scratch("kolm-port-file");
    const fs::path& root = scratch.path;
    const fs::path current = root / "current";
    fs::create_directories(current);
    const fs::path before = fs::current_path();
    fs::current_path(current);
    for (const Variant& v : kVariants) {
        const char* fileName = v.base == kLpt1 ? "kolmlpt1.ini" : "kolmlpt2.ini";
        for (const PortFileCase& row : kPortFileCases) {
            SCOPED_TRACE(testing::Message() << v.path << ": " << row.name);
            const std::string copy = layOutPortFile(row, root / "plugin", current, v.path, fileName);
            freshBench(0x05);
            ASSERT_TRUE(kolmsim_add_box(kCardBase));
            kolmsim_set_data(kCardBase, 0x05);
            Library lib(copy.c_str());
            ASSERT_TRUE(lib.loaded()) << dlerror();
            EXPECT_STREQ(lib.bind<const char*()>("titre")(), v.title);
            const int base = expectedBase(row, v.base);
            if (base == kNoPort) {
                EXPECT_EQ(lib.bind<std::int32_t(std::int32_t)>("EA")(0), -777);
                EXPECT_EQ(kolmsim_access_count(), 0u);
                continue;
            }
            const auto port = static_cast<std::uint16_t>(base);
            EXPECT_EQ(benchTrace(), (std::vector{R(port, 0x05), W(port, 0xB5)}));
            kolmsim_set_count(port, 0, 300);
            EXPECT_EQ(lib.bind<std::int32_t(std::int32_t)>("EA")(0), 300);
            EXPECT_EQ(touched(kLpt1) + touched(kLpt2) + touched(kCardBase), 1);
        }
    }
    fs::current_path(before);
}

// kolmsim with each signal file of the table beside a copy of it, and a decoy in the
// current folder: the readings the file sets, or no box and no value; never a port of
// the machine. Its relays show on the virtual box's panel as the box holds them.
TEST(LibraryLoad, KolmsimReadsTheSignalFileBesideItOnly) {
    namespace fs = std::filesystem;
    const ScratchFolder scratch("kolm-signal-file");
    fs::create_directories(scratch.path / "current");
    const fs::path before = fs::current_path();
    fs::current_path(scratch.path / "current");
    std::ofstream(kolm::kSignalFileName) << "[channel0]\nsignal=nothing\n";
    for (const SignalFileCase& row : kSignalFileCases) {
        SCOPED_TRACE(row.name);
        const std::string copy = layOutSignalFiles(row, scratch.path / "plugin", KOLMSIM_PLUGIN_PATH);
        freshBench(0x05);
        Library lib(copy.c_str());
        ASSERT_TRUE(lib.loaded()) << dlerror();
        EXPECT_STREQ(lib.bind<const char*()>("titre")(), kSimContract.title);
        auto ea = lib.bind<std::int32_t(std::int32_t)>("EA");
        auto sb = lib.bind<std::int32_t(std::int32_t, std::int32_t)>("SB");
        if (row.problem != kolm::SignalProblem::none) {
            EXPECT_EQ(ea(0), -777);
            EXPECT_EQ(sb(1, 1), -777);
            EXPECT_EQ(boxPanelLines(lib.handle()), std::nullopt);
        } else {
            EXPECT_EQ(boxPanelLines(lib.handle()), 0xB0) << "powered, clock high, all relays off";
            EXPECT_EQ(sb(2, 1), 201);
            EXPECT_EQ(sb(0, 1), 1);
            EXPECT_EQ(boxPanelLines(lib.handle()), 0xB5);
            for (int ch = 0; ch < 2; ++ch) {
                if (row.counts[ch] == kAnyCount) continue;
                EXPECT_EQ(ea(ch), row.counts[ch]) << "channel " << ch;
            }
        }
        EXPECT_EQ(kolmsim_access_count(), 0u) << "the virtual box is no port of the machine";
    }
    fs::current_path(before);
}
