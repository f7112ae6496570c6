// ZqThread: an abstract worker thread, created suspended, with its own auto-reset wake-up
// event. Subclasses implement run(); the owner starts, stops (flag + setEvent) and joins it.
// The worker pattern: run() drains its queue, then waitEvent(INFINITE); when the wait
// succeeds and the stop flag is set it returns. Not copyable.
#pragma once

#include <cstdint>
#include <memory>

class ZqEvent;

class ZqThread {
public:
    // The operating system's priority levels, passed on unchanged.
    enum PRIORITY : int {
        PRIORITY_IDLE = -15,
        PRIORITY_LOWEST = -2,
        PRIORITY_BELOW_NORMAL = -1,
        PRIORITY_NORMAL = 0,
        PRIORITY_ABOVE_NORMAL = 1,
        PRIORITY_HIGHEST = 2,
        PRIORITY_TIME_CRITICAL = 15,
    };
    static constexpr unsigned INFINITE_WAIT = 0xFFFFFFFFu;

    // Creates the wake-up event, then the thread, suspended. Throws the unsigned code 64 when
    // either cannot be made.
    ZqThread();
    // Closes the handles; neither stops nor waits for a started thread (join first), and never
    // blocks on one that is still running. A thread that has not yet entered run() ends
    // without running it; one still in run() is left running and, at its next return from
    // waitEvent(), waits there until the process ends instead of returning to a destroyed
    // object.
    virtual ~ZqThread();
    ZqThread(const ZqThread&) = delete;
    ZqThread& operator=(const ZqThread&) = delete;

    virtual void run() = 0;

    bool start();
    // Waits up to ms milliseconds for run() to return; true only when it did.
    bool join(unsigned ms);
    bool waitEvent(unsigned ms);
    void setEvent();
    void resetEvent();
    bool setPriority(PRIORITY priority);
    bool setAffinityMask(unsigned mask);

    // The code of an exception that escaped run(): its unsigned value, 0xFFF for any other
    // exception, 0 when none did. Read it after join().
    uint32_t getErrorCode() const;

    static bool setCurrentPriority(PRIORITY priority);
    static bool setCurrentAffinityMask(unsigned mask);
    // Suspends the calling thread for ms milliseconds; 0 gives up the rest of the time slice.
    static void sleep(long ms);

private:
    struct Control;
    static void start_func(ZqThread* self, const std::shared_ptr<Control>& control);

    std::shared_ptr<Control> m_control;
    std::shared_ptr<ZqEvent> m_pEvent;
};
