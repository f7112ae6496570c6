#include "tests/dorvanex/core/opdata/OpDataSupport.h"

#include "dorvanex/core/opdata/CBookkeepings.h"
#include "dorvanex/core/opdata/CGameSettings.h"
#include "dorvanex/core/opdata/CPlayRecorder.h"
#include "zq/file/ZqByteWriter.h"

#include <string>

using namespace bookkeeping;

namespace {

// Seconds since 1970 of a UTC date and time.
int64_t utc(const int year, const int month, const int day, const int hour = 12,
            const int minute = 0) {
    int32_t fields[9] = {};
    // Walk from a known day: 2000-01-01 is 946684800.
    int64_t t = 946684800;
    const auto ymd = [&fields](const int64_t s) {
        breakDown(s, fields);
        return (fields[5] + 1900) * 10000 + (fields[4] + 1) * 100 + fields[3];
    };
    const int target = year * 10000 + month * 100 + day;
    while (ymd(t) < target) {
        t += 86400;
    }
    while (ymd(t) > target) {
        t -= 86400;
    }
    return t + hour * 3600 + minute * 60;
}

std::string text(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

const std::u16string BK_E = u"e:/SPORTS_OPTION/BOOKKEEPING";
const std::u16string BK_F = u"f:/SPORTS_OPTION/BOOKKEEPING";
const std::u16string SETC = u"e:/SPORTS_OPTION/BOOKKEEPING_setc_log.txt";

} // namespace

class Bookkeeping : public OpDataTest {
protected:
    void SetUp() override {
        OpDataTest::SetUp();
        at(utc(2026, 12, 10));
        ASSERT_EQ(bookkeepingCreate(), 1);
    }
    void TearDown() override {
        bookkeepingDestroy();
        OpDataTest::TearDown();
    }
    static void at(const int64_t seconds) { setNow(seconds * 1000); }
    static std::vector<int32_t> today() {
        std::vector<int32_t> days(7 * COUNTERS);
        bookkeepingGetLast7DayRecords(days.data());
        return std::vector<int32_t>(days.begin(), days.begin() + COUNTERS);
    }
};

TEST(BookkeepingCalendar, SlotsAcrossLeapDaysAndTheYearsEnd) {
    const struct {
        int64_t time;
        int32_t slot;
        int32_t yearDay;
        int32_t weekDay;
    } cases[] = {
        {utc(2028, 2, 29), 59, 59, 2},    {utc(2028, 3, 1), 62, 60, 3},
        {utc(2027, 2, 28), 58, 58, 0},    {utc(2027, 3, 1), 62, 59, 1},
        {utc(2026, 12, 31), 371, 364, 4}, {utc(2027, 1, 1), 0, 0, 5},
        {utc(2000, 2, 29), 59, 59, 2},    {utc(2100, 3, 1), 62, 59, 1},
    };
    for (const auto& c : cases) {
        int32_t f[9] = {};
        ASSERT_TRUE(breakDown(c.time, f));
        EXPECT_EQ(slotOf(c.time), c.slot) << c.time;
        EXPECT_EQ(f[7], c.yearDay) << c.time;
        EXPECT_EQ(f[6], c.weekDay) << c.time;
    }
    int32_t f[9] = {};
    EXPECT_TRUE(breakDown(-43200, f));
    EXPECT_EQ(f[5], 69);
    EXPECT_FALSE(breakDown(-43201, f));
    EXPECT_EQ(slotOf(-43201), -1);
    EXPECT_TRUE(breakDown(32535291599, f));
    EXPECT_EQ(f[5] + 1900, 3001); // 3000-12-31 23:59:59 twelve hours west of UTC
    EXPECT_FALSE(breakDown(32535291600, f));
}

TEST_F(Bookkeeping, CoinsLandInTheDaySlotAndLastYearsSlotReadsEmpty) {
    at(utc(2025, 12, 10, 9));
    bookkeepingAddCoin(50);
    at(utc(2026, 12, 10, 9));
    std::vector<int32_t> slot = today();
    EXPECT_EQ(slot[DAY_COINS], -1);
    bookkeepingAddCoin(3);
    slot = today();
    EXPECT_EQ(slot[DAY_COINS], 3);
    EXPECT_EQ(slot[HOUR_COINS + 9], 3);
    EXPECT_EQ(slot[5], 126);
    bookkeepingAddCoin(1000000000);
    EXPECT_EQ(today()[DAY_COINS], 999999999);
    // Every coin addition leaves an entry in the set-clock log.
    EXPECT_NE(text(m_disk.file(SETC)).find("CBookkeepings::AddCoin addcount 3 "),
              std::string::npos);
}

TEST_F(Bookkeeping, SlotsFollowTheClockWhileTextsShowLocalTime) {
    // An hour ahead of UTC, across both daylight-saving changes.
    setZone("CET-1CEST,M3.5.0,M10.5.0/3");
    const struct {
        int64_t time;
        int32_t slot;
        int32_t hour;
        const char* clock;
    } cases[] = {
        // 00:30 local on 10 December is 23:30 UTC on the 9th.
        {utc(2026, 12, 9, 23, 30), 11 * 31 + 8, 23, "00:30:00"},
        // Summer: 00:30 local is 22:30 UTC the day before.
        {utc(2026, 7, 1, 22, 30), 6 * 31 + 0, 22, "00:30:00"},
        {utc(2026, 3, 29, 1, 0), 2 * 31 + 28, 1, "03:00:00"},
        {utc(2026, 10, 25, 1, 0), 9 * 31 + 24, 1, "02:00:00"},
    };
    for (const auto& c : cases) {
        bookkeepingClearAll();
        at(c.time);
        bookkeepingAddCoin(2);
        std::vector<int32_t> days(7 * COUNTERS);
        bookkeepingGetLast7DayRecords(days.data());
        EXPECT_EQ(slotOf(c.time), c.slot);
        EXPECT_EQ(days[DAY_COINS], 2);
        EXPECT_EQ(days[HOUR_COINS + c.hour], 2) << c.clock;
        int32_t stats[STATISTIC_COUNTERS] = {};
        bookkeepingGetGameTimesStatistic(stats);
        EXPECT_STREQ(reinterpret_cast<const char*>(stats), c.clock);
    }
}

TEST_F(Bookkeeping, QueriesSumByDayHourAndWeek) {
    // One coin a day for 20 days ending on Sunday 2026-12-13, at 10:00; two at 15:00 today.
    for (int k = 19; k >= 0; --k) {
        at(utc(2026, 12, 13, 10) - k * 86400);
        bookkeepingAddCoin(1);
    }
    at(utc(2026, 12, 13, 15));
    bookkeepingAddCoin(2);
    int32_t days[10] = {};
    bookkeepingGetCoinDataOfLast7Days(days);
    EXPECT_EQ(days[0], 3);
    EXPECT_EQ(days[2], 7);
    EXPECT_EQ(days[1], 1);
    EXPECT_EQ(days[9], 1);
    int32_t weekdays[7] = {};
    bookkeepingGetCoinDataOfEachDay(weekdays);
    // 20 days from Tuesday 24 November to Sunday 13 December: Monday first, Sunday last.
    const int32_t expectedDays[7] = {2, 3, 3, 3, 3, 3, 3 + 2};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(weekdays[i], expectedDays[i]) << i;
    }
    int32_t hours[24] = {};
    bookkeepingGetCoinDataOfEachHour(hours);
    EXPECT_EQ(hours[10], 20);
    EXPECT_EQ(hours[15], 2);
    EXPECT_EQ(hours[11], -1);
    // On a Sunday the walk starts seven days back: week 0 is 30 Nov .. 6 Dec.
    int32_t weeks[52] = {};
    bookkeepingGetCoinDataOfLast52Weeks(weeks);
    EXPECT_EQ(weeks[0], 7);
    EXPECT_EQ(weeks[1], 6); // 23 .. 29 Nov; data from the 24th
    EXPECT_EQ(weeks[2], -1);
    // On Wednesday 16 December three days back: week 0 is 7 .. 13 Dec.
    at(utc(2026, 12, 16, 8));
    bookkeepingGetCoinDataOfLast52Weeks(weeks);
    EXPECT_EQ(weeks[0], 9);
}

