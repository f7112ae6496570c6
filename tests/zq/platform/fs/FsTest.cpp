#include "zq/platform/fs/fs.h"
#include "zq/platform/os/utf.h"

#include "tests/support/FileTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <set>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

std::string resolved(const std::u16string& path) {
    std::string native;
    return zqp::resolvePath(path, native) ? native : std::string("<refused>");
}

} // namespace

TEST(FsPath, MapsWindowsPathsAndDrives) {
    ScratchFolder scratch;
    const std::string e = (scratch.root() / "drive_e").string();
    const std::string f = (scratch.root() / "drive_f").string();
    const struct {
        std::u16string path;
        std::string native;
    } cases[] = {
        {u"Arc\\stadium.arc", "Arc/stadium.arc"},
        {u"sound\\se\\", "sound/se/"},
        {u"e:/SPORTS_OPTION\\log\\2026\\12\\10.csv", e + "/SPORTS_OPTION/log/2026/12/10.csv"},
        {u"F:\\SPORTS_OPTION\\testmode.dat", f + "/SPORTS_OPTION/testmode.dat"},
        {u"e:", e + "/"},
        {u"e:\\..\\..\\x\\.\\y", e + "/x/y"},
        {u"/tmp/x", "/tmp/x"},
        {u"c:\\Windows\\x", "<refused>"},
        {u"\\\\server\\share\\x", "<refused>"},
        {u"//server/share", "<refused>"},
        {u"", "<refused>"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(resolved(c.path), c.native) << std::string(c.path.begin(), c.path.end());
    }
}

TEST(FsPath, ANamedDriveFolderThatIsMissingStaysMissing) {
    // A folder the environment names is a mount: when it is gone the drive is dead and no
    // path on it makes it again.
    ScratchFolder scratch;
    const fs::path e = scratch.root() / "drive_e";
    fs::remove_all(e);
    EXPECT_EQ(resolved(u"e:/SPORTS_OPTION/testmode.dat"),
              e.string() + "/SPORTS_OPTION/testmode.dat");
    EXPECT_FALSE(zqp::isDirectory(u"e:/"));
    EXPECT_EQ(zqp::openFile(u"e:/x.dat", "wb"), nullptr);
    EXPECT_FALSE(zqp::makeDirectories(u"e:/SPORTS_OPTION\\log"));
    EXPECT_FALSE(zqp::makeDirectories(u"e:"));
    EXPECT_FALSE(fs::exists(e));
}

TEST(FsPath, DefaultDriveFoldersFollowTheStateDirectory) {
    ScratchFolder scratch;
    unsetenv("DORVANEX_DRIVE_E");
    unsetenv("DORVANEX_DRIVE_F");
    const char* const oldState = std::getenv("XDG_STATE_HOME");
    const std::string saved = oldState != nullptr ? oldState : "";
    setenv("XDG_STATE_HOME", (scratch.root() / "state").c_str(), 1);
    EXPECT_EQ(zqp::driveFolder(u'e'), (scratch.root() / "state/dorvanex/e").string());
    EXPECT_EQ(zqp::driveFolder(u'F'), (scratch.root() / "state/dorvanex/f").string());
    EXPECT_EQ(zqp::driveFolder(u'c'), "");
    unsetenv("XDG_STATE_HOME");
    const char* const home = std::getenv("HOME");
    if (home != nullptr) {
        EXPECT_EQ(zqp::driveFolder(u'e'), std::string(home) + "/.local/state/dorvanex/e");
    }
    if (oldState != nullptr) {
        setenv("XDG_STATE_HOME", saved.c_str(), 1);
    }
}

TEST(FsPath, FallsBackToAnotherLetterCase) {
    ScratchFolder scratch;
    writeText(scratch.root() / "Data/Sub/File.TXT", "x");
    writeText(scratch.root() / "drive_e/SPORTS_OPTION/Log.csv", "y");
    // The exact name wins where it exists; each missing component is looked up without case;
    // from the first component found in no case the rest stays as given.
    EXPECT_EQ(resolved(u"data\\sub\\file.txt"), "Data/Sub/File.TXT");
    EXPECT_EQ(resolved(u"DATA/SUB/new.txt"), "Data/Sub/new.txt");
    EXPECT_EQ(resolved(u"data\\nothing\\sub"), "Data/nothing/sub");
    EXPECT_EQ(resolved(u"E:\\sports_option\\LOG.CSV"),
              (scratch.root() / "drive_e/SPORTS_OPTION/Log.csv").string());
    EXPECT_EQ(resolved((u"" + zqp::utf8ToUtf16(scratch.root().string()) + u"/data/SUB")),
              (scratch.root() / "Data/Sub").string());
}

TEST(FsWildcard, MatchesLikeTheShell) {
    const struct {
        std::u16string pattern;
        std::u16string name;
        bool match;
    } cases[] = {
        {u"*", u"anything.txt", true},
        {u"*.csv", u"10.CSV", true},
        {u"*.csv", u"10.csv.bak", false},
        {u"??.csv", u"10.csv", true},
        {u"??.csv", u"1.csv", false},
        {u"a*b*c", u"aXXbYYc", true},
        {u"a*b*c", u"aXXbYY", false},
        {u"*a", u"banana", true},
        {u"SP*.sound", u"spse.Sound", true},
        {u"x", u"X", true},
        {u"", u"", true},
        {u"", u"a", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(zqp::matchWildcard(c.pattern, c.name), c.match)
            << zqp::utf16ToUtf8(c.pattern) << " / " << zqp::utf16ToUtf8(c.name);
    }
}

TEST(FsSearch, ListsMatchesInNameOrderAndEndsCleanly) {
    ScratchFolder scratch;
    writeText(scratch.root() / "log/b.csv", "12345");
    writeText(scratch.root() / "log/a.CSV", "1");
    writeText(scratch.root() / "log/c.txt", "1");
    fs::create_directories(scratch.root() / "log/d.csv");

    zqp::FindData data;
    const zqp::FindHandle h = zqp::findFirst(u"LOG\\*.csv", data);
    ASSERT_NE(h, 0u);
    std::vector<std::string> names{zqp::utf16ToUtf8(data.name)};
    EXPECT_EQ(data.attributes, zqp::FindData::ATTRIBUTE_NORMAL);
    while (zqp::findNext(h, data)) {
        names.push_back(zqp::utf16ToUtf8(data.name));
        if (names.back() == "b.csv") {
            EXPECT_EQ(data.size, 5u);
        }
        if (names.back() == "d.csv") {
            EXPECT_NE(data.attributes & zqp::FindData::ATTRIBUTE_DIRECTORY, 0u);
        }
    }
    EXPECT_EQ(names, (std::vector<std::string>{"a.CSV", "b.csv", "d.csv"}));
    EXPECT_FALSE(zqp::findNext(h, data));
    EXPECT_TRUE(zqp::findClose(h));
    EXPECT_FALSE(zqp::findClose(h));
    EXPECT_FALSE(zqp::findNext(h, data));

    EXPECT_EQ(zqp::findFirst(u"log/*.none", data), 0u);
    EXPECT_EQ(zqp::findFirst(u"missing/*", data), 0u);
}

TEST(FsShell, CopyMoveAndDeleteNeverReplace) {
    ScratchFolder scratch;
    writeText(scratch.root() / "a.txt", "first");
    writeText(scratch.root() / "b.txt", "second");

    EXPECT_FALSE(zqp::copyFile(u"a.txt", u"b.txt"));
    EXPECT_FALSE(zqp::copyFile(u"a.txt", u"B.TXT"));
    EXPECT_EQ(readBytes(scratch.root() / "b.txt").size(), 6u);
    EXPECT_TRUE(zqp::copyFile(u"a.txt", u"e:\\copy.txt"));
    EXPECT_EQ(readBytes(scratch.root() / "drive_e/copy.txt").size(), 5u);

    EXPECT_FALSE(zqp::moveFile(u"a.txt", u"b.txt"));
    EXPECT_TRUE(zqp::moveFile(u"a.txt", u"c.txt"));
    EXPECT_FALSE(fs::exists(scratch.root() / "a.txt"));
    EXPECT_TRUE(fs::exists(scratch.root() / "c.txt"));

    fs::create_directories(scratch.root() / "dir/inner");
    writeText(scratch.root() / "dir/inner/x", "x");
    EXPECT_FALSE(zqp::removeFile(u"dir"));
    EXPECT_FALSE(zqp::removeDirectory(u"dir"));
    EXPECT_TRUE(zqp::removeAll(u"DIR"));
    EXPECT_FALSE(fs::exists(scratch.root() / "dir"));
    EXPECT_FALSE(zqp::removeAll(u"dir"));
    EXPECT_TRUE(zqp::removeFile(u"c.txt"));
    EXPECT_FALSE(zqp::removeFile(u"c.txt"));
}

TEST(FsShell, FoldersAndFileFacts) {
    ScratchFolder scratch;
    EXPECT_TRUE(zqp::makeDirectories(u"e:\\SPORTS_OPTION\\log\\2026\\12"));
    EXPECT_TRUE(fs::is_directory(scratch.root() / "drive_e/SPORTS_OPTION/log/2026/12"));
    EXPECT_FALSE(zqp::createDirectory(u"e:/sports_option"));
    EXPECT_TRUE(zqp::createDirectory(u"e:/other"));

    writeText(scratch.root() / "f.bin", "12345");
    uint64_t size = 0;
    EXPECT_TRUE(zqp::fileSize(u"F.BIN", size));
    EXPECT_EQ(size, 5u);
    EXPECT_FALSE(zqp::fileSize(u"e:/other", size));
    int64_t created = 0;
    int64_t accessed = 0;
    int64_t written = 0;
    ASSERT_TRUE(zqp::fileTimes(u"f.bin", &created, &accessed, &written));
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    EXPECT_LE(std::abs(written - now), 60);
    EXPECT_LE(std::abs(created - now), 60);
    EXPECT_TRUE(zqp::fileTimes(u"f.bin", nullptr, nullptr, nullptr));
    EXPECT_FALSE(zqp::fileTimes(u"none", &created, nullptr, nullptr));

    // Streams never open folders, and read regular files only (a pipe would block).
    EXPECT_EQ(zqp::openFile(u"e:/other", "rb"), nullptr);
    EXPECT_EQ(zqp::openFile(u"e:/other", "wb"), nullptr);
    ASSERT_EQ(mkfifo((scratch.root() / "pipe").c_str(), 0600), 0);
    EXPECT_EQ(zqp::openFile(u"pipe", "rb"), nullptr);
    std::FILE* const f = zqp::openFile(u"F.bin", "rb");
    ASSERT_NE(f, nullptr);
    // Reads at an offset leave the stream's own position alone; past the end they come short.
    char two[2] = {};
    EXPECT_EQ(zqp::readAt(f, 3, two, 2), 2u);
    EXPECT_EQ(std::string(two, 2), "45");
    EXPECT_EQ(zqp::readAt(f, 4, two, 2), 1u);
    EXPECT_EQ(zqp::readAt(f, 9, two, 2), 0u);
    EXPECT_EQ(zqp::readAt(f, UINT64_MAX - 1, two, 2), UINT64_MAX);
    EXPECT_EQ(std::fgetc(f), '1');
    std::fclose(f);
}

TEST(FsPath, FullPathFoldsDotsAndKeepsDrives) {
    ScratchFolder scratch;
    const std::u16string root = zqp::utf8ToUtf16(scratch.root().string());
    const struct {
        std::u16string path;
        std::u16string full;
    } cases[] = {
        {u"x\\y\\..\\z", root + u"/x/z"}, {u"x\\y\\", root + u"/x/y/"},
        {u"./a/./b", root + u"/a/b"},     {u"e:\\a\\..\\..\\b", u"e:/b"},
        {u"E:/log/", u"E:/log/"},         {u"/a/../../b", u"/b"},
    };
    for (const auto& c : cases) {
        std::u16string full;
        ASSERT_TRUE(zqp::fullPath(c.path.c_str(), full));
        EXPECT_EQ(zqp::utf16ToUtf8(full), zqp::utf16ToUtf8(c.full));
    }
    std::u16string full;
    EXPECT_FALSE(zqp::fullPath(u"c:\\x", full));
    EXPECT_FALSE(zqp::fullPath(u"", full));
    std::u16string current;
    ASSERT_TRUE(zqp::currentPath(current));
    EXPECT_EQ(current, root);
}
