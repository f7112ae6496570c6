#include "zq/file/ZquPathList.h"
#include "zq/crypto/ZqHash.h"
#include "zq/file/ZquPathListParser_internal.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::u16string widen(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

std::string hex(const uint32_t v, const bool lower = false) {
    char buf[16];
    std::snprintf(buf, sizeof(buf), lower ? "%08x" : "%08X", v);
    return buf;
}

// A list line in the tool's layout: prefix, path, name, four spare fields, size, a spare
// field, CRC, "CRC32".
std::string entry(const std::string& path, const std::string& name, const size_t size,
                  const uint32_t crc, const std::string& prefix = "ROM") {
    return prefix + "," + path + "," + name + ",a,b,c,d," + std::to_string(size) + ",e," +
           hex(crc) + ",CRC32";
}

class ZquPathListTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                (std::string("zqpathlist-") +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "data");
        m_listPath = (m_dir / "path.lst").u16string();
    }
    void TearDown() override {
        ZquPathList::quitCheck();
        fs::remove_all(m_dir);
    }

    // A data file of size bytes; returns its CRC-32C.
    uint32_t makeFile(const std::string& name, const size_t size, const char fill = 'x') const {
        const std::string bytes(size, fill);
        std::ofstream(m_dir / "data" / name, std::ios::binary) << bytes;
        return zqCalcCrc32(bytes.data(), static_cast<uint32_t>(bytes.size()));
    }
    // The list as UTF-16 with a byte-order mark and CR LF line ends.
    void writeList(const std::vector<std::string>& lines) const {
        std::u16string text = u"\uFEFF";
        for (const std::string& l : lines) {
            text += widen(l) + u"\r\n";
        }
        std::ofstream out(m_dir / "path.lst", std::ios::binary);
        for (const char16_t c : text) {
            out.put(static_cast<char>(c & 0xFF));
            out.put(static_cast<char>(c >> 8));
        }
    }
    // Runs a check to its end.
    ZquPathList::STATE run(const char16_t* prefix = u"ROM") {
        EXPECT_TRUE(ZquPathList::startCheck(m_listPath.c_str(), prefix));
        ZquPathList::STATE state = ZquPathList::STATE_CHECKING;
        for (int i = 0; i < 20000 && state == ZquPathList::STATE_CHECKING; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            state = ZquPathList::getState();
        }
        return state;
    }
    std::vector<std::pair<unsigned int, std::u16string>> errors() const {
        std::vector<std::pair<unsigned int, std::u16string>> out;
        for (unsigned int i = 0; i < ZquPathList::getNrErrorFiles(); ++i) {
            out.emplace_back(ZquPathList::getErrorFileNr(i), ZquPathList::getErrorFileName(i));
        }
        return out;
    }

    fs::path m_dir;
    std::u16string m_listPath;
};

TEST(ZquPathListParser, Lines) {
    struct Case {
        const char16_t* line;
        ZquPathListLine kind;
        uint32_t size;
        uint32_t crc;
    };
    const auto C = ZquPathListLine::Counted;
    const auto S = ZquPathListLine::Skipped;
    const auto M = ZquPathListLine::Malformed;
    for (const Case& c : {
             Case{u"ROM,d\\f.bin,F,a,b,c,d,10,e,0000ABCD,CRC32\r\n", C, 10, 0xABCD},
             Case{u"ROMX,f,F,a,b,c,d,10,e,abcd,CRC32", C, 10, 0xABCD}, // prefix begins field 1
             Case{u",,ROM,,f,,F,a,b,c,d,+7,e,FFFFFFFF,,CRC32x,extra", C, 7, 0xFFFFFFFF},
             Case{u"ROM,game.exe", S, 0, 0},
             Case{u"ROM,lib.dll,whatever", S, 0, 0},
             Case{u"ROM,a.exe.txt,F,a,b,c,d,1,e,1,CRC32", C, 1, 1},
             Case{u"ROM,a.EXE,F,a,b,c,d,1,e,1,CRC32", C, 1, 1},
             Case{u"ROM,x.exe.exe,F,a,b,c,d,1,e,1,CRC32", C, 1, 1}, // first ".exe" not at end
             Case{u"rom,f,F,a,b,c,d,1,e,1,CRC32", M, 0, 0},         // prefix is case-sensitive
             Case{u"OTHER,game.exe", M, 0, 0},
             Case{u"ROM,f,F,a,b,c,d,1,e,1", M, 0, 0},
             Case{u"ROM,f,F,a,b,c,d,1,e,1,CRC", M, 0, 0},
             Case{u"ROM,f,F,a,b,c,d,1,e,1\n,CRC32", M, 0, 0}, // cut at the LF
             Case{u"ROM,f,F,a,b,c,d,x1,e,1,CRC32", M, 0, 0},
             Case{u"ROM,f,F,a,b,c,d,-1,e,1,CRC32", M, 0, 0},
             Case{u"ROM,f,F,a,b,c,d,4294967296,e,1,CRC32", M, 0, 0},
             Case{u"ROM,f,F,a,b,c,d,1,e,123456789,CRC32", M, 0, 0},
             Case{u"ROM,f,F,a,b,c,d,1,e,12G4,CRC32", M, 0, 0},
             Case{u"", M, 0, 0},
             Case{u"\r\n", M, 0, 0},
         }) {
        SCOPED_TRACE(std::string(c.line, c.line + std::char_traits<char16_t>::length(c.line)));
        ZquPathListEntry e;
        ASSERT_EQ(c.kind, zquParsePathListLine(c.line, u"ROM", &e));
        if (c.kind == C) {
            EXPECT_EQ(c.size, e.size);
            EXPECT_EQ(c.crc, e.crc);
        }
    }
    ZquPathListEntry e;
    ASSERT_EQ(ZquPathListLine::Counted,
              zquParsePathListLine(u"ROM,dir\\f.bin,Nice Name,a,b,c,d,1,e,1,CRC32", u"ROM", &e));
    EXPECT_EQ(u"dir\\f.bin", e.path);
    EXPECT_EQ(u"Nice Name", e.name);
}

