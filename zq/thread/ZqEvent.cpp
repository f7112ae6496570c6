#include "zq/thread/ZqEvent.h"

#include <chrono>

ZqEvent::ZqEvent() = default;

ZqEvent::~ZqEvent() = default;

void ZqEvent::set() {
    {
        const std::lock_guard<std::mutex> hold(m_mutex);
        m_signalled = true;
    }
    m_cv.notify_one();
}

void ZqEvent::reset() {
    const std::lock_guard<std::mutex> hold(m_mutex);
    m_signalled = false;
}

bool ZqEvent::wait(const unsigned ms) {
    std::unique_lock<std::mutex> hold(m_mutex);
    const auto signalled = [this] { return m_signalled; };
    if (ms == INFINITE_WAIT) {
        m_cv.wait(hold, signalled);
    } else if (!m_cv.wait_for(hold, std::chrono::milliseconds(ms), signalled)) {
        return false;
    }
    m_signalled = false;
    return true;
}
