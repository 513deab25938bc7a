// A 32-bit Windows host for the plug-in DLLs, as a data-acquisition program uses
// them: loaded from their folder, bound by name and by ordinal, discovered through
// the function directory, and called through the register convention by a
// hand-written thunk that checks the callee kept the convention.
//
//   host_test.exe bench LPT1.dll LPT2.dll HELPER   the plug-ins must use the simulator
//                       helper (inpout32.dll) at HELPER: exact port traces
//   host_test.exe none LPT1.dll LPT2.dll           no helper: the in/out probe is
//                       refused and every port answer is "no value"
//   host_test.exe planted LPT1.dll LPT2.dll        as none, with a helper that only the
//                       standard search finds (current folder, PATH): never loaded
//   host_test.exe direct LPT1.dll LPT2.dll         no helper, but this program serves
//                       the in/out instructions from the bench: the exact port
//                       traces on the direct path
//   host_test.exe portfile LPT1.dll LPT2.dll HELPER  copies of the plug-ins beside each
//                       port file of the hosts' table, a card's box at 0xD010
//   host_test.exe virtual KOLMSIM.dll              kolmsim on its virtual box: the same
//                       contract, readings of the constants of its kolmsim.ini, the
//                       relays on the box's panel, and each signal file of the table
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "box_panel.h"
#include "checks.h"
#include "convention_call.h"
#include "direct_io_server.h"
#include "expected_directory.h"
#include "helper_bench.h"
#include "host_contract.h"
#include "kolm_version.h"
#include "pe_exports.h"
#include "port_file_cases.h"
#include "signal_file_cases.h"
#include "virtual_box_panel.h"

using checks::expect;
using checks::expectEq;

namespace {

constexpr std::int32_t kNoValue = -777;

struct Plugin {
    HMODULE module = nullptr;
    const void* fn(const char* name) const {
        return reinterpret_cast<const void*>(GetProcAddress(module, name));
    }
};

bool sameText(const char* got, const char* want) { return got && std::strcmp(got, want) == 0; }

// Folders whose names the ANSI code page cannot spell (Cyrillic, Chinese), and one
// deeper than MAX_PATH: the plug-in finds the files beside it there all the same.
std::filesystem::path deepFolder(const std::filesystem::path& root) { return root / L"deep"; }
std::vector<std::filesystem::path> farFolders(const std::filesystem::path& root) {
    std::filesystem::path deep = deepFolder(root);
    while (deep.native().size() < MAX_PATH + 20) deep /= std::wstring(40, L'd');
    return {root / L"\u0443\u0440\u043e\u043a \u8ab2\u7a0b", deep};
}
// Removes the tree at `path` through its \\?\ name: std::filesystem cannot past MAX_PATH.
void removeTree(const std::wstring& path) {
    const std::wstring full = path.starts_with(L"\\\\?\\") ? path : L"\\\\?\\" + path;
    WIN32_FIND_DATAW found{};
    HANDLE list = FindFirstFileW((full + L"\\*").c_str(), &found);
    for (BOOL more = list != INVALID_HANDLE_VALUE; more; more = FindNextFileW(list, &found)) {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) removeTree(full + L"\\" + name);
        else DeleteFileW((full + L"\\" + name).c_str());
    }
    if (list != INVALID_HANDLE_VALUE) FindClose(list);
    RemoveDirectoryW(full.c_str());
}

// --- the export table and the directory -------------------------------------------

void checkExportTable(const Variant& v) {
    const PeExportTable table = readPeExports(v.path);
    if (!expect(table.ok, "export table readable from the PE file")) return;
    expect(table.moduleName == v.dll, "module name in the export table");
    expectEq(table.ordinalBase, 1, "ordinal base");
    expectEq(table.functionCount, 20, "exported functions");
    expectEq(static_cast<long long>(table.named.size()), 20, "exported names");
    for (const KolmExport& e : kKolmExports) {
        bool found = false;
        for (const PeExport& x : table.named) found = found || (x.name == e.name && x.ordinal == e.ordinal);
        expect(found, e.name, 0, e.ordinal);
    }
}