TEST_F(ZquPathListTest, AllGood) {
    const uint32_t a = makeFile("a.bin", 1000);
    const uint32_t b = makeFile("b.bin", 0);
    const uint32_t c = makeFile("c.bin", 3 * ZquPathList::BUFFER_SIZE + 17, 'c');
    writeList({entry("data/a.bin", "A", 1000, a), entry("prog.exe", "P", 1, 1),
               entry("data\\b.bin", "B", 0, b),
               entry("data/c.bin", "C", 3 * ZquPathList::BUFFER_SIZE + 17, c)});
    EXPECT_EQ(ZquPathList::STATE_OK, run());
    uint32_t done = 0;
    uint32_t total = 0;
    uint64_t bytesDone = 0;
    uint64_t totalBytes = 0;
    EXPECT_EQ(ZquPathList::STATE_OK, ZquPathList::getState(&done, &total, &bytesDone, &totalBytes));
    EXPECT_EQ(3u, done);
    EXPECT_EQ(3u, total);
    EXPECT_EQ(1000u + 3 * ZquPathList::BUFFER_SIZE + 17, bytesDone);
    EXPECT_EQ(bytesDone, totalBytes);
    EXPECT_EQ(0u, ZquPathList::getNrErrorFiles());

    // One checker at a time; quitting clears it.
    EXPECT_FALSE(ZquPathList::startCheck(m_listPath.c_str(), u"ROM"));
    ZquPathList::quitCheck();
    EXPECT_EQ(ZquPathList::STATE_NONE, ZquPathList::getState(&done));
    EXPECT_EQ(0u, ZquPathList::getNrErrorFiles());
    EXPECT_EQ(nullptr, ZquPathList::getErrorFileName(0));
    EXPECT_EQ(0u, ZquPathList::getErrorFileNr(0));
    EXPECT_FALSE(ZquPathList::startCheck(nullptr, u"ROM"));
}

TEST_F(ZquPathListTest, OnlyProgramsIsAnEmptyPass) {
    // Lines end in CR LF and are cut at the LF only: a program's line is skipped by its path
    // field, which a following field keeps free of the CR.
    writeList({entry("a.exe", "A", 1, 1), entry("b.dll", "B", 2, 2), "ROM,sub\\c.exe,x"});
    EXPECT_EQ(ZquPathList::STATE_OK, run());
    uint32_t total = 99;
    uint64_t totalBytes = 99;
    ZquPathList::getState(nullptr, &total, nullptr, &totalBytes);
    EXPECT_EQ(0u, total);
    EXPECT_EQ(0u, totalBytes);
}

