#include "dorvanex/core/opdata/ErrorLog.h"

#include "zq/platform/fs/fs.h"
#include "zq/platform/os/calendar.h"

#include <cstdio>
#include <string_view>

void writeErrorLog(const std::string& text) {
    const std::u16string_view full(ERROR_LOG_PATH);
    zqp::makeDirectories(std::u16string(full.substr(0, full.rfind(u'\\'))).c_str());
    std::FILE* const file = zqp::openFile(ERROR_LOG_PATH, "ab");
    if (file == nullptr) {
        return;
    }
    zqp::CalendarTime t;
    zqp::toLocalTime(zqp::calendarSeconds(), t);
    std::fprintf(file, "%04d-%02d-%02d %02d:%02d:%02d %s", t.year + 1900, t.month + 1, t.day,
                 t.hour, t.minute, t.second, text.c_str());
    if (text.empty() || text.back() != '\n') {
        std::fputc('\n', file);
    }
    std::fclose(file);
}