void checkBinding(const Plugin& p) {
    for (const KolmExport& e : kKolmExports) {
        const void* byName = p.fn(e.name);
        const void* byOrdinal =
            reinterpret_cast<const void*>(GetProcAddress(p.module, MAKEINTRESOURCEA(e.ordinal)));
        expect(byName != nullptr && byName == byOrdinal, e.name, 0, e.ordinal);
    }
}

void checkDirectory(const Plugin& p) {
    const auto* table = Call(p.fn("DLLFunctionDirectory")).pointer<host::DirectoryEntry>();
    if (!expect(table != nullptr, "DLLFunctionDirectory returns its table")) return;
    for (const std::string& difference :
         host::directoryDifferences(table, [&](const char* name) { return p.fn(name); }))
        expect(false, difference.c_str());
    const auto* again = Call(p.fn("DLLFunctionDirectory")).pointer<host::DirectoryEntry>();
    expect(again == table, "a second call returns the same table");
    // Walking the directory: every listed entry answers through the convention.
    const double value = 1.5;
    expect(Call(table[6].entry, 0).withDouble(value).real() == 0.0, "SAD through the directory answers 0.0");
}

// --- the version resource, read as Explorer's Properties read it -------------------

void checkVersionResource(const Variant& v) {
    DWORD unused = 0;
    const DWORD size = GetFileVersionInfoSizeA(v.path, &unused);
    if (!expect(size > 0, "version resource present")) return;
    std::vector<char> info(size);
    if (!expect(GetFileVersionInfoA(v.path, 0, size, info.data()) != 0, "version resource readable")) return;
    void* value = nullptr;
    UINT length = 0;
    if (expect(VerQueryValueA(info.data(), "\\", &value, &length) && length >= sizeof(VS_FIXEDFILEINFO),
               "fixed file information")) {
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        for (DWORD ms : {fixed->dwFileVersionMS, fixed->dwProductVersionMS}) {
            expectEq(HIWORD(ms), KOLM_VERSION_MAJOR, "major version");
            expectEq(LOWORD(ms), KOLM_VERSION_MINOR, "minor version");
        }
        expectEq(HIWORD(fixed->dwFileVersionLS), KOLM_VERSION_PATCH, "patch version");
        expectEq(static_cast<long long>(fixed->dwFileType), VFT_DLL, "file type");
    }
    // The texts, in the language and code page the resource announces.
    if (!expect(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", &value, &length) && length >= 4,
                "translation"))
        return;
    const auto* translation = static_cast<const WORD*>(value);
    char block[64];
    std::snprintf(block, sizeof block, "\\StringFileInfo\\%04X%04X\\", translation[0], translation[1]);
    const struct {
        const char* key;
        const char* want;
    } texts[] = {{"FileDescription", v.title},
                 {"OriginalFilename", v.dll},
                 {"FileVersion", KOLM_VERSION},
                 {"ProductVersion", KOLM_VERSION},
                 {"ProductName", "KOLM plug-in"}};
    for (const auto& t : texts) {
        const bool found = VerQueryValueA(info.data(), (std::string(block) + t.key).c_str(), &value, &length);
        expect(found && sameText(static_cast<const char*>(value), t.want), t.key);
    }
    const bool found =
        VerQueryValueA(info.data(), (std::string(block) + "LegalCopyright").c_str(), &value, &length);
    expect(found && std::strstr(static_cast<const char*>(value), "the KOLM plug-in authors") != nullptr,
           "LegalCopyright");
}

// --- calls with the bench behind the helper ---------------------------------------

// The accesses of one 10-bit reading, the relays `low` kept throughout; a status
// read's value (-1) is whatever the box showed.
std::vector<Access> readingTrace(std::uint16_t base, int low) {
    std::vector<Access> t{{false, base, 0xB0 | low}, {true, base, 0x30 | low}};
    for (int bit = 0; bit < 10; ++bit) {
        // Clock high, BUSY then ACK sampled (their values are the box's), clock low.
        t.push_back({true, base, 0xB0 | low});
        t.push_back({false, static_cast<std::uint16_t>(base + 1), -1});
        t.push_back({false, static_cast<std::uint16_t>(base + 1), -1});
        t.push_back({true, base, 0x30 | low});
    }
    t.push_back({true, base, 0x70 | low});
    return t;
}

