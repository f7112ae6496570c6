// ZqEvent: an unnamed auto-reset event, created not signalled. One set() releases one
// waiter (or the next wait) and the event resets itself. Not copyable.
#pragma once

#include <condition_variable>
#include <mutex>

class ZqEvent {
public:
    static constexpr unsigned INFINITE_WAIT = 0xFFFFFFFFu;

    // Throws the unsigned code 96 when the event cannot be made.
    ZqEvent();
    virtual ~ZqEvent();
    ZqEvent(const ZqEvent&) = delete;
    ZqEvent& operator=(const ZqEvent&) = delete;

    void set();
    void reset();
    // Waits up to ms milliseconds (INFINITE_WAIT: forever). True only when the event was
    // signalled within the time; the signal is then consumed.
    bool wait(unsigned ms);

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_signalled = false;
};
