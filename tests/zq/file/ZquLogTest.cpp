#include "zq/file/ZquLog.h"
#include "zq/platform/log/log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

zqp::LocalTime fixedTime() {
    zqp::LocalTime t;
    t.year = 2011;
    t.month = 3;
    t.day = 4;
    t.hour = 1;
    t.minute = 56;
    t.second = 22;
    t.milliseconds = 45;
    return t;
}

std::string readText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ZquLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                (std::string("zqlog-") +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        zqp::setLocalTimeSource(fixedTime);
        ZquLog::sysInit();
    }
    void TearDown() override {
        ZquLog::sysQuit();
        zqp::setLocalTimeSource(nullptr);
        fs::remove_all(m_dir);
    }
    std::u16string path(const std::string& name) const { return (m_dir / name).u16string(); }
    fs::path m_dir;
};

TEST_F(ZquLogTest, NamesTheFile) {
    struct Case {
        const char* given;
        int mode;
        const char* created;
    };
    for (const Case& c : {Case{"log.txt", ZquLog::MODE_DATE_TIME, "log20110304_015622.txt"},
                          Case{"plain", ZquLog::MODE_DATE_TIME, "plain20110304_015622"},
                          Case{"a.b.csv", ZquLog::MODE_DATE_TIME, "a.b20110304_015622.csv"},
                          Case{"same.txt", ZquLog::MODE_NORMAL, "same.txt"}}) {
        SCOPED_TRACE(c.given);
        ZquLog* const log = ZquLog::create(path(c.given).c_str(), c.mode);
        ASSERT_NE(nullptr, log);
        EXPECT_TRUE(fs::exists(m_dir / c.created));
        EXPECT_EQ(0u, log->release());
    }
}

TEST_F(ZquLogTest, RefusedNames) {
    const std::u16string dir = path("");
    // 259 characters in all is one too many; 258 fits.
    const std::u16string longest = dir + std::u16string(258 - dir.size(), u'n');
    ZquLog* const fits = ZquLog::create(longest.c_str(), ZquLog::MODE_NORMAL);
    ASSERT_NE(nullptr, fits);
    fits->release();
    EXPECT_EQ(nullptr, ZquLog::create((longest + u"n").c_str(), ZquLog::MODE_NORMAL));
    // The stamp (15 characters) must fit too.
    EXPECT_EQ(nullptr, ZquLog::create(longest.c_str(), ZquLog::MODE_DATE_TIME));
    EXPECT_EQ(nullptr, ZquLog::create(path("x.txt").c_str(), 2));
    EXPECT_EQ(nullptr, ZquLog::create(path("x.txt").c_str(), -1));
    EXPECT_EQ(nullptr, ZquLog::create(nullptr, ZquLog::MODE_NORMAL));
    EXPECT_EQ(nullptr, ZquLog::create(path("no/such/dir.txt").c_str(), ZquLog::MODE_NORMAL));
    EXPECT_FALSE(fs::exists(m_dir / "x.txt"));
}

TEST_F(ZquLogTest, PoolOfFour) {
    std::vector<ZquLog*> logs;
    for (int i = 0; i < 4; ++i) {
        logs.push_back(ZquLog::create(path("l" + std::to_string(i)).c_str(), 0));
        ASSERT_NE(nullptr, logs.back());
    }
    EXPECT_EQ(nullptr, ZquLog::create(path("fifth").c_str(), 0));
    EXPECT_FALSE(fs::exists(m_dir / "fifth"));
    logs[2]->release();
    logs[2]->release(); // a second release changes nothing
    ZquLog* const again = ZquLog::create(path("fifth").c_str(), 0);
    EXPECT_NE(nullptr, again);
    EXPECT_EQ(nullptr, ZquLog::create(path("sixth").c_str(), 0));
}

TEST_F(ZquLogTest, WritesUtf8WithCrLfAndFlushesEachCall) {
    ZquLog* const log = ZquLog::create(path("out.txt").c_str(), 0);
    ASSERT_NE(nullptr, log);
    EXPECT_EQ(11, log->printf(u"%s=%d\n", u"caf\u00E9", 12345));
    // The file holds each call's text at once, without a release.
    EXPECT_EQ("caf\xC3\xA9=12345\r\n", readText(m_dir / "out.txt"));

    EXPECT_EQ(25, log->timePrintf(u"ready\n"));
    EXPECT_EQ("caf\xC3\xA9=12345\r\n03-04 01:56:22.045 ready\r\n", readText(m_dir / "out.txt"));

    // Long text is formatted whole; no line end is added.
    const std::u16string longText(3000, u'x');
    EXPECT_EQ(3000, log->printf(u"%s", longText.c_str()));
    EXPECT_EQ(0, log->printf(u""));
    // A format the formatter refuses writes nothing.
    EXPECT_LT(log->printf(u"%n"), 0);
    EXPECT_LT(log->printf(nullptr), 0);
    EXPECT_EQ("caf\xC3\xA9=12345\r\n03-04 01:56:22.045 ready\r\n" + std::string(3000, 'x'),
              readText(m_dir / "out.txt"));
    log->release();
}