void checkCallsOnBench(const Plugin& p, const Variant& v, Bench& bench) {
    const std::uint16_t base = v.base;
    // A reading: 43 accesses, the result decoded by the box from the clock edges.
    bench.setCount(base, 0, 300);
    bench.setCount(base, 1, 700);
    bench.setCount(v.otherBase, 0, 111);
    bench.traceClear();
    expectEq(Call(p.fn("EA"), 0).integer(), 300, "EA(0)");
    expectTrace(bench, readingTrace(base, 0x5),
                "EA(0) reads the data register, then frames and clocks 10 bits on it");
    expectEq(Call(p.fn("EA"), 1).integer(), 700, "EA(1)");
    expect(Call(p.fn("EAD"), 1).real() == 700 * 5.0 / 1024.0, "EAD(1) in volts");
    const auto* pea = Call(p.fn("peaD"), 0).pointer<double>();
    expect(pea && *pea == 300 * 5.0 / 1024.0, "peaD(0) points at the volts");

    // Channels 2 and 3: restore the byte found at start-up, then initialise again.
    bench.traceClear();
    expectEq(Call(p.fn("EA"), 2).integer(), kNoValue, "EA(2) restores the port");
    expectTrace(bench, {{true, base, 0x05}}, "EA(2) writes the byte held at start-up");
    bench.traceClear();
    expectEq(Call(p.fn("EA"), 3).integer(), kNoValue, "EA(3) initialises again");
    expectTrace(bench, {{false, base, 0x05}, {true, base, 0xB5}}, "EA(3) reads then writes 0xB5");

    // Relays: the relay nibble rewritten, the converter nibble kept.
    bench.traceClear();
    expectEq(Call(p.fn("SB"), 3, 1).integer(), 301, "SB(3,1)");
    expectTrace(bench, {{false, base, 0xB5}, {true, base, 0xB8}}, "SB(3,1) writes D3 alone, keeps D4-D7");
    expectEq(Call(p.fn("RSB"), 3).integer(), 1, "RSB(3) after switching on");
    expectEq(Call(p.fn("RSB"), 0).integer(), 0, "RSB(0)");
    bench.traceClear();
    expectEq(Call(p.fn("SB"), 1, 1).integer(), 101, "SB(1,1)");
    expectTrace(bench, {{false, base, 0xB8}, {true, base, 0xBA}}, "SB(1,1) keeps relay 3 on");
    expectEq(Call(p.fn("SB"), 3, 0).integer(), 300, "SB(3,0)");
    expectEq(Call(p.fn("RSB"), 3).integer(), 0, "RSB(3) after switching off");

    // Out of range: no value and no port access.
    bench.traceClear();
    expectEq(Call(p.fn("EA"), 4).integer(), kNoValue, "EA(4)");
    expectEq(Call(p.fn("EA"), static_cast<std::uint32_t>(-1)).integer(), kNoValue, "EA(-1)");
    expect(Call(p.fn("EAD"), 7).real() == -777.0, "EAD(7)");
    expectEq(Call(p.fn("SB"), 4, 1).integer(), kNoValue, "SB(4,1)");
    expectEq(static_cast<long long>(bench.trace().size()), 0, "out-of-range calls touch no port");

    expect(!touched(bench, v.otherBase) && !touched(bench, static_cast<std::uint16_t>(v.otherBase + 1)),
           "the other port is never touched");
}

