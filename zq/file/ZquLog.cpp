#include "zq/file/ZquLog.h"

#include "zq/file/ZqFile.h"
#include "zq/platform/log/log.h"
#include "zq/system/ZqSprintf.h"
#include "zq/system/ZqString.h"
#include "zq/thread/ZqCriticalSection.h"

#include <cstdio>
#include <vector>

namespace {

// Names and paths are kept in buffers of this many characters, terminator included.
constexpr size_t PATH_CHARS = 260;
// A formatted text may grow to this many characters before a call gives up.
constexpr size_t MAX_TEXT_CHARS = size_t{1} << 24;

size_t length(const char16_t* const text) {
    size_t n = 0;
    while (text[n] != u'\0') {
        ++n;
    }
    return n;
}

// Formats into text; the character count, or -1 for an invalid format or a text too long.
int format(ZqString* const text, const char16_t* const fmt, va_list args) {
    std::vector<char16_t> buffer(512);
    for (;;) {
        const int n = zqVsprintf(buffer.data(), buffer.size(), fmt, args);
        if (n >= 0) {
            text->assign(buffer.data(), static_cast<size_t>(n));
            return n;
        }
        // -1 with nothing written is a format error; with text, the text was cut.
        if (buffer[0] == u'\0' || buffer.size() >= MAX_TEXT_CHARS) {
            return -1;
        }
        buffer.assign(buffer.size() * 4, u'\0');
    }
}

} // namespace

ZquLog::ZquLog() = default;

ZquLog::~ZquLog() = default;

void ZquLog::sysInit() {
    init(NR_POOL);
}

void ZquLog::sysMain() {}

void ZquLog::sysQuit() {
    if (m_vPool != nullptr) {
        quit();
    }
}

ZquLog* ZquLog::create(const char16_t* const fileName, const int mode) {
    if (fileName == nullptr || length(fileName) >= PATH_CHARS - 1) {
        return nullptr;
    }
    char16_t path[PATH_CHARS] = {};
    if (mode == MODE_NORMAL) {
        std::char_traits<char16_t>::copy(path, fileName, length(fileName));
    } else if (mode == MODE_DATE_TIME) {
        const char16_t* const extension = ZqFile::findExtension(fileName);
        const zqp::LocalTime t = zqp::localTime();
        const ZqString base(fileName, static_cast<size_t>(extension - fileName));
        const int n = zqSprintf(path, PATH_CHARS, u"%s%04d%02d%02d_%02d%02d%02d%s", base.c_str(),
                                t.year, t.month, t.day, t.hour, t.minute, t.second, extension);
        if (n < 0 || static_cast<size_t>(n) >= PATH_CHARS - 1) {
            return nullptr;
        }
    } else {
        return nullptr;
    }
    if (m_pCriticalSection == nullptr) {
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZquLog* const log = ZqFixList::create();
    if (log == nullptr) {
        return nullptr;
    }
    try {
        log->m_pCs = std::make_unique<ZqCriticalSection>();
    } catch (...) {
        ZqFixList::release(log);
        throw;
    }
    log->m_pStream = zqp::LogFile::create(path);
    if (!log->m_pStream) {
        log->release();
        return nullptr;
    }
    return log;
}

unsigned int ZquLog::release() {
    if (m_pCs) {
        const ZqLockGuard hold(*m_pCs);
        if (m_pStream) {
            m_pStream->close();
            m_pStream.reset();
        }
    }
    m_pCs.reset();
    if (m_pCriticalSection != nullptr) {
        const ZqLockGuard hold(*m_pCriticalSection);
        // A second release of the same log must not link it into the free list twice.
        if (searchBody(this) != nullptr) {
            ZqFixList::release(this);
        }
    }
    return 0;
}

int ZquLog::writeBody(const char16_t* const prefix, const char16_t* const fmt, va_list args) {
    if (fmt == nullptr || !m_pCs) {
        return -1;
    }
    ZqString text;
    const int n = format(&text, fmt, args);
    if (n < 0) {
        return n;
    }
    const ZqString line = ZqString(prefix) + text;
    const ZqLockGuard hold(*m_pCs);
    if (!m_pStream || !m_pStream->write(line)) {
        return -1;
    }
    return static_cast<int>(line.size());
}

int ZquLog::printf(const char16_t* const format, ...) {
    va_list args;
    va_start(args, format);
    const int n = writeBody(u"", format, args);
    va_end(args);
    return n;
}

int ZquLog::timePrintf(const char16_t* const format, ...) {
    char16_t stamp[32] = {};
    const int n = getTimeString(stamp, 32);
    if (n < 1) {
        return n;
    }
    const ZqString prefix = ZqString(stamp) + u' ';
    va_list args;
    va_start(args, format);
    const int written = writeBody(prefix.c_str(), format, args);
    va_end(args);
    return written;
}

int ZquLog::getTimeString(char16_t* const buf, const unsigned int size) {
    const zqp::LocalTime t = zqp::localTime();
    return zqSprintf(buf, size, u"%02d-%02d %02d:%02d:%02d.%03d", t.month, t.day, t.hour, t.minute,
                     t.second, t.milliseconds);
}

int ZquLog::getTimeString(char* const buf, const unsigned int size) {
    if (buf == nullptr || size == 0) {
        return -1;
    }
    const zqp::LocalTime t = zqp::localTime();
    const int n = std::snprintf(buf, size, "%02d-%02d %02d:%02d:%02d.%03d", t.month, t.day, t.hour,
                                t.minute, t.second, t.milliseconds);
    return n < 0 || static_cast<unsigned int>(n) >= size ? -1 : n;
}
