// The file worker: the request queue, the result list, the thread that serves them and the
// start, claim and wait members over them.
#include "zq/file/ZqArcFile.h"
#include "zq/file/ZqFile.h"
#include "zq/file/ZqFile_test.h"
#include "zq/memory/ZqMemAlloc.h"
#include "zq/platform/os/lasterror.h"
#include "zq/platform/os/os.h"
#include "zq/system/ZqError.h"
#include "zq/thread/ZqThread.h"

#include <atomic>
#include <cstdlib>
#include <new>

// One request and, after the work, its result.
struct ZqFile::FileData {
    uint32_t requestId = 0;
    uint32_t kind = KIND_LOAD;
    // Load and archive load: the smallest acceptable size.
    uint32_t minSize = 0;
    // Load and archive load: in, the limit; out, the size loaded. Save: bytes to write.
    // Archive open: out, 1 when the archive opened.
    uint32_t size = 0;
    // Load and archive load: out, the loaded bytes (null on failure).
    void* buffer = nullptr;
    // Save: in, the caller's data; out, unchanged on success, null when writing failed.
    const void* data = nullptr;
    ZqString fileName;
    // The caller passed no name at all (kept apart from an empty one).
    bool nullName = false;
    // The static members' requests: the Io is the current one, looked up when queued.
    bool currentIo = false;
    Io* io = nullptr;
    ZqArcFile* arc = nullptr;
    // Archive open and load: the worker's last-error value after a failure, handed to the
    // thread that claims the result.
    uint32_t errorCode = 0;
};

class ZqFile::Thread : public ZqThread {
public:
    void run() override;
    // Refuses new requests, asks the worker to end after what was queued and waits up to ms
    // milliseconds for it; true when it has ended.
    bool finish(unsigned ms);
    uint32_t getExceptionCode() const { return m_exceptionCode; }

private:
    void drainQueue();
    static void work(FileData& request);
    // Finishes every request still queued as failed; the worker has died.
    static void failQueued();

    std::atomic<bool> m_quit{false};
    uint32_t m_exceptionCode = 0;
};

namespace {

// True from sysInit until the worker has ended, by quitting or by an exception.
std::atomic<bool> g_workerAlive{false};
// True from sysInit until quit is requested or the worker dies; guarded by the queue's lock.
// Requests made while it is false finish at once as failed, so that a quit cannot be held
// off by threads that keep loading and nobody waits for a worker that is gone.
bool g_accepting = false;
// How long the program's end waits for a busy worker.
constexpr unsigned EXIT_WAIT_MS = 500;
// Counts the worker's shut-downs; a waiting call ends when its worker is gone even if a new
// one has been started since (its result went with the old one).
std::atomic<uint32_t> g_generation{0};
// The generation the calling thread's last request was queued in, and whether it was refused
// (finished at once as failed; its result is gone when the framework was down).
thread_local uint32_t t_queuedGeneration = 0;
thread_local bool t_queuedRefused = false;
// The test hook's exception: thrown by the worker instead of serving a request.
std::atomic<uint32_t> g_testThrowCode{0};
std::atomic<uint32_t> g_testThrowAfter{0};
// The test hook's hold: the worker waits before each request while it is set.
std::atomic<bool> g_testHold{false};
// What the last quit found queued, and how many requests the worker took after it began.
std::atomic<uint32_t> g_queuedAtQuit{0};
std::atomic<uint32_t> g_takenAfterQuit{0};
// The request the worker is serving (taken from the queue, result not yet listed) and its
// name, for the fixed-step frames' wait; guarded by the queue's lock.
bool g_serving = false;
ZqString g_servingName;

void setNameOf(ZqString& fileName, bool& nullName, const char16_t* const name) {
    nullName = name == nullptr;
    fileName = name != nullptr ? name : u"";
}

// The thread's last-error value after an archive request, 0 when it succeeded.
uint32_t errorOf(const bool ok) {
    return ok ? 0 : zqp::getLastError();
}

// Archive requests that were never served report the last-error value of an aborted
// operation.
constexpr uint32_t ERROR_OPERATION_ABORTED = 995;

} // namespace