void checkTextsAndPlaceholders(const Plugin& p, const Variant& v) {
    expect(sameText(Call(p.fn("nea"), 0).text(), "CAN voie 0"), "nea(0)");
    expect(sameText(Call(p.fn("nead"), 1).text(), "tension voie 1"), "nead(1)");
    expect(sameText(Call(p.fn("nea"), 2).text(), "RAZ pour impression"), "nea(2)");
    expect(sameText(Call(p.fn("nead"), 3).text(), "R\xE9initialisation"), "nead(3)");
    expect(sameText(Call(p.fn("nsb"), 2).text(), "relais 2"), "nsb(2)");
    expect(sameText(Call(p.fn("nsb"), 4).text(), ""), "nsb(4)");
    expect(sameText(Call(p.fn("titre")).text(), v.title), "titre");
    expect(sameText(Call(p.fn("detail")).text(), v.detail), "detail");

    expectEq(Call(p.fn("SA"), 0, 5).integer(), kNoValue, "SA");
    expect(sameText(Call(p.fn("nsa"), 0).text(), ""), "nsa");
    const double volts = 2.5;
    expect(Call(p.fn("SAD"), 0).withDouble(volts).real() == 0.0,
           "SAD(0, 2.5) answers 0.0, removes its 8 bytes");
    const auto* psad = Call(p.fn("PSAD"), 0, reinterpret_cast<std::uintptr_t>(&volts)).pointer<double>();
    expect(psad && *psad == 0.0, "PSAD points at 0.0");
    expect(sameText(Call(p.fn("nsad"), 0).text(), ""), "nsad");
    expectEq(Call(p.fn("RSA"), 0).integer(), kNoValue, "RSA");
    expect(Call(p.fn("RSAD"), 0).real() == -777.0, "RSAD");
    expectEq(Call(p.fn("EB"), 0).integer(), kNoValue, "EB");
    expect(sameText(Call(p.fn("neb"), 0).text(), ""), "neb");
}

// The whole suite on the bench, whichever way the plug-in reaches it. `probed`: by
// in/out instructions, which start-up first tries with one read of the status register.
void runOnBench(const Variant (&variants)[2], Bench& bench, bool probed) {
    for (const Variant& v : variants) {
        checks::context = v.dll;
        bench.reset();
        bench.setData(v.base, 0x05);
        bench.setData(v.otherBase, 0x05);
        Plugin p{LoadLibraryA(v.path)};
        if (!expect(p.module != nullptr, "LoadLibrary")) continue;
        std::vector<Access> startUp{{false, v.base, 0x05}, {true, v.base, 0xB5}};
        if (probed) startUp.insert(startUp.begin(), {false, static_cast<std::uint16_t>(v.base + 1), -1});
        expectTrace(bench, startUp, "start-up reads the data register, writes 0xB5");
        checkExportTable(v);
        checkBinding(p);
        checkDirectory(p);
        checkCallsOnBench(p, v, bench);
        checkTextsAndPlaceholders(p, v);
        // Nothing runs at detach: the port keeps the last byte written.
        bench.traceClear();
        FreeLibrary(p.module);
        expectEq(static_cast<long long>(bench.accessCount()), 0, "no port access on unload");

        // A port the system refuses (the helper's driver closed, the instructions
        // refused): the probe is refused and the port stays untouched.
        bench.reset();
        bench.refuse(1);
        Plugin closed{LoadLibraryA(v.path)};
        if (expect(closed.module != nullptr, "LoadLibrary with the port refused")) {
            expectEq(Call(closed.fn("EA"), 0).integer(), kNoValue, "EA(0) without the port");
            expectEq(Call(closed.fn("SB"), 0, 1).integer(), kNoValue, "SB(0,1) without the port");
            expectEq(static_cast<long long>(bench.accessCount()), 0,
                     "no port access through a closed driver");
            FreeLibrary(closed.module);
        }
    }

    // Both variants in one process, each on its own port.
    checks::context = "both";
    bench.reset();
    Plugin lpt1{LoadLibraryA(variants[0].path)};
    Plugin lpt2{LoadLibraryA(variants[1].path)};
    bench.setCount(variants[1].base, 1, 512);
    bench.traceClear();
    const auto* pea = Call(lpt2.fn("peaD"), 1).pointer<double>();
    expect(pea && *pea == 2.5, "LPT2 peaD(1)");
    expect(!touched(bench, variants[0].base), "LPT2's reading leaves LPT1 alone");
    FreeLibrary(lpt2.module);
    FreeLibrary(lpt1.module);
}