TEST_F(ZquPathListTest, FailingEntriesAreRecorded) {
    const uint32_t good = makeFile("good.bin", 100);
    makeFile("long.bin", 101);
    const uint32_t bad = makeFile("bad.bin", 100, 'y');
    writeList({entry("data/good.bin", "Good", 100, good),
               entry("data/long.bin", "Long", 100, good),  // one byte longer than listed
               entry("data/missing.bin", "Missing", 5, 0), // cannot be opened
               entry("data/bad.bin", "Bad", 100, bad ^ 1), // content differs
               "ROM,data/bad.bin,LowerCase,a,b,c,d,100,e," + hex(bad, true) + ",CRC32"});
    EXPECT_EQ(ZquPathList::STATE_ERROR, run());
    EXPECT_EQ((std::vector<std::pair<unsigned int, std::u16string>>{
                  {1, u"Long"}, {2, u"Missing"}, {3, u"Bad"}}),
              errors());
    uint32_t done = 0;
    uint64_t bytesDone = 0;
    ZquPathList::getState(&done, nullptr, &bytesDone);
    EXPECT_EQ(5u, done);
    EXPECT_EQ(405u, bytesDone); // listed sizes, failed entries included
}

TEST_F(ZquPathListTest, AtMostHundredFailures) {
    std::vector<std::string> lines;
    for (int i = 0; i < 150; ++i) {
        lines.push_back(entry("data/none" + std::to_string(i), "N" + std::to_string(i), 1, 0));
    }
    writeList(lines);
    EXPECT_EQ(ZquPathList::STATE_ERROR, run());
    const auto e = errors();
    ASSERT_EQ(100u, e.size());
    EXPECT_EQ(99u, e[99].first);
    EXPECT_EQ(u"N99", e[99].second);
    EXPECT_EQ(nullptr, ZquPathList::getErrorFileName(100));
}

TEST_F(ZquPathListTest, BadListsFailAsAWhole) {
    const uint32_t a = makeFile("a.bin", 10);
    const std::string good = entry("data/a.bin", "A", 10, a);
    for (const std::vector<std::string>& lines : {
             std::vector<std::string>{good, entry("data/a.bin", "A", 10, a, "OTHER")},
             std::vector<std::string>{good, "ROM,data/a.bin,A,a,b,c,d,10,e"},
             std::vector<std::string>{good, "ROM,data/a.bin,A,a,b,c,d,10,e,1,CRC16"},
             std::vector<std::string>{good, ""},
             std::vector<std::string>{good, "ROM,data/a.bin,A,a,b,c,d,ten,e,1,CRC32"},
             std::vector<std::string>{good, std::string(300, 'R')},
         }) {
        SCOPED_TRACE(lines[1]);
        writeList(lines);
        EXPECT_EQ(ZquPathList::STATE_ERROR, run());
        uint32_t total = 99;
        ZquPathList::getState(nullptr, &total);
        EXPECT_EQ(0u, total); // stopped in the first pass
        ZquPathList::quitCheck();
    }

    // A list that cannot be read is a failure, never a pass.
    fs::remove(m_dir / "path.lst");
    EXPECT_EQ(ZquPathList::STATE_ERROR, run());
    ZquPathList::quitCheck();

    // A 0 character ends line reading early: the rest would go unchecked.
    writeList({good, good});
    {
        std::fstream f(m_dir / "path.lst", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(2 + 2 * static_cast<std::streamoff>(good.size() + 2));
        f.put(0).put(0);
    }
    EXPECT_EQ(ZquPathList::STATE_ERROR, run());
    ZquPathList::quitCheck();

    // Zeros at the very end are only the end of the text.
    writeList({good});
    { std::ofstream(m_dir / "path.lst", std::ios::binary | std::ios::app).write("\0\0\0\0", 4); }
    EXPECT_EQ(ZquPathList::STATE_OK, run());
}

TEST_F(ZquPathListTest, EmptyListsPass) {
    for (const char* bytes : {"", "\xFF\xFE"}) {
        std::ofstream(m_dir / "path.lst", std::ios::binary) << bytes;
        EXPECT_EQ(ZquPathList::STATE_OK, run());
        ZquPathList::quitCheck();
    }
}

TEST_F(ZquPathListTest, StopKeepsResults) {
    const size_t size = 4 * ZquPathList::BUFFER_SIZE;
    const uint32_t crc = makeFile("big.bin", size);
    std::vector<std::string> lines(200, entry("data/big.bin", "Big", size, crc));
    writeList(lines);
    ASSERT_TRUE(ZquPathList::startCheck(m_listPath.c_str(), u"ROM"));
    uint32_t done = 0;
    for (int i = 0; i < 20000 && done == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ZquPathList::getState(&done);
    }
    ZquPathList::stopCheck();
    uint32_t total = 0;
    EXPECT_EQ(ZquPathList::STATE_OK, ZquPathList::getState(&done, &total));
    EXPECT_GT(done, 0u);
    EXPECT_LT(done, total);
    EXPECT_EQ(200u, total);
    ZquPathList::stopCheck(); // again: nothing left to stop
    EXPECT_EQ(ZquPathList::STATE_OK, ZquPathList::getState());
}

} // namespace
