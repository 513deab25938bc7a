// The function directory the host walks to find the entry points.
#include <cstring>
#include <string>

#include "expected_directory.h"
#include "listed_entry_points.h"
#include "plugin_fixture.h"

TEST(Directory, ListsSeventeenEntryPointsThenANullEntry) {
    const DirectoryEntry* dir = DLLFunctionDirectory();
    for (int k = 0; k < 17; ++k) {
        SCOPED_TRACE(k + 1);
        EXPECT_EQ(std::string(dir[k].signature), kExpectedDirectory[k].signature);
        EXPECT_EQ(dir[k].entry, kListedEntryPoints[k]) << kExpectedDirectory[k].exportName;
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
