#include "dorvanex/core/opdata/ErrorLog.h"

#include "dorvanex/core/opdata/CDataFileOps.h"
#include "zq/platform/os/calendar.h"

#include <cstdio>
#include <string_view>
#include <vector>

namespace {

bool writeOn(const int drive, const std::vector<uint8_t>& bytes) {
    const std::u16string_view path(drive == 0 ? ERROR_LOG_PATH : ERROR_LOG_PATH_F);
    CDataFileOps& ops = getDataFileOps();
    return ops.isDrivePresent(drive) &&
           ops.makeFolder(std::u16string(path.substr(0, path.rfind(u'\\')))) &&
           ops.append(std::u16string(path), bytes);
}

} // namespace

bool writeErrorLog(const std::string& text, const int firstDrive) {
    zqp::CalendarTime t;
    zqp::toLocalTime(zqp::calendarSeconds(), t);
    char stamp[32] = {};
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d ", t.year + 1900, t.month + 1,
                  t.day, t.hour, t.minute, t.second);
    std::string line = stamp + text;
    if (text.empty() || text.back() != '\n') {
        line.push_back('\n');
    }
    const std::vector<uint8_t> bytes(line.begin(), line.end());
    const int first = firstDrive == 1 ? 1 : 0;
    return writeOn(first, bytes) || writeOn(1 - first, bytes);
}

void reportDriveFault(const std::string& text, const int firstDrive) {
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
    writeErrorLog(text, firstDrive);
}