void runWithBench(const Variant (&variants)[2], const char* helperPath) {
    // The very module the plug-ins must load: another copy would see no traffic.
    HMODULE helper = LoadLibraryA(helperPath);
    Bench bench{};
    if (!expect(helper && bench.bind(helper), "simulator helper inpout32.dll where the plug-ins look"))
        return;
    runOnBench(variants, bench, false);
}

void runWithoutHelper(const Variant (&variants)[2], bool planted);

// No helper anywhere: only the served instructions reach this host's bench, so every
// trace shows the direct path (32-bit), or that none is ever made (64-bit).
void runWithDirectIo(const Variant (&variants)[2]) {
    Bench bench = directIoBench();
    const char* const paths[2] = {variants[0].path, variants[1].path};
    if (!expect(serveDirectIo(paths), "port instructions served from the bench")) return;
#if defined(_WIN64)
    // 64-bit Windows never lets a program run in/out: the plug-in must not try them,
    // even where they would be served, and answers "no value" at once.
    runWithoutHelper(variants, false);
    checks::context = "64-bit";
    expectEq(static_cast<long long>(bench.accessCount()), 0, "no in/out instruction from a 64-bit plug-in");
#else
    runOnBench(variants, bench, true);
#endif
}

void runWithoutHelper(const Variant (&variants)[2], bool planted) {
    char found[MAX_PATH];
    const bool searchFindsOne = SearchPathA(nullptr, KOLM_HELPER_DLL, nullptr, MAX_PATH, found, nullptr) != 0;
    expect(searchFindsOne == planted,
           planted ? "a helper that the standard search finds" : "no helper on this system");
    for (const Variant& v : variants) {
        checks::context = v.dll;
        checkVersionResource(v);
        Plugin p{LoadLibraryA(v.path)};  // start-up's probe is refused here, not fatal
        if (!expect(p.module != nullptr, "LoadLibrary")) continue;
        expect(GetModuleHandleA(KOLM_HELPER_DLL) == nullptr, "no helper loaded");
        checkBinding(p);
        checkDirectory(p);
        expectEq(Call(p.fn("EA"), 0).integer(), kNoValue, "EA(0)");
        expectEq(Call(p.fn("EA"), 3).integer(), kNoValue, "EA(3)");
        expect(Call(p.fn("EAD"), 1).real() == -777.0, "EAD(1)");
        const auto* pea = Call(p.fn("peaD"), 0).pointer<double>();
        expect(pea && *pea == -777.0, "peaD(0)");
        expectEq(Call(p.fn("SB"), 2, 1).integer(), kNoValue, "SB(2,1)");
        expectEq(Call(p.fn("RSB"), 2).integer(), 0, "RSB(2): nothing was switched");
        checkTextsAndPlaceholders(p, v);
        FreeLibrary(p.module);
    }
}

