// The function directory the host walks to find the entry points.
#include <cstring>
#include <string>

#include "plugin_fixture.h"

namespace {
struct Expected {
    const char* text;
    const void* entry;
};
const Expected kTable[] = {
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
}  // namespace

TEST(Directory, ListsSeventeenEntryPointsThenANullEntry) {
    const DirectoryEntry* dir = DLLFunctionDirectory();
    for (int k = 0; k < 17; ++k) {
        SCOPED_TRACE(k + 1);
        EXPECT_EQ(std::string(dir[k].signature), kTable[k].text);
        EXPECT_EQ(dir[k].entry, kTable[k].entry);
        // Texts sit in contiguous 101-byte slots.
        if (k > 0) {
            EXPECT_EQ(dir[k].signature - dir[k - 1].signature, 101);
        }
    }
    EXPECT_EQ(dir[17].signature, nullptr);
    EXPECT_EQ(dir[17].entry, nullptr);
}

TEST(Directory, RepeatedCallsReturnTheSameTable) {
    const DirectoryEntry* first = DLLFunctionDirectory();
    const char* text = first[13].signature;
    EXPECT_EQ(DLLFunctionDirectory(), first);
    EXPECT_EQ(first[13].signature, text);
    EXPECT_STREQ(text, "PURE PASCAL asciiz Detail()");
}

TEST(Directory, EntriesAreCallableThroughTheTable) {
    const DirectoryEntry* dir = DLLFunctionDirectory();
    auto sad = reinterpret_cast<double (*)(std::int32_t, double)>(const_cast<void*>(dir[6].entry));
    EXPECT_EQ(sad(0, 3.3), 0.0);
    auto title = reinterpret_cast<const char* (*)()>(const_cast<void*>(dir[12].entry));
    EXPECT_STREQ(title(), "KOLM en LPT1:");
}
