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

size_t countOf(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

} // namespace

class OperationLog : public OpDataTest {
protected:
    void SetUp() override {
        OpDataTest::SetUp();
        setZone("CET-1CEST,M3.5.0,M10.5.0/3");
    }
    // A day's log on a drive of the in-memory disk.
    std::string logText(const char drive, const int day) const {
        return textOf(std::u16string(1, drive) + u":/SPORTS_OPTION/log/2026/12/" +
                      (day < 10 ? u"0" : u"") + toU16(std::to_string(day)) + u".csv");
    }
    std::string errorLog(const char drive) const {
        return textOf(std::u16string(1, drive) + u":/SPORTS_OPTION/log/error.log");
    }
    static std::u16string toU16(const std::string& ascii) {
        return std::u16string(ascii.begin(), ascii.end());
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
        const std::string e = logText('e', day);
        EXPECT_EQ(e, logText('f', day)) << day;
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
    const std::string text = logText('e', 12);
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
    // The f: folder of the year cannot be made.
    ASSERT_TRUE(m_disk.makeFolder(u"f:/SPORTS_OPTION/log"));
    m_disk.setReadOnly(u"f:/SPORTS_OPTION/log", true);
    {
        COperationLog log(COperationLog::makeTodayPaths(), true);
        log.addRecord(COperationLog::GAME_START, -1, -1, -1);
        log.flush();
    }
    EXPECT_NE(logText('e', 13).find("Game Start"), std::string::npos);
    EXPECT_NE(errorLog('e').find("f:/SPORTS_OPTION\\log\\2026\\12\\13.csv"), std::string::npos);
}

// A drive that fails its writes costs only its own log, and says so once a day in the other
// drive's error log; a dead e: is not made again and its lines go to f:.
TEST_F(OperationLog, AFailingDriveIsReportedOncePerDayAndTheOtherKeepsItsRows) {
    for (const int failing : {0, 1}) {
        SCOPED_TRACE(failing);
        m_disk = CMemoryDataFileOps();
        const char bad = failing == 0 ? 'e' : 'f';
        const char good = failing == 0 ? 'f' : 'e';
        const std::u16string folder = std::u16string(1, bad) + u":/SPORTS_OPTION/log/2026/12";
        setNow(localMs(14, 10, 0));
        {
            COperationLog log(COperationLog::makeTodayPaths(), true);
            // The drive fills up after the start rows.
            m_disk.setReadOnly(folder, true);
            for (int game = 0; game < 3; ++game) {
                log.addRecord(COperationLog::GAME_START, -1, -1, -1);
                log.flush();
            }
            // The next day's first failure is reported again.
            setNow(localMs(15, 10, 0));
            m_disk.setReadOnly(folder, false);
            log.addRecord(COperationLog::GAME_START, -1, -1, -1);
            log.flush();
            m_disk.setReadOnly(folder, true);
            log.addRecord(COperationLog::GAME_END, -1, -1, -1);
            log.flush();
        }
        EXPECT_EQ(countOf(logText(good, 14), "Game Start"), 3u);
        EXPECT_EQ(countOf(logText(bad, 14), "Game Start"), 0u);
        EXPECT_EQ(countOf(logText(good, 15), "Game End"), 1u);
        const std::string errors = errorLog(good);
        EXPECT_EQ(countOf(errors, "14.csv\" could not be written"), 1u) << errors;
        EXPECT_EQ(countOf(errors, "15.csv\" could not be written"), 1u) << errors;
        EXPECT_EQ(errorLog(bad), "");
    }
    // A dead e: stays dead: nothing is made on it, and f: holds the rows and the line.
    m_disk = CMemoryDataFileOps();
    m_disk.setDrivePresent(0, false);
    setNow(localMs(16, 10, 0));
    {
        COperationLog log(COperationLog::makeTodayPaths(), true);
        log.addRecord(COperationLog::GAME_START, -1, -1, -1);
        log.flush();
    }
    for (const std::u16string& name : m_disk.names()) {
        EXPECT_EQ(name.substr(0, 2), u"f:");
    }
    EXPECT_EQ(countOf(logText('f', 16), "Game Start"), 1u);
    EXPECT_NE(errorLog('f').find("e:/SPORTS_OPTION\\log\\2026\\12\\16.csv\" cannot be opened"),
              std::string::npos);
}
