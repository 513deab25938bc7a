// A test host: loads a built plug-in file from dist/ (loaded_plugin.h). The machine
// around it is the preloaded fake parallel-port driver (fake_parport.h)
// in front of the simulated bench.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "bench_trace.h"
#include "box_panel_lines.h"
#include "fake_parport.h"
#include "host_contract.h"
#include "loaded_plugin.h"
#include "port_file_cases.h"
#include "signal_file.h"

inline const Variant kVariants[] = {{kLpt1Contract, KOLMLPT1_PATH}, {kLpt2Contract, KOLMLPT2_PATH}};
// The host contract's rows: both port plug-ins, and kolmsim on its virtual box.
inline const Variant kContractRows[] = {kVariants[0], kVariants[1], {kSimContract, KOLMSIM_PLUGIN_PATH}};

inline bool isVirtualBox(const Variant& v) { return std::string_view(v.dll) == kSimContract.dll; }

// The plug-in file of row `v` with its box's inputs at these counts: the bench's box at
// its port, or kolmsim's virtual box through the constants of a kolmsim.ini laid
// beside a copy of it (each in the middle of its count's step).
inline std::string withInputs(const Variant& v, int count0, int count1) {
    if (!isVirtualBox(v)) {
        kolmsim_set_count(v.base, 0, count0);
        kolmsim_set_count(v.base, 1, count1);
        return v.path;
    }
    namespace fs = std::filesystem;
    static const ScratchFolder folder("kolm-virtual-box");
    fs::create_directories(folder.path);
    const fs::path copy = folder.path / fs::path(v.path).filename();
    fs::copy_file(v.path, copy, fs::copy_options::overwrite_existing);
    std::ofstream ini(folder.path / kolm::kSignalFileName);
    for (int ch = 0; ch < 2; ++ch)
        ini << "[channel" << ch
            << "]\nsignal=constant\noffset=" << ((ch == 0 ? count0 : count1) + 0.5) * 5.0 / 1024 << "\n";
    return copy.string();
}

// The data lines the row's box holds: the bench's latch, or the virtual box's panel.
inline int dataLines(const Variant& v, const Plugin& lib) {
    if (!isVirtualBox(v)) return kolmsim_data(v.base);
    const auto lines = boxPanelLines(lib.handle());
    return lines ? *lines : -1;
}

// The machine before the host loads a plug-in: parport0 at a third base (so the
// scan must skip it), parport1 at 0x278, parport2 at 0x378; both boxes connected
// and holding `held` in their data latches.
inline void freshMachine(std::uint8_t held = 0x00) {
    const std::uint16_t bases[8] = {0x3BC, kLpt2, kLpt1};
    fake_parport_configure(bases);
    kolmsim_reset();
    kolmsim_set_data(kLpt1, held);
    kolmsim_set_data(kLpt2, held);
}

inline void noParallelPorts() {
    const std::uint16_t none[8] = {};
    fake_parport_configure(none);
    kolmsim_reset();
}

// The machine with an add-in card: the usual ports, and the card's box as parport3.
inline void cardMachine(std::uint8_t held = 0x05) {
    const std::uint16_t bases[8] = {0x3BC, kLpt2, kLpt1, kCardBase};
    fake_parport_configure(bases);
    kolmsim_reset();
    kolmsim_add_box(kCardBase);
    for (std::uint16_t base : {kLpt1, kLpt2, kCardBase}) kolmsim_set_data(base, held);
}

// A copy of `v` in a folder of this process's own with the port file of `row`, the
// current folder moved to where the row may put a decoy file. The copy's path.
inline std::string pluginWithPortFile(const Variant& v, const PortFileCase& row) {
    namespace fs = std::filesystem;
    static const ScratchFolder root("kolm-port-file");
    fs::create_directories(root.path / "current");
    fs::current_path(root.path / "current");
    return layOutPortFile(row, root.path / "plugin", root.path / "current", v.path,
                          v.base == kLpt1 ? "kolmlpt1.ini" : "kolmlpt2.ini");
}

// Loaded on a machine whose boxes held 0x05: started at `base` and reading there
// alone, or without a port and silent.
inline void expectStartedAt(const Plugin& lib, int base) {
    if (base == kNoPort) {
        EXPECT_EQ(lib.call<std::int32_t>("EA", 0), -777);
        EXPECT_EQ(kolmsim_access_count(), 0u);
        EXPECT_EQ(fake_parport_counts().openDevices, 0u);
        return;
    }
    const auto port = static_cast<std::uint16_t>(base);
    EXPECT_EQ(benchTrace(), (std::vector{R(port, 0x05), W(port, 0xB5)}));
    kolmsim_set_count(port, 0, 300);
    EXPECT_EQ(lib.call<std::int32_t>("EA", 0), 300);
    EXPECT_EQ(touched(kLpt1) + touched(kLpt2) + touched(kCardBase), 1);
}
