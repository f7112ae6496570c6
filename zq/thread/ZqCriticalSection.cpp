#include "zq/thread/ZqCriticalSection.h"

ZqCriticalSection::ZqCriticalSection() = default;

ZqCriticalSection::~ZqCriticalSection() = default;

void ZqCriticalSection::lock() {
    // Spin first: most holders keep the lock for a few hundred cycles, and blocking in the
    // kernel costs far more than that.
    for (unsigned i = 0; i < SPIN_COUNT; ++i) {
        if (m_mutex.try_lock()) {
            return;
        }
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }
    m_mutex.lock();
}

void ZqCriticalSection::unlock() { m_mutex.unlock(); }

bool ZqCriticalSection::tryLock() { return m_mutex.try_lock(); }
