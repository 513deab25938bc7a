// What a host must find in the function directory: the 17 texts exactly as it reads
// them (case included), in table order, each with the export its address must be.
#pragma once

struct ExpectedListing {
    const char* signature;
    const char* exportName;
};

inline constexpr ExpectedListing kExpectedDirectory[17] = {
    {"PURE PASCAL int EA(int)", "EA"},
    {"PURE PASCAL asciiz NEA(int)", "nea"},
    {"PURE PASCAL double EAD(int)", "EAD"},
    {"PURE PASCAL asciiz NEAD(int)", "nead"},
    {"PURE PASCAL int SA(int,int)", "SA"},
    {"PURE PASCAL asciiz NSA(int)", "nsa"},
    {"PURE PASCAL double SAD(int,double)", "SAD"},
    {"PURE PASCAL asciiz NSAD(int)", "nsad"},
    {"PURE PASCAL int EB(int)", "EB"},
    {"PURE PASCAL asciiz NEB(int)", "neb"},
    {"PURE PASCAL INT SB(int,int)", "SB"},
    {"PURE PASCAL asciiz NSB(int)", "nsb"},
    {"PURE PASCAL asciiz titre()", "titre"},
    {"PURE PASCAL asciiz Detail()", "detail"},
    {"PURE PASCAL INT RSA(INT)", "RSA"},
    {"PURE PASCAL DOUBLE RSAD(INT)", "RSAD"},
    {"PURE PASCAL int RSB(INT)", "RSB"},
};

// One directory entry as the host reads it from the table (a test that links the
// plug-in itself uses the plug-in's own).
namespace host {
struct DirectoryEntry {
    const char* signature;
    const void* entry;
};
}  // namespace host
