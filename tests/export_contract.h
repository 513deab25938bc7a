// The export table every deliverable must carry, as a host binds it: the 20 names
// with their fixed ordinals. Written here by hand, not generated from
// plugin/exports.list, so that a name or an ordinal changed there fails the tests.
#pragma once

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
