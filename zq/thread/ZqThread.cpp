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
    int32_t osThreadId = 0;
    uint32_t errorCode = 0;
    std::thread thread;
};

ZqThread::ZqThread() {
    try {
        m_pEvent = std::make_unique<ZqEvent>();
        m_control = std::make_shared<Control>();
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
    {
        const std::lock_guard<std::mutex> hold(c.mutex);
        if (!c.started) {
            c.cancelled = true;
        }
    }
    c.cv.notify_all();
    if (c.thread.joinable()) {
        bool wasStarted = false;
        {
            const std::lock_guard<std::mutex> hold(c.mutex);
            wasStarted = c.started;
        }
        if (wasStarted) {
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
        c.cv.notify_all();
        c.cv.wait(hold, [&c] { return c.started || c.cancelled; });
        if (c.cancelled) {
            return;
        }
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

bool ZqThread::waitEvent(const unsigned ms) { return m_pEvent->wait(ms); }

void ZqThread::setEvent() { m_pEvent->set(); }

void ZqThread::resetEvent() { m_pEvent->reset(); }

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

void ZqThread::sleep(const long ms) { zqp::sleepMs(ms); }
