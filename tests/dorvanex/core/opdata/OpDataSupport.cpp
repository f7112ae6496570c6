#include "tests/dorvanex/core/opdata/OpDataSupport.h"

#include "zq/platform/os/calendar.h"

#include <cstdlib>

namespace {

int64_t g_nowMs = 0;
int64_t fixedNow() {
    return g_nowMs;
}

} // namespace

void OpDataTest::SetUp() {
    const char* const old = std::getenv("TZ");
    m_hadZone = old != nullptr;
    m_oldZone = old != nullptr ? old : "";
    setZone("UTC0");
    // 2026-12-10 12:00:00 UTC.
    setNow(1796904000000);
    zqp::setCalendarSource(&fixedNow);
    setDataFileOps(&m_disk);
}

void OpDataTest::TearDown() {
    setDataFileOps(nullptr);
    zqp::setCalendarSource(nullptr);
    if (m_hadZone) {
        setenv("TZ", m_oldZone.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    zqp::reloadTimeZone();
}

std::string OpDataTest::textOf(const std::u16string& path) const {
    const std::vector<uint8_t> bytes = m_disk.file(path);
    return std::string(bytes.begin(), bytes.end());
}

void OpDataTest::setNow(const int64_t ms) {
    g_nowMs = ms;
}

void OpDataTest::setZone(const char* const tz) {
    setenv("TZ", tz, 1);
    zqp::reloadTimeZone();
}

std::vector<uint8_t> OpDataTest::copyAt(const int64_t seconds,
                                        const std::vector<uint8_t>& payload) {
    zqp::CalendarTime stamp;
    zqp::toLocalTime(seconds, stamp);
    return encodeDataFile(stamp, payload.data(), payload.size());
}
