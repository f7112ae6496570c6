#include "zq/thread/ZqCriticalSection.h"

ZqCriticalSection::ZqCriticalSection() = default;

ZqCriticalSection::~ZqCriticalSection() = default;

void ZqCriticalSection::lock() {
    const std::thread::id self = std::this_thread::get_id();
    if (m_owner.load(std::memory_order_relaxed) == self) {
        ++m_depth;
        return;
    }
    // Spin first: most holders keep the lock for a few hundred cycles, and blocking in the
    // kernel costs far more than that.
    bool entered = false;
    for (unsigned i = 0; i < SPIN_COUNT && !entered; ++i) {
        entered = m_mutex.try_lock();
#if defined(__x86_64__) || defined(__i386__)
        if (!entered) {
            __builtin_ia32_pause();
        }
#endif
    }
    if (!entered) {
        m_mutex.lock();
    }
    m_owner.store(self, std::memory_order_relaxed);
    m_depth = 1;
}

void ZqCriticalSection::unlock() {
    if (--m_depth == 0) {
        m_owner.store(std::thread::id(), std::memory_order_relaxed);
        m_mutex.unlock();
    }
}

bool ZqCriticalSection::tryLock() {
    const std::thread::id self = std::this_thread::get_id();
    if (m_owner.load(std::memory_order_relaxed) == self) {
        ++m_depth;
        return true;
    }
    if (!m_mutex.try_lock()) {
        return false;
    }
    m_owner.store(self, std::memory_order_relaxed);
    m_depth = 1;
    return true;
}