// Copies of the DLLs in a folder of their own beside each port file of the table; the
// helper is the one beside this program, the current folder holds the decoy file.
void runPortFiles(const Variant (&variants)[2], const char* helperPath) {
    HMODULE helper = LoadLibraryA(helperPath);
    Bench bench{};
    const auto addBox = reinterpret_cast<decltype(&kolmsim_add_box)>(
        reinterpret_cast<void*>(GetProcAddress(helper, "kolmsim_add_box")));
    if (!expect(helper && bench.bind(helper) && addBox, "simulator helper beside the host")) return;
    const ScratchFolder root("kolm-port-file");
    std::filesystem::create_directories(root.path / "current");
    std::filesystem::current_path(root.path / "current");
    for (const Variant& v : variants) {
        const char* fileName = v.base == 0x378 ? "kolmlpt1.ini" : "kolmlpt2.ini";
        for (const PortFileCase& row : kPortFileCases) {
            checks::context = row.name;
            if (!canLayOut(row.text)) continue;
            const std::string copy =
                layOutPortFile(row, root.path / "plugin", root.path / "current", v.path, fileName).string();
            bench.reset();
            addBox(kCardBase);
            for (std::uint16_t base : {v.base, v.otherBase, kCardBase}) bench.setData(base, 0x05);
            Plugin p{LoadLibraryA(copy.c_str())};
            if (!expect(p.module != nullptr, "LoadLibrary of the copy")) continue;
            expect(sameText(Call(p.fn("titre")).text(), v.title), "titre stays the variant's");
            const int base = expectedBase(row, v.base);
            if (base == kNoPort) {
                expectEq(Call(p.fn("EA"), 0).integer(), kNoValue, "EA(0) without a port");
                expectEq(static_cast<long long>(bench.accessCount()), 0, "no port touched");
            } else {
                const auto port = static_cast<std::uint16_t>(base);
                expectTrace(bench, {{false, port, 0x05}, {true, port, 0xB5}}, "start-up at the file's base");
                bench.setCount(port, 0, 300);
                expectEq(Call(p.fn("EA"), 0).integer(), 300, "EA(0) at the file's base");
                expect(touched(bench, port) && touched(bench, static_cast<std::uint16_t>(port + 1)) &&
                           (touched(bench, v.base) + touched(bench, v.otherBase) +
                            touched(bench, kCardBase)) == 1,
                       "only that port touched");
            }
            FreeLibrary(p.module);
        }
        for (const std::filesystem::path& folder : farFolders(root.path)) {
            checks::context = "the card's port file in a far folder";
            const std::filesystem::path copy =
                layOutPortFile(kCardFile, folder, root.path / "current", v.path, fileName);
            bench.reset();
            addBox(kCardBase);
            bench.setCount(kCardBase, 0, 300);
            Plugin p{LoadLibraryW(copy.c_str())};
            if (!expect(p.module != nullptr, "LoadLibraryW of the copy")) continue;
            expectEq(Call(p.fn("EA"), 0).integer(), 300, "EA(0) at the card's base");
            FreeLibrary(p.module);
            removeTree(folder.native());
        }
    }
    removeTree(deepFolder(root.path).native());
    std::filesystem::current_path(root.path.parent_path());
}

// --- kolmsim, on the virtual box inside it ------------------------------------------

// The data lines on the front panel of the virtual box in the loaded kolmsim, found in
// its image as kolmctl finds them; -1 without one.
int panelLines(HMODULE module) {
    const auto* base = reinterpret_cast<const char*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const std::string_view image(base, nt->OptionalHeader.SizeOfImage);
    const auto at = kolmctl::findBoxPanel(image, reinterpret_cast<std::uintptr_t>(base));
    return at ? static_cast<unsigned char>(image[*at + kolm::kBoxPanelLinesAt]) : -1;
}