TEST_F(Bookkeeping, PlayRecordsMergeAndBattleAddsNoGradesButBothCharacters) {
    ASSERT_EQ(CGameSettings::create(), 0);
    CGameSettings::getInstance()->setValue(35, 1);
    ASSERT_EQ(playRecorderCreate(), 1);
    for (const int32_t mode : {0, 1}) {
        playRecordBegin();
        playRecordBegin(); // a second begin keeps the open record
        playRecordSetMode(mode);
        playRecordStartSession();
        playRecordSetCharacters(3, 7);
        playRecordStartGame();
        playRecordSetEvent(2);
        at(utc(2026, 12, 10, 12, 1));
        playRecordEventResult(0, 1, 2);
        playRecordEventResult(1, 0, 4); // grade 4 counts no grade
        playRecordAddGameTime();
        playRecordCountContinue();
        playRecordAddSessionTime();
        playRecordAddModeTime();
        EXPECT_EQ(playRecordFields()[16 + 8], 2); // event 2's count
        EXPECT_EQ(playRecordFields()[2], mode == 1 ? 7 : -1);
        playRecordEnd();
        EXPECT_EQ(playRecordFields()[136], 0);
        at(utc(2026, 12, 10, 12));
    }
    const std::vector<int32_t> slot = today();
    EXPECT_EQ(slot[GRADES + 8 + 2], 1);
    EXPECT_EQ(slot[FIRST_FLAGS + 4], 1);
    EXPECT_EQ(slot[FIRST_FLAGS + 5], 1);
    EXPECT_EQ(slot[SECOND_FLAGS + 4], 1);
    EXPECT_EQ(slot[CHARACTER_PLAYS + 6], 2);      // character 3 as player 1, both plays
    EXPECT_EQ(slot[CHARACTER_PLAYS + 14 + 1], 1); // character 7 as player 2, battle only
    EXPECT_EQ(slot[CONTINUES], 1);
    EXPECT_EQ(slot[CONTINUES + 1], 1);
    EXPECT_EQ(slot[EVENT_TIMES + 16], 2);       // event 2, single: count
    EXPECT_EQ(slot[EVENT_TIMES + 16 + 1], 120); // total seconds
    EXPECT_EQ(slot[EVENT_TIMES + 16 + 4], 2);   // battle
    EXPECT_EQ(slot[MODE_TIMES], 1);
    // Saved on both drives at each end.
    EXPECT_FALSE(m_disk.file(BK_F).empty());
    // No mode, or bookkeeping off: nothing is booked.
    playRecordBegin();
    playRecordSetCharacters(1, 1);
    playRecordEnd();
    CGameSettings::getInstance()->setValue(35, 0);
    playRecordBegin();
    playRecordSetMode(0);
    playRecordSetCharacters(1, 1);
    playRecordEnd();
    EXPECT_EQ(today()[CHARACTER_PLAYS + 2], -1);
    playRecorderDestroy();
    CGameSettings::release();
}