std::unique_ptr<ZqFile::Io> ZqFile::m_pDefaultFileIo;
ZqFile::Io* ZqFile::m_pCurrentFileIo = nullptr;
std::unique_ptr<std::deque<ZqFile::FileData>> ZqFile::m_pFileQueue;
std::unique_ptr<std::list<ZqFile::FileData>> ZqFile::m_pFileList;
std::unique_ptr<ZqFile::Thread> ZqFile::m_pThread;
ZqCriticalSection ZqFile::m_csFileQueue;
ZqCriticalSection ZqFile::m_csFileList;
uint32_t ZqFile::m_requestId = 0;

void ZqFile::failResult(FileData& request) {
    switch (request.kind) {
    case KIND_LOAD:
    case KIND_ARC_LOAD:
        request.buffer = nullptr;
        request.size = 0;
        break;
    case KIND_SAVE:
        request.data = nullptr;
        break;
    default:
        request.size = 0;
        break;
    }
    if (request.kind == KIND_ARC_OPEN || request.kind == KIND_ARC_LOAD) {
        request.errorCode = ERROR_OPERATION_ABORTED;
    }
}

void ZqFile::Thread::run() {
    try {
        for (;;) {
            drainQueue();
            // Everything queued before the quit request has been served once the queue is
            // seen empty after it.
            if (m_quit.load()) {
                const ZqLockGuard hold(m_csFileQueue);
                if (m_pFileQueue->empty()) {
                    break;
                }
                continue;
            }
            waitEvent(INFINITE_WAIT);
        }
    } catch (const unsigned code) {
        m_exceptionCode = code;
    } catch (const std::bad_alloc&) {
        m_exceptionCode = ZqError::OUT_OF_MEMORY;
    } catch (...) {
        m_exceptionCode = ZqError::UNKNOWN_EXCEPTION;
    }
    // Callers that see a failed request may ask at once whether the worker is gone: say so first.
    g_workerAlive.store(false);
    if (m_exceptionCode != 0) {
        failQueued();
    }
}

void ZqFile::Thread::failQueued() {
    std::deque<FileData> stranded;
    {
        const ZqLockGuard hold(m_csFileQueue);
        g_accepting = false;
        stranded.swap(*m_pFileQueue);
    }
    const ZqLockGuard hold(m_csFileList);
    for (FileData& request : stranded) {
        failResult(request);
        m_pFileList->push_back(std::move(request));
    }
}

void ZqFile::Thread::drainQueue() {
    m_csFileQueue.lock();
    while (!m_pFileQueue->empty()) {
        FileData request = std::move(m_pFileQueue->front());
        m_pFileQueue->pop_front();
        if (m_quit.load()) {
            ++g_takenAfterQuit;
        }
        g_serving = true;
        g_servingName = request.fileName;
        m_csFileQueue.unlock();
        // An exception from the work ends the worker (run keeps its code); no lock is held.
        // The request still finishes, as failed, so that its caller does not wait for ever.
        try {
            work(request);
        } catch (...) {
            failResult(request);
            {
                const ZqLockGuard hold(m_csFileList);
                m_pFileList->push_back(std::move(request));
            }
            const ZqLockGuard hold(m_csFileQueue);
            g_serving = false;
            throw;
        }
        {
            const ZqLockGuard hold(m_csFileList);
            m_pFileList->push_back(std::move(request));
        }
        m_csFileQueue.lock();
        g_serving = false;
    }
    m_csFileQueue.unlock();
}

void ZqFile::Thread::work(FileData& request) {
    const uint32_t testCode = g_testThrowCode.load();
    if (testCode != 0 && g_testThrowAfter.fetch_sub(1) == 0) {
        g_testThrowCode.store(0);
        throw testCode;
    }
    while (g_testHold.load()) {
        zqp::sleepMs(1);
    }
    const char16_t* const name = request.nullName ? nullptr : request.fileName.c_str();
    switch (request.kind) {
    case KIND_LOAD:
        request.buffer = request.io != nullptr
                             ? request.io->loadBody(name, request.minSize, &request.size)
                             : nullptr;
        break;
    case KIND_SAVE:
        if (request.io == nullptr || !request.io->saveBody(name, request.data, request.size)) {
            request.data = nullptr;
        }
        break;
    case KIND_ARC_OPEN: {
        zqp::setLastError(0);
        const bool opened = request.arc->ropenBody(name);
        request.size = opened ? 1 : 0;
        request.errorCode = errorOf(opened);
        break;
    }
    case KIND_ARC_LOAD:
        zqp::setLastError(0);
        request.buffer = request.arc->loadBody(name, request.minSize, &request.size);
        request.errorCode = errorOf(request.buffer != nullptr);
        break;
    default:
        break;
    }
}

