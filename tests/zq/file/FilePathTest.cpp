#include "zq/file/ZqFile.h"
#include "zq/platform/os/utf.h"

#include "tests/support/FileTestSupport.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

std::string narrow(const char16_t* text) {
    return zqp::utf16ToUtf8(text);
}

} // namespace

TEST(ZqFilePath, AddPathDelimiterFollowsThePathsOwnKind) {
    const struct {
        std::u16string in;
        std::u16string out;
    } cases[] = {
        {u"a/b", u"a/b/"}, {u"a\\b", u"a\\b\\"}, {u"", u"\\"},
        {u"a/", u"a/"},    {u"a\\", u"a\\"},     {u"x/y\\z", u"x/y\\z/"},
    };
    for (const auto& c : cases) {
        std::u16string s = c.in;
        ZqFile::addPathDelimiter(s);
        EXPECT_EQ(narrow(s.c_str()), narrow(c.out.c_str()));
        char16_t buffer[ZqFile::PATH_SIZE] = {};
        std::copy(c.in.begin(), c.in.end(), buffer);
        EXPECT_TRUE(ZqFile::addPathDelimiter(buffer));
        EXPECT_EQ(narrow(buffer), narrow(c.out.c_str()));
    }
    // A full buffer has no room for the delimiter.
    char16_t full[ZqFile::PATH_SIZE];
    std::fill(full, full + ZqFile::PATH_SIZE - 1, u'a');
    full[ZqFile::PATH_SIZE - 1] = 0;
    EXPECT_FALSE(ZqFile::addPathDelimiter(full));
}