TEST_F(Bookkeeping, LoadTakesTheNewestValidCopyAndDamageMovesAside) {
    // A saved store, read back by a fresh one.
    bookkeepingAddCoin(5);
    ASSERT_EQ(bookkeepingSave(), 1);
    ASSERT_EQ(m_disk.file(BK_E).size(), 358652u);
    bookkeepingDestroy();
    bookkeepingCreate();
    EXPECT_EQ(bookkeepingLoad(), 1);
    EXPECT_EQ(today()[DAY_COINS], 5);
    EXPECT_EQ(bookkeepingIsDirty(), 0);

    // Damaged copies: the load finds nothing, the store is dirty until cleared, and the next
    // save moves both copies aside with their bytes before writing.
    std::vector<uint8_t> damaged = m_disk.file(BK_E);
    damaged[100] ^= 0xFF;
    m_disk.putFile(BK_E, damaged);
    m_disk.putFile(BK_F, std::vector<uint8_t>(damaged.begin(), damaged.begin() + 1000));
    bookkeepingDestroy();
    bookkeepingCreate();
    EXPECT_EQ(bookkeepingLoad(), 0);
    EXPECT_EQ(bookkeepingIsDirty(), -1);
    EXPECT_EQ(today()[DAY_COINS], -1);
    at(utc(2026, 12, 10, 13));
    ASSERT_EQ(bookkeepingSave(), 1);
    EXPECT_EQ(m_disk.file(u"e:/SPORTS_OPTION/BOOKKEEPING_20261210_130000"), damaged);
    EXPECT_EQ(m_disk.file(u"f:/SPORTS_OPTION/BOOKKEEPING_20261210_130000").size(), 1000u);
    EXPECT_EQ(m_disk.file(BK_E).size(), 358652u);
    EXPECT_EQ(bookkeepingIsDirty(), -1);
    bookkeepingClearDirty();
    EXPECT_EQ(bookkeepingIsDirty(), 0);
}

