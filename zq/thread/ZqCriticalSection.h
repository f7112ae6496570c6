// ZqCriticalSection: a recursive lock that spins briefly before blocking.
// Guards the pools, queues, draw registration, logs and every other piece of state that a
// worker thread shares with the main thread. Not copyable. Depends on nothing but the C++
// runtime.
#pragma once

#include <mutex>

class ZqCriticalSection {
public:
    static constexpr unsigned SPIN_COUNT = 4000;

    // Throws the unsigned code 80 when the lock cannot be made.
    ZqCriticalSection();
    virtual ~ZqCriticalSection();
    ZqCriticalSection(const ZqCriticalSection&) = delete;
    ZqCriticalSection& operator=(const ZqCriticalSection&) = delete;

    // Enters; a thread that holds the lock enters again at once and must unlock as often.
    void lock();
    void unlock();
    // Enters without waiting when possible; true when entered.
    bool tryLock();

private:
    std::recursive_mutex m_mutex;
};

// Scoped holder of a ZqCriticalSection.
class ZqLockGuard {
public:
    explicit ZqLockGuard(ZqCriticalSection& cs) : m_cs(cs) { m_cs.lock(); }
    ~ZqLockGuard() { m_cs.unlock(); }
    ZqLockGuard(const ZqLockGuard&) = delete;
    ZqLockGuard& operator=(const ZqLockGuard&) = delete;

private:
    ZqCriticalSection& m_cs;
};