TEST(ZqFilePath, ExtensionAndFileNameParts) {
    const struct {
        std::u16string path;
        std::u16string extension;
        std::u16string fileName;
    } cases[] = {
        {u"dir\\name.txt", u".txt", u"name.txt"},
        {u"dir.d/name", u"", u"name"},
        {u"a.b.c", u".c", u"a.b.c"},
        {u"a\\b\\", u"", u"b\\"},
        {u"x.my file", u"", u"x.my file"},
        {u"e:name.csv", u".csv", u"name.csv"},
        {u"", u"", u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(narrow(ZqFile::findExtension(c.path.c_str())), narrow(c.extension.c_str()));
        EXPECT_EQ(narrow(ZqFile::findFilename(c.path.c_str())), narrow(c.fileName.c_str()));
    }
    char16_t buffer[ZqFile::PATH_SIZE] = u"log\\10";
    EXPECT_TRUE(ZqFile::addExtension(buffer, u".csv"));
    EXPECT_EQ(narrow(buffer), "log\\10.csv");
    EXPECT_FALSE(ZqFile::addExtension(buffer, u".txt"));
    EXPECT_EQ(narrow(buffer), "log\\10.csv");

    char16_t slashes[] = u"a/b\\c/";
    ZqFile::exchangePathDelimiter(slashes);
    EXPECT_EQ(narrow(slashes), "a\\b\\c\\");
}

TEST(ZqFilePath, MakeDirectoryCreatesOnlyFoldersFollowedByADelimiter) {
    ScratchFolder scratch;
    EXPECT_TRUE(ZqFile::makeDirectory(u"x\\y\\z"));
    EXPECT_TRUE(fs::is_directory(scratch.root() / "x/y"));
    EXPECT_FALSE(fs::exists(scratch.root() / "x/y/z"));
    EXPECT_TRUE(ZqFile::makeDirectory(u"x\\y\\z\\"));
    EXPECT_TRUE(fs::is_directory(scratch.root() / "x/y/z"));
    EXPECT_TRUE(ZqFile::makeDirectory(u"e:/SPORTS_OPTION\\log\\2026\\12\\10.csv"));
    EXPECT_TRUE(fs::is_directory(scratch.root() / "drive_e/SPORTS_OPTION/log/2026/12"));
    EXPECT_TRUE(ZqFile::makeDirectory(u""));

    // A file in the way, an over-long path and a foreign drive fail.
    writeText(scratch.root() / "file", "x");
    EXPECT_FALSE(ZqFile::makeDirectory(u"file\\sub\\"));
    const std::u16string longPath(ZqFile::PATH_SIZE, u'a');
    EXPECT_FALSE(ZqFile::makeDirectory(longPath.c_str()));
    EXPECT_FALSE(ZqFile::makeDirectory(u"c:\\x\\"));

    EXPECT_TRUE(ZqFile::removeDirectories(u"x\\"));
    EXPECT_FALSE(fs::exists(scratch.root() / "x"));
    EXPECT_FALSE(ZqFile::removeDirectories(u"x"));
    EXPECT_FALSE(ZqFile::removeDirectories(u"e:\\"));
    EXPECT_FALSE(ZqFile::removeDirectories(u"/"));
    EXPECT_TRUE(fs::exists(scratch.root() / "drive_e"));
}

TEST(ZqFilePath, CurrentAndFullPaths) {
    ScratchFolder scratch;
    fs::create_directories(scratch.root() / "Data");
    char16_t buffer[ZqFile::PATH_SIZE] = {};
    ASSERT_TRUE(ZqFile::getCurrentPath(buffer));
    EXPECT_EQ(narrow(buffer), scratch.root().string());
    EXPECT_TRUE(ZqFile::setCurrentPath(u"data"));
    EXPECT_EQ(fs::current_path(), scratch.root() / "Data");
    EXPECT_FALSE(ZqFile::setCurrentPath(u"missing"));

    char16_t full[ZqFile::PATH_SIZE] = {};
    ASSERT_TRUE(ZqFile::getFullpath(u"..\\x.txt", full, ZqFile::PATH_SIZE));
    EXPECT_EQ(narrow(full), (scratch.root() / "x.txt").string());
    char16_t tiny[4] = {};
    EXPECT_FALSE(ZqFile::getFullpath(u"x", tiny, 4));
}

TEST(ZqFilePath, FileFactsAndShellOperations) {
    ScratchFolder scratch;
    writeText(scratch.root() / "a.bin", "12345");
    writeText(scratch.root() / "b.bin", "keep");
    EXPECT_EQ(ZqFile::getSize(u"a.bin"), 5u);
    EXPECT_EQ(ZqFile::getSize(u"missing"), 0u);
    EXPECT_EQ(ZqFile::getSize(u"."), 0u);
    int64_t written = 0;
    EXPECT_TRUE(ZqFile::getFileTime(u"A.BIN", nullptr, nullptr, &written));
    EXPECT_GT(written, 1700000000);
    EXPECT_FALSE(ZqFile::getFileTime(u"missing", nullptr, nullptr, &written));

    // copy onto an existing file fails and leaves it unchanged.
    EXPECT_FALSE(ZqFile::copy(u"a.bin", u"b.bin"));
    EXPECT_EQ(readBytes(scratch.root() / "b.bin").size(), 4u);
    EXPECT_TRUE(ZqFile::copy(u"a.bin", u"c.bin"));
    EXPECT_TRUE(ZqFile::move(u"c.bin", u"d.bin"));
    EXPECT_FALSE(ZqFile::move(u"d.bin", u"b.bin"));
    EXPECT_TRUE(ZqFile::remove(u"d.bin"));
    EXPECT_FALSE(ZqFile::remove(u"d.bin"));

    fs::create_directories(scratch.root() / "empty");
    EXPECT_TRUE(ZqFile::removeDirectory(u"empty"));

    ZqFile::FindData data;
    const ZqFile::FindHandle h = ZqFile::findFirst(u"*.bin", &data);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(narrow(data.name), "a.bin");
    EXPECT_TRUE(ZqFile::findNext(h, &data));
    EXPECT_EQ(narrow(data.name), "b.bin");
    EXPECT_FALSE(ZqFile::findNext(h, &data));
    EXPECT_TRUE(ZqFile::findClose(h));
}
