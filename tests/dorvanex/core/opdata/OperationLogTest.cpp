#include "tests/dorvanex/core/opdata/OpDataSupport.h"

#include "dorvanex/core/opdata/COperationLog.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

// Milliseconds of a local moment in the test's zone (an hour ahead of UTC in winter).
int64_t localMs(const int day, const int hour, const int minute, const int second = 0,
                const int ms = 0) {
    zqp::CalendarTime t{second, minute, hour, day, 11, 126, 0, 0, -1};
    int64_t seconds = 0;
    zqp::fromLocalTime(t, seconds);
    return seconds * 1000 + ms;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

} // namespace

class OperationLog : public OpDataTest {
protected:
    void SetUp() override {
        OpDataTest::SetUp();
        setZone("CET-1CEST,M3.5.0,M10.5.0/3");
    }
    std::filesystem::path logFile(const char drive, const int day) const {
        return m_scratch.root() / (std::string("drive_") + drive) /
               ("SPORTS_OPTION/log/2026/12/" + std::to_string(day) + ".csv");
    }
};

TEST_F(OperationLog, AScriptedDayWritesTheExpectedFilesOnBothDrives) {
    {
        setNow(localMs(10, 9, 0));
        COperationLog log(COperationLog::makeTodayPaths(), true);
        // A single game.
        setNow(localMs(10, 9, 1, 0, 250));
        log.addRecord(COperationLog::GAME_START, -1, -1, -1);
        log.addRecord(COperationLog::SELECT_MODE, 0, -1, -1);
        log.setPlayerName(u"GUEST");
        setNow(localMs(10, 9, 1, 30));
        log.addRecord(COperationLog::SELECT_PLAYER, 1, -1, -1);
        setNow(localMs(10, 9, 3, 5, 7));
        log.addRecord(COperationLog::SELECT_GAME, 0, 11.2f, 1);
        setNow(localMs(10, 9, 5));
        log.addRecord(COperationLog::GAME_END, -1, -1, -1);
        log.flush();
        // A battle game with a name of six characters, a continue and values outside the
        // tables.
        setNow(localMs(10, 14, 0));
        log.addRecord(COperationLog::GAME_START, -1, -1, -1);
        log.addRecord(COperationLog::SELECT_MODE, 1, -1, -1);
        log.setPlayerName(u"ABCDEF");
        log.addRecord(COperationLog::SELECT_PLAYER, 2, 9, -1);
        setNow(localMs(10, 14, 2, 59, 999));
        log.addRecord(COperationLog::SELECT_GAME, 4, 95.5f, 102.25f);
        log.addRecord(COperationLog::GAME_CONTINUE, -1, -1, -1);
        log.addRecord(COperationLog::SELECT_PLAYER, 3, -1, -1);
        log.addRecord(COperationLog::SELECT_GAME, 12, 1, 2);
        log.addRecord(COperationLog::SELECT_MODE, 7, -1, -1);
        log.addRecord(9, 0, 0, 0);
        log.addRecord(COperationLog::GAME_END, -1, -1, -1);
        log.flush();
        EXPECT_EQ(log.getRecordCount(), 0u);
        // A game across midnight goes into the file of the day it ends.
        setNow(localMs(10, 23, 58));
        log.addRecord(COperationLog::GAME_START, -1, -1, -1);
        log.addRecord(COperationLog::SELECT_MODE, 0, -1, -1);
        log.setPlayerName(u"NIGHT");
        setNow(localMs(11, 0, 2));
        log.addRecord(COperationLog::SELECT_GAME, 9, 3, -1);
        log.addRecord(COperationLog::GAME_END, -1, -1, -1);
        log.flush();
        setNow(localMs(11, 0, 3));
    }
    {
        // A second program start the same day.
        setNow(localMs(11, 8, 0));
        COperationLog log(COperationLog::makeTodayPaths(), true);
        log.addRecord(COperationLog::GAME_START, -1, -1, -1);
        log.addRecord(COperationLog::GAME_END, -1, -1, -1);
        log.flush();
        setNow(localMs(11, 8, 30));
    }
    const char* const source = std::getenv("ZQ_TEST_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    const std::filesystem::path golden =
        std::filesystem::path(source) / "tests/data/dorvanex/oplog";
    for (const int day : {10, 11}) {
        const std::string e = readFile(logFile('e', day));
        EXPECT_EQ(e, readFile(logFile('f', day))) << day;
        const std::filesystem::path expected = golden / (std::to_string(day) + ".csv");
        if (std::getenv("ZQ_WRITE_GOLDEN") != nullptr) {
            std::ofstream(expected, std::ios::binary) << e;
        }
        EXPECT_EQ(e, readFile(expected)) << day;
    }
}

TEST_F(OperationLog, ChunksOfManyRowsGiveTheSameFileAsOneWrite) {
    setNow(localMs(12, 10, 0));
    {
        COperationLog log(COperationLog::makeTodayPaths(), true);
        log.setPlayerName(u"LONGER");
        for (int i = 0; i < 200; ++i) {
            log.addRecord(COperationLog::SELECT_GAME, static_cast<float>(i % 10), 1.5f, 2);
        }
        log.flush();
        EXPECT_EQ(log.getRowId(), 202);
    }
    const std::string text = readFile(logFile('e', 12));
    size_t rows = 0;
    for (size_t at = text.find("Select Game"); at != std::string::npos;
         at = text.find("Select Game", at + 1)) {
        ++rows;
    }
    EXPECT_EQ(rows, 200u);
    EXPECT_NE(text.find("201,2026-12-12,10:00:00:000,Select Game,LONGER,,,Fencing,1.500000,2\r\n"),
              std::string::npos);
}

TEST_F(OperationLog, AFileThatCannotBeOpenedLeavesALineInTheErrorLog) {
    setNow(localMs(13, 10, 0));
    // A file where the f: folder of the year should be.
    std::filesystem::create_directories(m_scratch.root() / "drive_f/SPORTS_OPTION/log");
    std::ofstream(m_scratch.root() / "drive_f/SPORTS_OPTION/log/2026") << "x";
    {
        COperationLog log(COperationLog::makeTodayPaths(), true);
        log.addRecord(COperationLog::GAME_START, -1, -1, -1);
        log.flush();
    }
    EXPECT_NE(readFile(logFile('e', 13)).find("Game Start"), std::string::npos);
    const std::string errors = readFile(m_scratch.root() / "drive_e/SPORTS_OPTION/log/error.log");
    EXPECT_NE(errors.find("f:/SPORTS_OPTION\\log\\2026\\12\\13.csv"), std::string::npos);
}