void ZqFile::sysInit() {
    if (m_pThread) {
        return;
    }
    // Loaded buffers are made on the worker and freed on the caller's thread.
    zqp::keepFreedHeap(ZqArcFile::MAX_DATA_SIZE + 8);
    {
        const ZqLockGuard hold(m_csFileList);
        m_pFileList = std::make_unique<std::list<FileData>>();
    }
    {
        const ZqLockGuard hold(m_csFileQueue);
        m_pDefaultFileIo = std::make_unique<Io>();
        m_pCurrentFileIo = m_pDefaultFileIo.get();
        m_pFileQueue = std::make_unique<std::deque<FileData>>();
        m_pThread = std::make_unique<Thread>();
        g_accepting = true;
    }
    g_workerAlive.store(true);
    m_pThread->start();
    static const bool hooked = std::atexit(&ZqFile::stopAtExit) == 0;
    (void)hooked;
}

bool ZqFile::Thread::finish(const unsigned ms) {
    {
        // From here on requests finish at once as failed: the worker ends after what was
        // queued before, however busy other threads keep it.
        const ZqLockGuard hold(m_csFileQueue);
        g_accepting = false;
        m_quit.store(true);
        g_testHold.store(false);
        g_queuedAtQuit.store(static_cast<uint32_t>(m_pFileQueue->size()));
        g_takenAfterQuit.store(0);
    }
    setEvent();
    return join(ms);
}

void ZqFile::stopAtExit() {
    if (!m_pThread) {
        return;
    }
    // What was queued is still served, for a bounded time; a worker stuck in a request is
    // left running and everything it may still touch is left in place.
    if (!m_pThread->finish(EXIT_WAIT_MS)) {
        (void)m_pThread.release();
        (void)m_pFileQueue.release();
        (void)m_pFileList.release();
        (void)m_pDefaultFileIo.release();
        return;
    }
    g_workerAlive.store(false);
    const ZqLockGuard hold(m_csFileQueue);
    m_pThread.reset();
}

void ZqFile::sysQuit() {
    if (!m_pThread) {
        return;
    }
    m_pThread->finish(ZqThread::INFINITE_WAIT);
    g_workerAlive.store(false);
    const uint32_t code = m_pThread->getExceptionCode();
    {
        const ZqLockGuard hold(m_csFileQueue);
        m_pThread.reset();
        m_pFileQueue.reset();
        ++g_generation;
    }
    {
        // Loaded buffers nobody claimed have no other owner.
        const ZqLockGuard hold(m_csFileList);
        for (const FileData& result : *m_pFileList) {
            if (result.kind == KIND_LOAD || result.kind == KIND_ARC_LOAD) {
                ZqMemAlloc::deallocate(result.buffer);
            }
        }
        m_pFileList.reset();
    }
    {
        // The current Io is read under the queue's lock only, so no request made from here
        // on can still name the default Io.
        const ZqLockGuard hold(m_csFileQueue);
        m_pCurrentFileIo = nullptr;
        m_pDefaultFileIo.reset();
    }
    if (code != 0) {
        throw code;
    }
}

bool ZqFile::isWorkerAlive() {
    return g_workerAlive.load();
}

zqfile::test::QuitCounts zqfile::test::lastQuitCounts() {
    return {g_queuedAtQuit.load(), g_takenAfterQuit.load()};
}

void zqfile::test::holdWorker(const bool hold) {
    g_testHold.store(hold);
}

bool zqfile::test::waitForRequests(const uint32_t maxMs, std::u16string& pending) {
    const int64_t frequency = zqp::perfFrequency();
    const int64_t start = zqp::perfCounter();
    for (;;) {
        {
            const ZqLockGuard hold(ZqFile::m_csFileQueue);
            const bool queued = ZqFile::m_pFileQueue && !ZqFile::m_pFileQueue->empty();
            if (!queued && !g_serving) {
                pending.clear();
                return true;
            }
            pending = g_serving ? g_servingName : ZqFile::m_pFileQueue->front().fileName;
        }
        if ((zqp::perfCounter() - start) * 1000 / frequency >= maxMs) {
            return false;
        }
        zqp::sleepMs(1);
    }
}

