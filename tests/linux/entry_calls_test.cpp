// Every export of each built file (both port plug-ins and kolmsim) bound by name, the
// function directory walked, and every entry point called through the host's calling
// convention.
#include <string>

#include "expected_directory.h"
#include "plugin_host.h"

namespace {

class EntryCalls : public ::testing::TestWithParam<Variant> {
protected:
    void SetUp() override { freshMachine(); }
};

TEST_P(EntryCalls, DirectoryListsSeventeenEntryPointsThenTwoNulls) {
    Plugin lib(GetParam().path);
    ASSERT_TRUE(lib.loaded()) << dlerror();
    for (const KolmExport& e : kKolmExports) EXPECT_NE(lib.address(e.name), nullptr) << e.name;
    auto* dir = lib.call<host::DirectoryEntry*>("DLLFunctionDirectory");
    EXPECT_EQ(lib.call<host::DirectoryEntry*>("DLLFunctionDirectory"), dir);
    EXPECT_EQ(host::directoryDifferences(dir, [&](const char* name) { return lib.address(name); }),
              std::vector<std::string>{});
}

// Called through the addresses the directory gives, as a host does; the two
// exports it does not list through their names.
TEST_P(EntryCalls, EveryEntryPointAnswersThroughTheConvention) {
    const Variant& v = GetParam();
    const std::string path = withInputs(v, 1023, 512);
    Plugin lib(path.c_str());
    ASSERT_TRUE(lib.loaded()) << dlerror();
    auto* dir = lib.call<host::DirectoryEntry*>("DLLFunctionDirectory");
    auto listed = [&](const char* name) {
        for (int k = 0; k < kListedCount; ++k)
            if (std::string(kExpectedDirectory[k].exportName) == name) return dir[k].entry;
        return static_cast<const void*>(nullptr);
    };
    using host::call;
    using S = const char*;
    EXPECT_EQ(call<std::int32_t>(listed("EA"), "EA", 0), 1023);
    EXPECT_EQ(call<std::int32_t>(listed("EA"), "EA", -1), -777);
    EXPECT_EQ(call<double>(listed("EAD"), "EAD", 1), 2.5);
    EXPECT_EQ(call<double>(listed("EAD"), "EAD", 4), -777.0);
    EXPECT_EQ(call<double>(listed("EAD"), "EAD", 2), -3.7939453125);
    EXPECT_STREQ(call<S>(listed("nea"), "nea", 1), "CAN voie 1");
    EXPECT_STREQ(call<S>(listed("nead"), "nead", 0), "tension voie 0");
    EXPECT_STREQ(call<S>(listed("nead"), "nead", 3), "R\xE9initialisation");
    EXPECT_EQ(call<std::int32_t>(listed("SA"), "SA", 0, 100), -777);
    EXPECT_STREQ(call<S>(listed("nsa"), "nsa", 7), "");
    EXPECT_EQ(call<double>(listed("SAD"), "SAD", 0, 3.3), 0.0);
    EXPECT_STREQ(call<S>(listed("nsad"), "nsad", -1), "");
    EXPECT_EQ(call<std::int32_t>(listed("EB"), "EB", 0), -777);
    EXPECT_STREQ(call<S>(listed("neb"), "neb", 0), "");
    EXPECT_EQ(call<std::int32_t>(listed("SB"), "SB", 2, 1), 201);
    EXPECT_EQ(call<std::int32_t>(listed("SB"), "SB", 1, 5), 105);
    EXPECT_EQ(call<std::int32_t>(listed("SB"), "SB", 4, 1), -777);
    EXPECT_EQ(dataLines(v, lib) & 0x0F, 0x04);
    EXPECT_STREQ(call<S>(listed("nsb"), "nsb", 3), "relais 3");
    EXPECT_STREQ(call<S>(listed("titre"), "titre"), v.title);
    EXPECT_STREQ(call<S>(listed("detail"), "detail"), v.detail);
    EXPECT_EQ(call<std::int32_t>(listed("RSA"), "RSA", 0), -777);
    EXPECT_EQ(call<double>(listed("RSAD"), "RSAD", 0), -777.0);
    EXPECT_EQ(call<std::int32_t>(listed("RSB"), "RSB", 2), 1);
    EXPECT_EQ(call<std::int32_t>(listed("RSB"), "RSB", 1), 0);

    double* pea = lib.call<double*>("peaD", 0);
    ASSERT_NE(pea, nullptr);
    EXPECT_EQ(*pea, 4.9951171875);
    EXPECT_EQ(lib.call<double*>("peaD", 1), pea);
    EXPECT_EQ(*pea, 2.5);
    const double in = 2.5;
    double* psad = lib.call<double*>("PSAD", 1, &in);
    ASSERT_NE(psad, nullptr);
    EXPECT_EQ(*psad, 0.0);
    // kolmsim's box is its own: no port of the machine is touched.
    if (isVirtualBox(v)) {
        EXPECT_EQ(kolmsim_access_count(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(EachFile, EntryCalls, ::testing::ValuesIn(kContractRows), variantName);

}  // namespace
