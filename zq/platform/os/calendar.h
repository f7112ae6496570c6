// The calendar clock: the wall-clock date and time, as distinct from the monotonic counter
// of os.h. Seconds and milliseconds since 1970 (UTC), and the local broken-down time of a
// moment and back, in the time zone that TZ names. The source of the current time can be
// replaced so that tests fix the date; every reader of the date or time of day goes through
// here. Depends on POSIX (localtime_r, mktime).
#pragma once

#include <cstdint>

namespace zqp {

// The nine fields of the standard broken-down time record, in its order.
struct CalendarTime {
    int32_t second = 0;   // 0..60
    int32_t minute = 0;   // 0..59
    int32_t hour = 0;     // 0..23
    int32_t day = 0;      // day of month, 1..31
    int32_t month = 0;    // 0..11
    int32_t year = 0;     // years since 1900
    int32_t weekDay = 0;  // 0 Sunday
    int32_t yearDay = 0;  // 0..365
    int32_t daylight = 0; // > 0 summer time, 0 standard, < 0 unknown
};

// Milliseconds and whole seconds since 1970-01-01 00:00 UTC (seconds round down).
int64_t calendarMilliseconds();
int64_t calendarSeconds();

// Replaces the current time (milliseconds since 1970); null restores the real clock.
using CalendarSource = int64_t (*)();
void setCalendarSource(CalendarSource source);

// Local broken-down time of a moment; false when the year does not fit the record.
bool toLocalTime(int64_t seconds, CalendarTime& out);
// The moment of a local broken-down time (fields out of range are carried over, as the C
// library does); false when it cannot be represented.
bool fromLocalTime(const CalendarTime& time, int64_t& seconds);
// Re-reads TZ after a change of the environment variable.
void reloadTimeZone();

} // namespace zqp