void zqfile::test::throwFromWorker(const uint32_t code, const uint32_t after) {
    g_testThrowAfter.store(after);
    g_testThrowCode.store(code);
}

uint32_t ZqFile::queueBody(FileData&& request) {
    const ZqLockGuard hold(m_csFileQueue);
    request.requestId = m_requestId++;
    const uint32_t id = request.requestId;
    t_queuedGeneration = g_generation.load();
    if (request.currentIo) {
        request.io = m_pCurrentFileIo;
    }
    t_queuedRefused = !(m_pFileQueue && m_pThread && g_accepting);
    if (!t_queuedRefused) {
        m_pFileQueue->push_back(std::move(request));
        // Signalled under the lock so that the worker cannot be destroyed in between.
        m_pThread->setEvent();
        return id;
    }
    // Refused (quitting, or the worker has died): finished at once, as failed. Without a
    // result list the framework is down and nobody can claim it.
    failResult(request);
    const ZqLockGuard holdList(m_csFileList);
    if (m_pFileList) {
        m_pFileList->push_back(std::move(request));
    }
    return id;
}

uint32_t ZqFile::loadStartBody(Io* const io, const char16_t* const name, const uint32_t minSize,
                               const uint32_t limit) {
    FileData request;
    request.kind = KIND_LOAD;
    request.minSize = minSize;
    request.size = limit;
    setNameOf(request.fileName, request.nullName, name);
    request.io = io;
    request.currentIo = io == nullptr;
    return queueBody(std::move(request));
}

uint32_t ZqFile::saveStartBody(Io* const io, const char16_t* const name, const void* const data,
                               const uint32_t size) {
    FileData request;
    request.kind = KIND_SAVE;
    request.size = size;
    request.data = data;
    setNameOf(request.fileName, request.nullName, name);
    request.io = io;
    request.currentIo = io == nullptr;
    return queueBody(std::move(request));
}

uint32_t ZqFile::arcRopenStartBody(ZqArcFile* const arc, const char16_t* const name) {
    FileData request;
    request.kind = KIND_ARC_OPEN;
    setNameOf(request.fileName, request.nullName, name);
    request.arc = arc;
    return queueBody(std::move(request));
}

uint32_t ZqFile::arcLoadStartBody(ZqArcFile* const arc, const char16_t* const name,
                                  const uint32_t minSize, const uint32_t limit) {
    FileData request;
    request.kind = KIND_ARC_LOAD;
    request.minSize = minSize;
    request.size = limit;
    setNameOf(request.fileName, request.nullName, name);
    request.arc = arc;
    return queueBody(std::move(request));
}

bool ZqFile::claimBody(const uint32_t requestId, const uint32_t kind, FileData& result) {
    const ZqLockGuard hold(m_csFileList);
    if (!m_pFileList) {
        return false;
    }
    for (auto it = m_pFileList->begin(); it != m_pFileList->end(); ++it) {
        if (it->requestId != requestId) {
            continue;
        }
        // A claim of the wrong kind leaves the result for the right one.
        if (it->kind != kind) {
            return false;
        }
        result = std::move(*it);
        m_pFileList->erase(it);
        return true;
    }
    return false;
}

bool ZqFile::waitBody(const uint32_t requestId, const uint32_t kind, FileData& result) {
    // 100 polls that only yield, then a poll each millisecond for as long as the request
    // runs: giving up earlier would leave the worker using a buffer its owner is about to
    // free, and report a slow save as failed. Only a stopped worker ends the wait at once.
    // A refused request has finished already: waiting for it could outlast a restart that
    // threw its result away together with the old result list.
    if (t_queuedRefused) {
        return claimBody(requestId, kind, result);
    }
    const uint32_t generation = t_queuedGeneration;
    for (uint32_t poll = 0;; ++poll) {
        ZqThread::sleep(poll < 100 ? 0 : 1);
        const bool stopped = !isWorkerAlive() || g_generation.load() != generation;
        if (claimBody(requestId, kind, result)) {
            return true;
        }
        if (stopped) {
            return false;
        }
    }
}

bool ZqFile::isLoadFinishedBody(const uint32_t requestId, void** const buffer,
                                uint32_t* const size) {
    FileData result;
    if (buffer == nullptr || !claimBody(requestId, KIND_LOAD, result)) {
        return false;
    }
    *buffer = result.buffer;
    if (size != nullptr) {
        *size = result.size;
    }
    return true;
}

