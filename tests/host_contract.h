// What a host relies on, written here by hand from the outside, not generated from
// the code under test, so that a change there fails the tests: the export table
// every deliverable must carry (the 20 names with their fixed ordinals) and the
// build variants (the port each drives, the one it must never touch, its texts): the
// two port plug-ins, and kolmsim, whose box is a virtual one inside it.
#pragma once

#include <cstdint>

struct KolmExport {
    unsigned ordinal;
    const char* name;
};

inline constexpr int kExportCount = 20;

inline constexpr KolmExport kKolmExports[kExportCount] = {
    {1, "DLLFunctionDirectory"},
    {2, "EA"},
    {3, "nea"},
    {4, "EAD"},
    {5, "nead"},
    {6, "SA"},
    {7, "nsa"},
    {8, "SAD"},
    {9, "nsad"},
    {10, "EB"},
    {11, "neb"},
    {12, "SB"},
    {13, "nsb"},
    {14, "titre"},
    {15, "detail"},
    {16, "peaD"},
    {17, "PSAD"},
    {18, "RSA"},
    {19, "RSAD"},
    {20, "RSB"},
};

struct VariantContract {
    const char* dll;  // the Windows file name, also the module name in its export table
    std::uint16_t base;
    std::uint16_t otherBase;
    const char* title;
    const char* detail;
};

inline constexpr VariantContract kLpt1Contract = {
    "kolmlpt1.dll", 0x378, 0x278,
    "KOLM en LPT1:", "DLL (32 bits) pour KOLM 10 bits en LPT1:, par R. Tavelinque, le 20 f\xE9vrier 2001"};
inline constexpr VariantContract kLpt2Contract = {
    "kolmlpt2.dll", 0x278, 0x378,
    "KOLM en LPT2:", "DLL (32 bits) pour KOLM 10 bits en LPT2:, par R. Tavelinque, le 20 f\xE9vrier 2001"};

// Its texts say it is simulated; its virtual box sits at LPT1's address, and it touches
// no port of the machine at all.
inline constexpr VariantContract kSimContract = {
    "kolmsim.dll", 0x378, 0x278, "KOLM simul\xE9",
    "DLL pour KOLM 10 bits simul\xE9 : bo\xEEte virtuelle, signaux de kolmsim.ini, aucune mesure r\xE9"
    "elle"};

// A built deliverable as a test host finds it: the file and what it must keep.
struct Variant : VariantContract {
    const char* path;
};