TEST_F(ZquLogTest, TimeStrings) {
    char16_t wide[32];
    EXPECT_EQ(18, ZquLog::getTimeString(wide, 32));
    EXPECT_EQ(std::u16string(u"03-04 01:56:22.045"), wide);
    char narrow[32];
    EXPECT_EQ(18, ZquLog::getTimeString(narrow, 32));
    EXPECT_EQ(std::string("03-04 01:56:22.045"), narrow);
    EXPECT_EQ(-1, ZquLog::getTimeString(wide, 18));
    EXPECT_EQ(-1, ZquLog::getTimeString(narrow, 18));
    EXPECT_EQ(-1, ZquLog::getTimeString(static_cast<char*>(nullptr), 32));

    // Without the test clock the real local time comes through.
    zqp::setLocalTimeSource(nullptr);
    EXPECT_EQ(18, ZquLog::getTimeString(wide, 32));
}

TEST_F(ZquLogTest, SecondWriterIsRefusedAndLeavesTheFile) {
    ZquLog* const first = ZquLog::create(path("shared.txt").c_str(), 0);
    ASSERT_NE(nullptr, first);
    first->printf(u"first\n");
    EXPECT_EQ(nullptr, ZquLog::create(path("shared.txt").c_str(), 0));
    EXPECT_EQ("first\r\n", readText(m_dir / "shared.txt"));
    first->release();
    // Released: the lock is gone and the file starts afresh.
    ZquLog* const second = ZquLog::create(path("shared.txt").c_str(), 0);
    ASSERT_NE(nullptr, second);
    EXPECT_EQ("", readText(m_dir / "shared.txt"));
}

TEST_F(ZquLogTest, SysQuitClosesOpenLogsComplete) {
    ZquLog* const a = ZquLog::create(path("a.txt").c_str(), 0);
    ZquLog* const b = ZquLog::create(path("b.txt").c_str(), 0);
    ASSERT_NE(nullptr, a);
    ASSERT_NE(nullptr, b);
    a->printf(u"alpha\n");
    b->timePrintf(u"beta");
    ZquLog::sysQuit();
    EXPECT_EQ("alpha\r\n", readText(m_dir / "a.txt"));
    EXPECT_EQ("03-04 01:56:22.045 beta", readText(m_dir / "b.txt"));
    EXPECT_EQ(nullptr, ZquLog::create(path("c.txt").c_str(), 0)); // no pool

    ZquLog::sysInit();
    ZquLog* const again = ZquLog::create(path("a.txt").c_str(), 0); // closed: not locked
    EXPECT_NE(nullptr, again);
}

TEST_F(ZquLogTest, ThreadsNeverMixLines) {
    ZquLog* const log = ZquLog::create(path("mt.txt").c_str(), 0);
    ASSERT_NE(nullptr, log);
    constexpr int THREADS = 4;
    constexpr int LINES = 300;
    std::vector<std::thread> threads;
    for (int t = 0; t < THREADS; ++t) {
        threads.emplace_back([log, t] {
            for (int i = 0; i < LINES; ++i) {
                log->timePrintf(u"thread %d line %d %s\n", t, i, u"...................");
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    log->release();

    const std::string text = readText(m_dir / "mt.txt");
    std::vector<int> next(THREADS, 0);
    size_t at = 0;
    int lines = 0;
    while (at < text.size()) {
        const size_t end = text.find("\r\n", at);
        ASSERT_NE(std::string::npos, end);
        const std::string line = text.substr(at, end - at);
        int t = -1;
        int i = -1;
        ASSERT_EQ(2, std::sscanf(line.c_str(), "03-04 01:56:22.045 thread %d line %d", &t, &i))
            << line;
        ASSERT_TRUE(t >= 0 && t < THREADS);
        EXPECT_EQ(next[t]++, i); // each thread's lines in its order
        EXPECT_EQ(line.size(), line.find("...................") + 19);
        at = end + 2;
        ++lines;
    }
    EXPECT_EQ(THREADS * LINES, lines);
}

} // namespace
