// The function directory: how the host discovers the entry points. Each entry pairs
// a description text ("PURE PASCAL", result type, name, parameter types; stored
// exactly as the host expects them, case included) with the entry point's address.
#include "entry_points.h"

namespace {

constexpr int kListed = 17;
constexpr int kSlotSize = 101;  // 100 characters and the NUL

struct Listing {
    const char* signature;
    const void* entry;
};

// peaD and PSAD are exported but not listed.
const Listing kListing[kListed] = {
    {"PURE PASCAL int EA(int)", reinterpret_cast<const void*>(&EA)},
    {"PURE PASCAL asciiz NEA(int)", reinterpret_cast<const void*>(&nea)},
    {"PURE PASCAL double EAD(int)", reinterpret_cast<const void*>(&EAD)},
    {"PURE PASCAL asciiz NEAD(int)", reinterpret_cast<const void*>(&nead)},
    {"PURE PASCAL int SA(int,int)", reinterpret_cast<const void*>(&SA)},
    {"PURE PASCAL asciiz NSA(int)", reinterpret_cast<const void*>(&nsa)},
    {"PURE PASCAL double SAD(int,double)", reinterpret_cast<const void*>(&SAD)},
    {"PURE PASCAL asciiz NSAD(int)", reinterpret_cast<const void*>(&nsad)},
    {"PURE PASCAL int EB(int)", reinterpret_cast<const void*>(&EB)},
    {"PURE PASCAL asciiz NEB(int)", reinterpret_cast<const void*>(&neb)},
    {"PURE PASCAL INT SB(int,int)", reinterpret_cast<const void*>(&SB)},
    {"PURE PASCAL asciiz NSB(int)", reinterpret_cast<const void*>(&nsb)},
    {"PURE PASCAL asciiz titre()", reinterpret_cast<const void*>(&titre)},
    {"PURE PASCAL asciiz Detail()", reinterpret_cast<const void*>(&detail)},
    {"PURE PASCAL INT RSA(INT)", reinterpret_cast<const void*>(&RSA)},
    {"PURE PASCAL DOUBLE RSAD(INT)", reinterpret_cast<const void*>(&RSAD)},
    {"PURE PASCAL int RSB(INT)", reinterpret_cast<const void*>(&RSB)},
};

// Zero at load; entry 18 is never written and ends the table with two nulls.
DirectoryEntry directory[kListed + 1];
char signatureSlots[kListed][kSlotSize];

}  // namespace

KOLM_ENTRY DirectoryEntry* DLLFunctionDirectory() {
    // Every call rewrites the same storage with the same contents, so a table the
    // host obtained earlier stays valid.
    for (int k = 0; k < kListed; ++k) {
        const char* text = kListing[k].signature;
        int n = 0;
        for (; n < kSlotSize - 1 && text[n] != '\0'; ++n) signatureSlots[k][n] = text[n];
        signatureSlots[k][n] = '\0';
        directory[k].signature = signatureSlots[k];
        directory[k].entry = kListing[k].entry;
    }
    return directory;
}