// The host contract on copies of kolmsim beside each signal file of the table: the
// constants' exact counts (0x2AA, 0x155), the port procedures as the box sees them on
// its lines, no box for a bad file.
void runVirtualBox(const char* dll) {
    const ScratchFolder root("kolm-signal-file");
    for (const std::filesystem::path& folder : farFolders(root.path)) {
        checks::context = "the constants in a far folder";
        const std::filesystem::path copy = layOutSignalFiles(kSignalFileCases[1], folder, dll);
        Plugin p{LoadLibraryW(copy.c_str())};
        if (!expect(p.module != nullptr, "LoadLibraryW of the copy")) continue;
        expectEq(Call(p.fn("EA"), 0).integer(), 682, "EA(0): the signal file's constant, not the demo sine");
        FreeLibrary(p.module);
        removeTree(folder.native());
    }
    removeTree(deepFolder(root.path).native());
    for (const SignalFileCase& row : kSignalFileCases) {
        checks::context = row.name;
        if (!canLayOut(row)) continue;
        const std::string copy = layOutSignalFiles(row, root.path / "plugin", dll).string();
        const Variant v{kSimContract, copy.c_str()};
        Plugin p{LoadLibraryA(v.path)};
        if (!expect(p.module != nullptr, "LoadLibrary of the copy")) continue;
        checkBinding(p);
        checkTextsAndPlaceholders(p, v);
        if (row.problem != kolm::SignalProblem::none) {
            expectEq(Call(p.fn("EA"), 0).integer(), kNoValue, "EA(0) without a box");
            expectEq(Call(p.fn("SB"), 0, 1).integer(), kNoValue, "SB(0,1) without a box");
            expectEq(panelLines(p.module), -1, "no box, no panel");
            FreeLibrary(p.module);
            continue;
        }
        expectEq(panelLines(p.module), 0xB0, "start-up: supply and clock high, relays off");
        for (int ch = 0; ch < 2; ++ch)
            if (row.counts[ch] != kAnyCount)
                expectEq(Call(p.fn("EA"), ch).integer(), row.counts[ch], "EA(ch)");
        if (row.ini != nullptr && row.recording == nullptr) {  // the constants: the whole contract
            checks::context = "kolmsim.dll";
            checkExportTable({kSimContract, dll});
            checkVersionResource({kSimContract, dll});
            checkDirectory(p);
            expect(Call(p.fn("EAD"), 1).real() == 341 * 5.0 / 1024.0, "EAD(1) in volts");
            const auto* pea = Call(p.fn("peaD"), 0).pointer<double>();
            expect(pea && *pea == 682 * 5.0 / 1024.0, "peaD(0) points at the volts");
            expectEq(panelLines(p.module), 0x70, "a reading ends with D6 high, the clock low");
            expectEq(Call(p.fn("SB"), 3, 1).integer(), 301, "SB(3,1)");
            expectEq(panelLines(p.module), 0x78, "SB(3,1) drives D3, keeps D4-D7");
            expectEq(Call(p.fn("SB"), 1, 1).integer(), 101, "SB(1,1)");
            expectEq(Call(p.fn("SB"), 3, 0).integer(), 300, "SB(3,0)");
            expectEq(panelLines(p.module), 0x72, "relay 1 kept on, relay 3 off");
            expectEq(Call(p.fn("RSB"), 1).integer(), 1, "RSB(1)");
            expectEq(Call(p.fn("EA"), 2).integer(), kNoValue, "EA(2) restores the port");
            expectEq(panelLines(p.module), 0x00, "the byte the box held at start-up");
            expectEq(Call(p.fn("EA"), 3).integer(), kNoValue, "EA(3) initialises again");
            expectEq(panelLines(p.module), 0xB0, "read, then 0xB0 written");
            expectEq(Call(p.fn("EA"), 4).integer(), kNoValue, "EA(4)");
        }
        FreeLibrary(p.module);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool bench = argc == 5 && std::strcmp(argv[1], "bench") == 0;
    const bool portFile = argc == 5 && std::strcmp(argv[1], "portfile") == 0;
    const bool other =
        argc == 4 && (std::strcmp(argv[1], "none") == 0 || std::strcmp(argv[1], "planted") == 0 ||
                      std::strcmp(argv[1], "direct") == 0);
    if (argc == 3 && std::strcmp(argv[1], "virtual") == 0) {
        runVirtualBox(argv[2]);
        return checks::finish();
    }
    if (!bench && !other && !portFile) {
        std::printf(
            "usage: host_test bench|portfile kolmlpt1.dll kolmlpt2.dll helper.dll | none|planted|direct "
            "kolmlpt1.dll kolmlpt2.dll | virtual kolmsim.dll\n");
        return 2;
    }
    const Variant variants[2] = {{kLpt1Contract, argv[2]}, {kLpt2Contract, argv[3]}};
    if (bench) runWithBench(variants, argv[4]);
    else if (portFile) runPortFiles(variants, argv[4]);
    else if (std::strcmp(argv[1], "direct") == 0) runWithDirectIo(variants);
    else runWithoutHelper(variants, std::strcmp(argv[1], "planted") == 0);
    return checks::finish();
}
