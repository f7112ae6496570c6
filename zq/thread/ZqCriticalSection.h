// ZqCriticalSection: a recursive lock that spins briefly before blocking.
// Guards the pools, queues, draw registration, logs and every other piece of state that a
// worker thread shares with the main thread. Not copyable. Depends on nothing but the C++
// runtime.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>

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
    // Recursion is counted here over a plain mutex: cheaper to enter than a recursive one.
    // Only the owner ever finds its own id in m_owner, so a relaxed read is enough.
    std::mutex m_mutex;
    std::atomic<std::thread::id> m_owner{};
    unsigned m_depth = 0;
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
