// What a host must find in the function directory: the 17 texts exactly as it reads
// them (case included), in table order, each with the export its address must be.
#pragma once

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

struct ExpectedListing {
    const char* signature;
    const char* exportName;
};

inline constexpr ExpectedListing kExpectedDirectory[] = {
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

inline constexpr int kListedCount = static_cast<int>(std::size(kExpectedDirectory));

namespace host {

// One directory entry as the host reads it from the table.
struct DirectoryEntry {
    const char* signature;
    const void* entry;
};

// Walks `table` as a host does and names each way it differs from the directory a host
// expects: the texts in order, each entry at `exportAt(name)`, then the null entry.
template <typename Entry, typename ExportAt>
std::vector<std::string> directoryDifferences(const Entry* table, ExportAt exportAt) {
    std::vector<std::string> found;
    if (table == nullptr) return {"no table"};
    for (int k = 0; k < kListedCount; ++k) {
        const ExpectedListing& e = kExpectedDirectory[k];
        const auto at = [k] { return "entry " + std::to_string(k + 1) + " "; };
        // Read no further than the expected text's length: a text without its NUL stops there.
        const char* text = table[k].signature;
        if (text == nullptr || std::memchr(text, '\0', std::strlen(e.signature) + 1) == nullptr ||
            std::strcmp(text, e.signature) != 0)
            found.push_back(at() + "is not \"" + e.signature + "\"");
        if (table[k].entry != exportAt(e.exportName))
            found.push_back(at() + "is not the export " + e.exportName);
    }
    if (table[kListedCount].signature != nullptr || table[kListedCount].entry != nullptr)
        found.emplace_back("no null entry after the listed ones");
    return found;
}

}  // namespace host
