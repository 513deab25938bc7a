// The function directory the host walks to find the entry points.
#include <cstring>
#include <string>

#include "expected_directory.h"
#include "listed_entry_points.h"
#include "plugin_fixture.h"

TEST(Directory, ListsSeventeenEntryPointsThenANullEntry) {
    const DirectoryEntry* dir = DLLFunctionDirectory();
    EXPECT_EQ(host::directoryDifferences(dir, listedEntryPoint), std::vector<std::string>{});
    // Texts sit in contiguous 101-byte slots.
    for (int k = 1; k < kListedCount; ++k) EXPECT_EQ(dir[k].signature - dir[k - 1].signature, 101) << k;
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