TEST_F(Bookkeeping, CoinsBeforeTheFirstLoadAreKept) {
    bookkeepingAddCoin(4);
    bookkeepingSave();
    bookkeepingDestroy();
    bookkeepingCreate();
    bookkeepingAddCoin(2); // booked before the load
    EXPECT_EQ(bookkeepingLoad(), 1);
    EXPECT_EQ(today()[DAY_COINS], 6);
}

TEST_F(Bookkeeping, AFailedCopyMakesTheSaveFail) {
    m_disk.setDrivePresent(1, false);
    EXPECT_EQ(bookkeepingSave(), -1);
    m_disk.setDrivePresent(1, true);
    EXPECT_EQ(bookkeepingSave(), 1);
}

TEST_F(Bookkeeping, ClockSettingAndAClockOutsideTheCalendar) {
    EXPECT_EQ(bookkeepingSetClock(-1, 0), -1);
    EXPECT_EQ(bookkeepingSetClock(32535244799, 0), -1);
    // The full 64-bit offset: far beyond 32 bits of milliseconds.
    const int64_t target = utc(2030, 6, 1);
    EXPECT_EQ(bookkeepingSetClock(target, 10LL * 365 * 86400), 0);
    EXPECT_EQ(bookkeepingNow(), target + 10LL * 365 * 86400);
    const std::string log = text(m_disk.file(SETC));
    EXPECT_NE(log.find("CBookkeepings::SetClock failed."), std::string::npos);
    EXPECT_NE(log.find("CBookkeepings::SetClock success."), std::string::npos);
    // A clock past the year 3000 books nothing and says so.
    EXPECT_EQ(bookkeepingSetClock(32535244798, 86400), 0);
    bookkeepingAddCoin(9);
    EXPECT_NE(text(m_disk.file(SETC)).find("out of the calendar's range"), std::string::npos);
    int32_t days[10] = {};
    bookkeepingGetCoinDataOfLast7Days(days);
    EXPECT_EQ(days[0], -1);
}

TEST_F(Bookkeeping, RunningTimeStartsAtCreationAndIgnoresAClockSetBack) {
    at(utc(2026, 12, 10, 12, 10));
    EXPECT_EQ(today()[RUNNING_TIME], 600);
    at(utc(2026, 12, 10, 11));
    EXPECT_EQ(today()[RUNNING_TIME], 600);
    at(utc(2026, 12, 10, 11, 1));
    EXPECT_EQ(today()[RUNNING_TIME], 660);
}
