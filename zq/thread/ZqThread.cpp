#include "zq/thread/ZqThread.h"

#include "zq/platform/os/os.h"
#include "zq/system/ZqError.h"
#include "zq/thread/ZqEvent.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

// State shared between the object and its thread, so that a thread which outlives a
// carelessly deleted object never touches freed memory of its own.
struct ZqThread::Control {
    std::mutex mutex;
    std::condition_variable cv;
    bool started = false;
    bool cancelled = false;
    bool finished = false;
    bool joined = false;
    // Set under the mutex when run() is about to be called, and when the object is destroyed
    // while its thread still runs: the thread then never calls run() or returns into it.
    bool entered = false;
    bool orphaned = false;
    std::thread::id worker;
    int32_t osThreadId = 0;
    uint32_t errorCode = 0;
    std::thread thread;
    // The wake-up event lives as long as either side: a thread still waiting on it when its
    // object is destroyed (a program ending mid-run) never sees it destroyed under it, and
    // the destructor never waits on a condition the thread still holds.
    std::shared_ptr<ZqEvent> event;

    // Called on the thread's way back into run(): once the object is gone, returning would
    // run on freed memory, so the thread stays here until the process ends.
    void parkIfOrphaned() {
        std::unique_lock<std::mutex> hold(mutex);
        if (orphaned && worker == std::this_thread::get_id()) {
            cv.wait(hold, [] { return false; });
        }
    }
};

ZqThread::ZqThread() {
    try {
        m_pEvent = std::make_shared<ZqEvent>();
        m_control = std::make_shared<Control>();
        m_control->event = m_pEvent;
        m_control->thread = std::thread(&ZqThread::start_func, this, m_control);
    } catch (...) {
        throw ZqError::THREAD;
    }
    // Wait until the thread has recorded its id, so priority and affinity work before start.
    std::unique_lock<std::mutex> hold(m_control->mutex);
    m_control->cv.wait(hold, [this] { return m_control->osThreadId != 0; });
}

ZqThread::~ZqThread() {
    Control& c = *m_control;
    bool detach = false;
    {
        const std::lock_guard<std::mutex> hold(c.mutex);
        if (!c.started || !c.entered) {
            // Not yet in run(): it never will be.
            c.cancelled = true;
        } else if (!c.finished) {
            // Still in run(): its next return from waitEvent() parks it for good instead.
            c.orphaned = true;
            detach = true;
        }
    }
    c.cv.notify_all();
    if (c.thread.joinable()) {
        if (detach) {
            c.thread.detach();
        } else {
            c.thread.join();
        }
    }
}

void ZqThread::start_func(ZqThread* const self, const std::shared_ptr<Control>& control) {
    Control& c = *control;
    {
        std::unique_lock<std::mutex> hold(c.mutex);
        c.osThreadId = zqp::currentThreadId();
        c.worker = std::this_thread::get_id();
        c.cv.notify_all();
        c.cv.wait(hold, [&c] { return c.started || c.cancelled; });
        if (c.cancelled) {
            return;
        }
        c.entered = true;
    }
    uint32_t code = 0;
    if (self != nullptr) {
        try {
            self->run();
        } catch (const unsigned code_) {
            code = code_;
        } catch (...) {
            // Any exception that is not a code is kept as the memory-exhaustion code.
            code = ZqError::OUT_OF_MEMORY;
        }
    }
    {
        const std::lock_guard<std::mutex> hold(c.mutex);
        c.errorCode = code;
        c.finished = true;
    }
    c.cv.notify_all();
}

bool ZqThread::start() {
    {
        const std::lock_guard<std::mutex> hold(m_control->mutex);
        if (m_control->started || m_control->cancelled) {
            return false;
        }
        m_control->started = true;
    }
    m_control->cv.notify_all();
    return true;
}

bool ZqThread::join(const unsigned ms) {
    Control& c = *m_control;
    {
        std::unique_lock<std::mutex> hold(c.mutex);
        const auto ended = [&c] { return c.finished; };
        if (ms == INFINITE_WAIT) {
            c.cv.wait(hold, ended);
        } else if (!c.cv.wait_for(hold, std::chrono::milliseconds(ms), ended)) {
            return false;
        }
        if (c.joined) {
            return true;
        }
        c.joined = true;
    }
    c.thread.join();
    return true;
}

bool ZqThread::waitEvent(const unsigned ms) {
    // Own copies: the object may be destroyed while its thread waits here. Checking before
    // the wait as well orders this thread's reads of the object before its destruction.
    const std::shared_ptr<Control> control = m_control;
    const std::shared_ptr<ZqEvent> event = m_pEvent;
    control->parkIfOrphaned();
    const bool signalled = event->wait(ms);
    control->parkIfOrphaned();
    return signalled;
}

void ZqThread::setEvent() {
    m_pEvent->set();
}

void ZqThread::resetEvent() {
    m_pEvent->reset();
}

bool ZqThread::setPriority(const PRIORITY priority) {
    return zqp::setThreadPriority(m_control->osThreadId, static_cast<int>(priority));
}

bool ZqThread::setAffinityMask(const unsigned mask) {
    return zqp::setThreadAffinity(m_control->osThreadId, mask);
}

uint32_t ZqThread::getErrorCode() const {
    const std::lock_guard<std::mutex> hold(m_control->mutex);
    return m_control->errorCode;
}

bool ZqThread::setCurrentPriority(const PRIORITY priority) {
    return zqp::setThreadPriority(0, static_cast<int>(priority));
}

bool ZqThread::setCurrentAffinityMask(const unsigned mask) {
    return zqp::setThreadAffinity(0, mask);
}

void ZqThread::sleep(const long ms) {
    zqp::sleepMs(ms);
}
