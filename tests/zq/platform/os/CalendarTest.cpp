#include "zq/platform/os/calendar.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

int64_t g_fixedMs = 0;
int64_t fixedClock() {
    return g_fixedMs;
}

// Sets TZ for one test and restores the real clock and zone after it.
class Calendar : public testing::Test {
protected:
    void SetUp() override {
        const char* const old = std::getenv("TZ");
        m_hadZone = old != nullptr;
        m_oldZone = old != nullptr ? old : "";
    }
    void TearDown() override {
        zqp::setCalendarSource(nullptr);
        if (m_hadZone) {
            setenv("TZ", m_oldZone.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        zqp::reloadTimeZone();
    }
    static void zone(const char* const tz) {
        setenv("TZ", tz, 1);
        zqp::reloadTimeZone();
    }

private:
    bool m_hadZone = false;
    std::string m_oldZone;
};

} // namespace

TEST_F(Calendar, InjectedSourceFixesNowAndSecondsRoundDown) {
    zqp::setCalendarSource(&fixedClock);
    g_fixedMs = 1781234567891;
    EXPECT_EQ(zqp::calendarMilliseconds(), 1781234567891);
    EXPECT_EQ(zqp::calendarSeconds(), 1781234567);
    g_fixedMs = -1;
    EXPECT_EQ(zqp::calendarSeconds(), -1);
    zqp::setCalendarSource(nullptr);
    EXPECT_GT(zqp::calendarSeconds(), 1700000000);
}

TEST_F(Calendar, LocalTimeFollowsTheZoneAndItsDaylightSaving) {
    // Central Europe: an hour ahead of UTC in winter, two in summer.
    zone("CET-1CEST,M3.5.0,M10.5.0/3");
    const struct {
        int64_t seconds;
        zqp::CalendarTime local;
    } cases[] = {
        // 2026-01-01 00:30 local is 2025-12-31 23:30 UTC (a Thursday).
        {1767223800, {0, 30, 0, 1, 0, 126, 4, 0, 0}},
        // Either side of the change to summer time at 01:00 UTC on 2026-03-29.
        {1774745999, {59, 59, 1, 29, 2, 126, 0, 87, 0}},
        {1774746000, {0, 0, 3, 29, 2, 126, 0, 87, 1}},
        // 1970-01-01 00:00 UTC.
        {0, {0, 0, 1, 1, 0, 70, 4, 0, 0}},
    };
    for (const auto& c : cases) {
        zqp::CalendarTime t;
        ASSERT_TRUE(zqp::toLocalTime(c.seconds, t));
        EXPECT_EQ(t.second, c.local.second);
        EXPECT_EQ(t.minute, c.local.minute);
        EXPECT_EQ(t.hour, c.local.hour) << c.seconds;
        EXPECT_EQ(t.day, c.local.day);
        EXPECT_EQ(t.month, c.local.month);
        EXPECT_EQ(t.year, c.local.year);
        EXPECT_EQ(t.weekDay, c.local.weekDay);
        EXPECT_EQ(t.yearDay, c.local.yearDay);
        EXPECT_EQ(t.daylight, c.local.daylight);
        int64_t back = 0;
        ASSERT_TRUE(zqp::fromLocalTime(t, back));
        EXPECT_EQ(back, c.seconds);
    }
}

TEST_F(Calendar, BeforeNineteenSeventyIsNegativeAndOneSecondBeforeIsNotAnError) {
    zone("UTC0");
    zqp::CalendarTime t{59, 59, 23, 31, 11, 69, 0, 0, 0};
    int64_t seconds = 0;
    ASSERT_TRUE(zqp::fromLocalTime(t, seconds));
    EXPECT_EQ(seconds, -1);
    t.year = 60;
    ASSERT_TRUE(zqp::fromLocalTime(t, seconds));
    EXPECT_LT(seconds, 0);
}
