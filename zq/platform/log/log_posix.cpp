#include "zq/platform/log/log.h"

#include "zq/platform/fs/fs.h"
#include "zq/platform/fs/posix_io_internal.h"
#include "zq/platform/os/utf.h"

#include <atomic>
#include <cerrno>
#include <ctime>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace zqp {

namespace {

std::atomic<LocalTimeSource> g_timeSource{nullptr};

LocalTime clockLocalTime() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm parts{};
    localtime_r(&now.tv_sec, &parts);
    LocalTime t;
    t.year = static_cast<uint16_t>(parts.tm_year + 1900);
    t.month = static_cast<uint16_t>(parts.tm_mon + 1);
    t.day = static_cast<uint16_t>(parts.tm_mday);
    t.hour = static_cast<uint16_t>(parts.tm_hour);
    t.minute = static_cast<uint16_t>(parts.tm_min);
    // A leap second reads as the last ordinary one.
    t.second = static_cast<uint16_t>(parts.tm_sec > 59 ? 59 : parts.tm_sec);
    t.milliseconds = static_cast<uint16_t>(now.tv_nsec / 1000000);
    return t;
}

} // namespace

LocalTime localTime() {
    const LocalTimeSource source = g_timeSource.load();
    return source != nullptr ? source() : clockLocalTime();
}

void setLocalTimeSource(const LocalTimeSource source) {
    g_timeSource.store(source);
}

std::unique_ptr<LogFile> LogFile::create(const char16_t* const path) {
    std::string native;
    if (path == nullptr || !resolvePath(path, native)) {
        return nullptr;
    }
    // Opened without truncating: a file that another writer holds must stay intact.
    const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<LogFile>(new LogFile(fd));
}

LogFile::LogFile(const int fd) : m_fd(fd) {}

LogFile::~LogFile() {
    close();
}

bool LogFile::write(const std::u16string_view text) {
    if (m_fd < 0) {
        return false;
    }
    const std::string utf8 = utf16ToUtf8(text);
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 16);
    for (const char c : utf8) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return writeAll(m_fd, out.data(), out.size());
}

bool LogFile::close() {
    if (m_fd < 0) {
        return true;
    }
    const int result = ::close(m_fd); // also drops the lock
    m_fd = -1;
    return result == 0;
}

} // namespace zqp
