// ZqSystem: window and machine queries.

#include "zq/system/ZqSystem.h"

#include "zq/gl/ZqGlSystem.h"
#include "zq/math/ZqPoint.h"
#include "zq/math/ZqRect.h"

#include <algorithm>
#include <cerrno>
#include <string>

namespace {

constexpr size_t MODULE_PATH_SIZE = 261;

void toRect(const zqp::Rect& from, ZqRect& to) {
    to.set(from.left, from.top, from.right, from.bottom);
}

} // namespace

bool ZqSystem::getMonitorRectFromWindow(ZqRect* const rect) {
    zqp::Rect r;
    if (rect == nullptr || !zqp::getMonitorRect(m_hWnd, r)) {
        return false;
    }
    toRect(r, *rect);
    return true;
}

bool ZqSystem::getWindowRect(ZqRect* const rect) {
    zqp::Rect r;
    if (rect == nullptr || !zqp::getWindowRect(m_hWnd, r)) {
        return false;
    }
    toRect(r, *rect);
    return true;
}

bool ZqSystem::getWindowPosition(ZqPoint* const point) {
    zqp::Rect r;
    if (point == nullptr || !zqp::getWindowRect(m_hWnd, r)) {
        return false;
    }
    point->set(r.left, r.top);
    return true;
}

bool ZqSystem::setWindowPosition(const ZqPoint* const point) {
    // A full-screen window owns the display: it is not moved.
    if (point == nullptr || ZqGlSystem::m_bFullScreen) {
        return false;
    }
    zqp::Rect r;
    if (!zqp::getWindowRect(m_hWnd, r)) {
        return false;
    }
    return zqp::moveWindow(m_hWnd, point->x, point->y);
}

bool ZqSystem::activateWindow() {
    return zqp::activateWindow(m_hWnd);
}

bool ZqSystem::isWindowActivated() {
    return zqp::isForegroundWindow(m_hWnd);
}

bool ZqSystem::minimizeWindow() {
    return zqp::minimizeWindow(m_hWnd);
}

bool ZqSystem::normalizeWindow() {
    return zqp::restoreWindow(m_hWnd);
}

bool ZqSystem::isWindowMinimized() {
    return zqp::isWindowMinimized(m_hWnd);
}

uint32_t ZqSystem::getName(char16_t* const buffer, const uint32_t size) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    const std::u16string title = zqp::getWindowTitle(m_hWnd);
    const size_t n = std::min<size_t>(title.size(), size - 1);
    std::copy_n(title.begin(), n, buffer);
    buffer[n] = 0;
    return static_cast<uint32_t>(n);
}

const char16_t* ZqSystem::getModulePath() {
    // One buffer per thread: the file worker asks for it too.
    thread_local char16_t path[MODULE_PATH_SIZE];
    const std::u16string p = zqp::executablePath();
    const size_t n = std::min(p.size(), MODULE_PATH_SIZE - 1);
    std::copy_n(p.begin(), n, path);
    path[n] = 0;
    return path;
}

void* ZqSystem::getModuleHandle() {
    return zqp::executableModule();
}

void ZqSystem::getProcessorIds(uint32_t* const stepping, uint32_t* const model,
                               uint32_t* const family, uint32_t* const type) {
    if (stepping == nullptr && model == nullptr && family == nullptr && type == nullptr) {
        return;
    }
    const uint32_t s = zqp::processorSignature();
    if (stepping != nullptr) {
        *stepping = s & 0xFu;
    }
    if (model != nullptr) {
        *model = ((s >> 16) & 0xFu) * 16u + ((s >> 4) & 0xFu);
    }
    if (family != nullptr) {
        *family = ((s >> 20) & 0xFu) * 16u + ((s >> 8) & 0xFu);
    }
    if (type != nullptr) {
        *type = (s >> 12) & 0xFu;
    }
}

bool ZqSystem::setProcessPriority(const PROCESS_PRIORITY priority) {
    return zqp::setProcessPriorityClass(static_cast<uint32_t>(priority));
}

int64_t ZqSystem::fileTime2UnixTime(const FileTime& fileTime) {
    constexpr uint64_t EPOCH_1970 = 116444736000000000ull; // 1970-01-01 in 100-ns units
    const uint64_t ticks = (static_cast<uint64_t>(fileTime.high) << 32) + fileTime.low;
    // Signed: times before 1970 are negative; the division truncates toward zero.
    return static_cast<int64_t>(ticks - EPOCH_1970) / 10000000;
}

int64_t ZqSystem::systemTime2UnixTime(const SystemTime& systemTime) {
    FileTime f;
    if (!zqp::systemTimeToFileTime(systemTime, f)) {
        return 0;
    }
    return fileTime2UnixTime(f);
}

const char16_t* ZqSystem::getArgv(const int32_t index) {
    if (index < 0 || index >= m_argc || m_argv == nullptr) {
        return nullptr;
    }
    return m_argv[index];
}

int32_t ZqSystem::getError() {
    return errno;
}
