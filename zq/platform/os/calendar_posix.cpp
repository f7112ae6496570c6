#include "zq/platform/os/calendar.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <ctime>
#include <time.h>

namespace zqp {

namespace {

int64_t realMilliseconds() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

std::atomic<CalendarSource> g_source{&realMilliseconds};

int64_t floorDiv(const int64_t value, const int64_t divisor) {
    const int64_t q = value / divisor;
    return (value % divisor != 0 && value < 0) ? q - 1 : q;
}

} // namespace

int64_t calendarMilliseconds() {
    return g_source.load(std::memory_order_acquire)();
}

int64_t calendarSeconds() {
    return floorDiv(calendarMilliseconds(), 1000);
}

void setCalendarSource(const CalendarSource source) {
    g_source.store(source != nullptr ? source : &realMilliseconds, std::memory_order_release);
}

bool toLocalTime(const int64_t seconds, CalendarTime& out) {
    const time_t t = static_cast<time_t>(seconds);
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr) {
        return false;
    }
    out.second = tm.tm_sec;
    out.minute = tm.tm_min;
    out.hour = tm.tm_hour;
    out.day = tm.tm_mday;
    out.month = tm.tm_mon;
    out.year = tm.tm_year;
    out.weekDay = tm.tm_wday;
    out.yearDay = tm.tm_yday;
    out.daylight = tm.tm_isdst;
    return true;
}

bool fromLocalTime(const CalendarTime& time, int64_t& seconds) {
    std::tm tm{};
    tm.tm_sec = time.second;
    tm.tm_min = time.minute;
    tm.tm_hour = time.hour;
    tm.tm_mday = time.day;
    tm.tm_mon = time.month;
    tm.tm_year = time.year;
    tm.tm_isdst = time.daylight;
    // A result of -1 is also one second before 1970; only errno tells them apart.
    errno = 0;
    const time_t t = mktime(&tm);
    if (t == static_cast<time_t>(-1) && errno != 0) {
        return false;
    }
    seconds = static_cast<int64_t>(t);
    return true;
}

void reloadTimeZone() {
    tzset();
}

} // namespace zqp
