// The platform-free part of finding the machine's ports, and of finding plug-in files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "machine_ports.h"
#include "plugin_files.h"

// The configuration manager's I/O descriptors (IO_DES, packed: count, type, 64-bit
// first and last port, flags), as it answers for a parallel-port device.
TEST(KolmctlPorts, ReadsTheParallelBaseFromTheIoDescriptors) {
    auto descriptor = [](std::uint64_t first, std::uint64_t last) {
        std::vector<unsigned char> d(28, 0);
        for (int k = 0; k < 8; ++k) {
            d[8 + k] = static_cast<unsigned char>(first >> (8 * k));
            d[16 + k] = static_cast<unsigned char>(last >> (8 * k));
        }
        d[24] = 0x11;  // flags: 16-bit decode, port I/O
        return d;
    };
    struct {
        const char* device;
        std::vector<std::vector<unsigned char>> answers;
        std::uint16_t base;
    } const cases[] = {
        {"board port, SPP and ECP", {descriptor(0x378, 0x37F), descriptor(0x778, 0x77A)}, 0x378},
        {"PCIe card, ECP range first", {descriptor(0xD000, 0xD003), descriptor(0xD010, 0xD017)}, 0xD010},
        {"old port, its 3 registers", {descriptor(0x3BC, 0x3BE)}, 0x3BC},
        {"PCIe card, one range", {descriptor(0xD010, 0xD017)}, 0xD010},
        {"nothing usable", {descriptor(0x3BD, 0x3BF), descriptor(0x10000, 0x10007), {1, 2, 3}}, 0},
    };
    for (const auto& c : cases) {
        std::vector<kolmctl::IoRange> ranges;
        for (const auto& a : c.answers) {
            kolmctl::IoRange r{};
            if (kolmctl::parseIoDescriptor(a.data(), a.size(), r)) ranges.push_back(r);
        }
        EXPECT_EQ(kolmctl::parallelBase(ranges), c.base) << c.device;
    }
}

// A bare plug-in name, as a user installed the package or unpacked the archive: beside
// kolmctl first, then the package's folder; a folder of the same name is no plug-in.
TEST(KolmctlPluginFiles, ABareNameIsLookedUpBesideKolmctlThenInThePackage) {
    namespace fs = std::filesystem;
    const fs::path root = fs::path(::testing::TempDir()) / "kolmctl-lookup";
    fs::remove_all(root);
    const fs::path bin = root / "bin", lib = root / "lib";
    fs::create_directories(bin / "kolmlpt2");
    fs::create_directories(lib);
    for (const fs::path& f : {lib / "kolmlpt1.so", lib / "kolmlpt2.so", bin / "kolmlpt1.so"})
        std::ofstream(f) << "x";
    const std::vector<std::string> folders{bin.string(), lib.string()};
    struct {
        const char* name;
        std::string path;
    } const rows[] = {
        {"kolmlpt1", (bin / "kolmlpt1.so").string()}, {"kolmlpt1.so", (bin / "kolmlpt1.so").string()},
        {"kolmlpt2", (lib / "kolmlpt2.so").string()}, {"kolmlpt3", ""},
        {"./kolmlpt3.so", "./kolmlpt3.so"},
    };
    for (const auto& r : rows) EXPECT_EQ(kolmctl::findPlugin(r.name, folders).path, r.path) << r.name;
    EXPECT_EQ(kolmctl::findPlugin("kolmlpt3", folders).looked, folders);
    const std::vector<std::string> installed = kolmctl::pluginFolders("/usr/bin/");
    ASSERT_EQ(installed.size(), 3u);
    EXPECT_EQ(installed[0], "") << "the current folder first";
    EXPECT_EQ(installed[1], "/usr/bin/");
    EXPECT_TRUE(installed[2].starts_with("/usr/lib/") && installed[2].ends_with("/kolm")) << installed[2];
}
