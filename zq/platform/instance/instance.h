// The single-instance guard: a named lock held for the life of a run, and a way for a
// second start to ask the running instance to restore and raise its window.
#pragma once

#include <cstdint>
#include <memory>

namespace zqp {

class InstanceLock {
public:
    enum class Result { Acquired, AlreadyHeld, Failed };

    // Takes the lock of that name. When acquired, the holder also answers raise requests
    // from later starts while its message pump runs.
    static std::unique_ptr<InstanceLock> acquire(const char16_t* name, Result& result);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // How many raise requests this holder has served (for diagnostics and tests).
    uint32_t getRaiseCount() const;

private:
    struct Impl;
    explicit InstanceLock(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

// Asks the holder of the lock to restore and raise its window of that class and title.
// True when it did within timeoutMs; false when it cannot be reached, has no such window or
// does not answer in time.
bool requestRaise(const char16_t* name, const char16_t* className, const char16_t* title,
                  uint32_t timeoutMs);

} // namespace zqp
