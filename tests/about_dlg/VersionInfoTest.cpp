#include "settings/VersionInfo.h"

#include "platform/ModulePath.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

using testing_support::TestEnv;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
    std::memcpy(bytes.data() + at, &value, 4);
}

// Opens a file with these bytes; the product version when it loads, "refused" otherwise.
std::string Probe(const TestEnv& env, const std::string& bytes) {
    env.WriteFile("probe", bytes);
    CVersionInfo info;
    if (!info.Open(env.Path("probe")))
        return "refused";
    return info.GetProductVersion();
}

} // namespace

TEST(VersionInfo, ReadsProductVersionOfTheNamedFile) {
    CVersionInfo info;
    EXPECT_EQ(info.GetProductVersion(), "");
    info.Close(); // nothing loaded: harmless

    ASSERT_TRUE(info.Open(PROBE_CUSTOM));
    // High and low halves of the most significant word, then of the least significant one.
    EXPECT_EQ(info.GetProductVersion(), "2,7,1828,65535");
    info.Close();
    EXPECT_EQ(info.GetProductVersion(), "");
    info.Close();

    // The block the build gives the program carries CMake's project version.
    std::string expected = PROGRAM_VERSION;
    std::replace(expected.begin(), expected.end(), '.', ',');
    ASSERT_TRUE(info.Open(PROBE_PROGRAM));
    EXPECT_EQ(info.GetProductVersion(), expected);
    ASSERT_TRUE(info.Open(PROGRAM_BINARY));
    EXPECT_EQ(info.GetProductVersion(), expected);

    // A failed open leaves nothing of the previous block behind.
    EXPECT_FALSE(info.Open(PROBE_BARE));
    EXPECT_EQ(info.GetProductVersion(), "");
}

TEST(VersionInfo, FilesWithoutUsableBlockAreRefused) {
    TestEnv env;
    CVersionInfo info;
    EXPECT_FALSE(info.Open(PROBE_NOTRANS)); // block without translation table
    EXPECT_EQ(info.GetProductVersion(), "");
    EXPECT_FALSE(info.Open(PROBE_BARE));
    EXPECT_FALSE(info.Open(env.Path("missing")));
    EXPECT_FALSE(info.Open(env.Dir()));
    EXPECT_FALSE(info.Open(std::string()));
    EXPECT_EQ(Probe(env, ""), "refused");
    EXPECT_EQ(Probe(env, "plain text, not a program\n"), "refused");
    EXPECT_EQ(Probe(env, "\x7f"
                         "ELF"),
              "refused");
}

TEST(VersionInfo, NoNameMeansTheRunningExecutable) {
    TestEnv env;
    CVersionInfo info;
    platform::SetModuleFileNameOverride(std::string(PROBE_CUSTOM));
    ASSERT_TRUE(info.Open());
    EXPECT_EQ(info.GetProductVersion(), "2,7,1828,65535");

    platform::SetModuleFileNameOverride(std::string(PROBE_BARE));
    EXPECT_FALSE(info.Open());

    // No path at all: the bare program file name, in the current folder.
    platform::SetModuleFileNameOverride(std::nullopt);
    char* cwd = getcwd(nullptr, 0);
    ASSERT_EQ(chdir(env.Dir().c_str()), 0);
    EXPECT_FALSE(info.Open());
    env.WriteFile("tintorel.exe", ReadAll(PROBE_PROGRAM));
    EXPECT_TRUE(info.Open());
    EXPECT_EQ(chdir(cwd), 0);
    free(cwd);
}

TEST(VersionInfo, DamagedFilesAreRefusedWithoutHarm) {
    TestEnv env;
    const std::string good = ReadAll(PROBE_CUSTOM);
    ASSERT_GT(good.size(), 1000u);
    ASSERT_EQ(Probe(env, good), "2,7,1828,65535");

    // The section headers sit at the end of the file: every cut loses them.
    for (std::size_t cut : {std::size_t{4}, std::size_t{16}, std::size_t{52}, std::size_t{64},
                            good.size() / 3, good.size() / 2, good.size() - 64, good.size() - 1})
        EXPECT_EQ(Probe(env, good.substr(0, cut)), "refused") << "cut at " << cut;

    // Signature, length 40, fixed record signature: the block itself, not a stray copy.
    const std::size_t block = good.find(std::string("TNTLVER\0\x28\0\0\0\xbd\x04\xef\xfe", 16));
    ASSERT_NE(block, std::string::npos);

    std::string bytes = good;
    bytes[block] = 'X'; // signature
    EXPECT_EQ(Probe(env, bytes), "refused");

    bytes = good;
    Put32(bytes, block + 8, 0xFFFFFFFFu); // length beyond the section
    EXPECT_EQ(Probe(env, bytes), "refused");
    Put32(bytes, block + 8, 8); // length shorter than the fixed part
    EXPECT_EQ(Probe(env, bytes), "refused");

    bytes = good;
    Put32(bytes, block + 32, 0x40000000u); // translation table far beyond the block
    EXPECT_EQ(Probe(env, bytes), "refused");
    Put32(bytes, block + 32, 0xFFFFFFFFu);
    EXPECT_EQ(Probe(env, bytes), "refused");

    bytes = good;
    Put32(bytes, block + 12, 0); // fixed record without its signature: no product version
    EXPECT_EQ(Probe(env, bytes), "");

    // Header fields of a 64-bit little-endian file.
    ASSERT_EQ(good[4], 2);
    ASSERT_EQ(good[5], 1);
    bytes = good;
    std::uint64_t far = ~std::uint64_t{0} - 10;
    std::memcpy(bytes.data() + 40, &far, 8); // section headers' offset
    EXPECT_EQ(Probe(env, bytes), "refused");
    bytes = good;
    bytes[58] = 1; // section header entry size too small
    bytes[59] = 0;
    EXPECT_EQ(Probe(env, bytes), "refused");
    bytes = good;
    bytes[60] = '\xff'; // more section headers than the file holds
    bytes[61] = '\xfe';
    EXPECT_EQ(Probe(env, bytes), "refused");
    bytes = good;
    bytes[62] = '\xfe'; // string table index out of range
    bytes[63] = '\xff';
    EXPECT_EQ(Probe(env, bytes), "refused");
    bytes = good;
    bytes[5] = 2; // read as big-endian: every offset is nonsense
    EXPECT_EQ(Probe(env, bytes), "refused");
    bytes = good;
    bytes[4] = 1; // read as 32-bit
    EXPECT_NE(Probe(env, bytes), "2,7,1828,65535");
}
