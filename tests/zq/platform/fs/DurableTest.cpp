#include "zq/platform/fs/fs.h"

#include "tests/support/FileTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fs = std::filesystem;

TEST(FsDurable, ReplacesTheWholeFileAndLeavesNoTemporaryFile) {
    ScratchFolder scratch;
    const std::vector<uint8_t> first(5000, 0x11);
    const std::vector<uint8_t> second = {1, 2, 3};
    ASSERT_TRUE(zqp::makeDirectories(u"e:/SPORTS_OPTION"));
    ASSERT_TRUE(zqp::replaceFileDurably(u"e:/SPORTS_OPTION\\a.dat", first.data(), first.size()));
    ASSERT_TRUE(zqp::replaceFileDurably(u"e:/SPORTS_OPTION/a.dat", second.data(), second.size()));
    std::vector<uint8_t> back;
    ASSERT_TRUE(zqp::readFileWhole(u"e:/SPORTS_OPTION/a.dat", 1 << 20, back));
    EXPECT_EQ(back, second);
    EXPECT_FALSE(fs::exists(scratch.root() / "drive_e/SPORTS_OPTION/a.dat.tmp"));
    // Too large for the caller's limit, or missing: refused with nothing read.
    EXPECT_FALSE(zqp::readFileWhole(u"e:/SPORTS_OPTION/a.dat", 2, back));
    EXPECT_TRUE(back.empty());
    EXPECT_FALSE(zqp::readFileWhole(u"e:/SPORTS_OPTION/none.dat", 100, back));
}

TEST(FsDurable, AFolderThatRefusesWritesKeepsTheOldFile) {
    ScratchFolder scratch;
    const std::vector<uint8_t> none = {1};
    // A missing folder is an error, not made on the way.
    EXPECT_FALSE(zqp::replaceFileDurably(u"e:/none/a.dat", none.data(), none.size()));
    if (geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    const std::vector<uint8_t> old = {9, 9};
    const std::vector<uint8_t> fresh = {1};
    ASSERT_TRUE(zqp::makeDirectories(u"e:/ro"));
    ASSERT_TRUE(zqp::replaceFileDurably(u"e:/ro/a.dat", old.data(), old.size()));
    const fs::path folder = scratch.root() / "drive_e/ro";
    chmod(folder.c_str(), 0555);
    EXPECT_FALSE(zqp::replaceFileDurably(u"e:/ro/a.dat", fresh.data(), fresh.size()));
    chmod(folder.c_str(), 0755);
    std::vector<uint8_t> back;
    ASSERT_TRUE(zqp::readFileWhole(u"e:/ro/a.dat", 100, back));
    EXPECT_EQ(back, old);
}