bool ZqFile::isSaveFinishedBody(const uint32_t requestId, const void** const data) {
    FileData result;
    if (data == nullptr || !claimBody(requestId, KIND_SAVE, result)) {
        return false;
    }
    *data = result.data;
    return true;
}

bool ZqFile::isArcRopenFinishedBody(const uint32_t requestId, bool* const opened) {
    FileData result;
    if (opened == nullptr || !claimBody(requestId, KIND_ARC_OPEN, result)) {
        return false;
    }
    *opened = result.size != 0;
    if (result.errorCode != 0) {
        zqp::setLastError(result.errorCode);
    }
    return true;
}

bool ZqFile::isArcLoadFinishedBody(const uint32_t requestId, void** const buffer,
                                   uint32_t* const size) {
    FileData result;
    if (buffer == nullptr || !claimBody(requestId, KIND_ARC_LOAD, result)) {
        return false;
    }
    *buffer = result.buffer;
    if (size != nullptr) {
        *size = result.size;
    }
    if (result.errorCode != 0) {
        zqp::setLastError(result.errorCode);
    }
    return true;
}

void* ZqFile::loadBody(Io* const io, const char16_t* const name, const uint32_t minSize,
                       uint32_t* const size) {
    const uint32_t id = loadStartBody(io, name, minSize, size != nullptr ? *size : 0);
    FileData result;
    if (!waitBody(id, KIND_LOAD, result)) {
        return nullptr;
    }
    if (size != nullptr) {
        *size = result.size;
    }
    return result.buffer;
}

bool ZqFile::saveBody(Io* const io, const char16_t* const name, const void* const data,
                      const uint32_t size) {
    const uint32_t id = saveStartBody(io, name, data, size);
    FileData result;
    return waitBody(id, KIND_SAVE, result) && result.data != nullptr;
}

bool ZqFile::arcRopenBody(ZqArcFile* const arc, const char16_t* const name) {
    const uint32_t id = arcRopenStartBody(arc, name);
    bool opened = false;
    FileData result;
    if (!waitBody(id, KIND_ARC_OPEN, result)) {
        return false;
    }
    opened = result.size != 0;
    if (result.errorCode != 0) {
        zqp::setLastError(result.errorCode);
    }
    return opened;
}

void* ZqFile::arcLoadBody(ZqArcFile* const arc, const char16_t* const name, const uint32_t minSize,
                          uint32_t* const size) {
    const uint32_t id = arcLoadStartBody(arc, name, minSize, size != nullptr ? *size : 0);
    FileData result;
    if (!waitBody(id, KIND_ARC_LOAD, result)) {
        return nullptr;
    }
    if (size != nullptr) {
        *size = result.size;
    }
    if (result.errorCode != 0) {
        zqp::setLastError(result.errorCode);
    }
    return result.buffer;
}

void ZqFile::setFileIo(Io* const io) {
    const ZqLockGuard hold(m_csFileQueue);
    m_pCurrentFileIo = io != nullptr ? io : m_pDefaultFileIo.get();
}

ZqFile::Io* ZqFile::getDefaultFileIo() {
    const ZqLockGuard hold(m_csFileQueue);
    return m_pDefaultFileIo.get();
}

// The static members pass no Io: the request takes the current one when it is queued.
void* ZqFile::load(const char16_t* const name, const uint32_t minSize, uint32_t* const size) {
    return loadBody(nullptr, name, minSize, size);
}

void* ZqFile::load(const char16_t* const name, uint32_t* const size) {
    return loadBody(nullptr, name, 0, size);
}

bool ZqFile::save(const char16_t* const name, const void* const data, const uint32_t size) {
    return saveBody(nullptr, name, data, size);
}

uint32_t ZqFile::loadStart(const char16_t* const name, const uint32_t minSize,
                           const uint32_t limit) {
    return loadStartBody(nullptr, name, minSize, limit);
}

uint32_t ZqFile::saveStart(const char16_t* const name, const void* const data,
                           const uint32_t size) {
    return saveStartBody(nullptr, name, data, size);
}

bool ZqFile::isLoadFinished(const uint32_t requestId, void** const buffer, uint32_t* const size) {
    return isLoadFinishedBody(requestId, buffer, size);
}

bool ZqFile::isSaveFinished(const uint32_t requestId, const void** const data) {
    return isSaveFinishedBody(requestId, data);
}
