#include "zqmovie/CFileSourceFilter.h"

#include <chrono>

CFileSourceFilter::CFileSourceFilter(const uint32_t streamSize,
                                     const ZqGlShowTextureDll::SeekCallback seek,
                                     const ZqGlShowTextureDll::ReadCallback read)
    : m_streamSize(streamSize), m_seek(seek), m_read(read) {}

bool CFileSourceFilter::readAt(const int64_t position, const int64_t length,
                               uint8_t* const buffer) {
    // The callbacks take 32-bit positions and counts: a range outside the stream is never
    // passed on truncated.
    if (position < 0 || length < 0 || position > m_streamSize || length > m_streamSize - position ||
        (length != 0 && buffer == nullptr)) {
        return false;
    }
    const std::lock_guard<std::mutex> hold(m_readLock);
    if (m_seek == nullptr || m_read == nullptr || !m_seek(static_cast<uint32_t>(position))) {
        return false;
    }
    if (length == 0) {
        return true;
    }
    return m_read(buffer, static_cast<uint32_t>(length)) == static_cast<uint32_t>(length);
}

CFileSourceFilter::Result CFileSourceFilter::request(Sample* const sample, const uintptr_t user) {
    if (sample == nullptr) {
        return Result::Pointer;
    }
    {
        const std::lock_guard<std::mutex> hold(m_pinLock);
        if (m_flushing) {
            m_event = true;
            m_eventChanged.notify_all();
            return Result::WrongState;
        }
    }
    if (!readAt(sample->position, sample->length, sample->buffer)) {
        const std::lock_guard<std::mutex> hold(m_pinLock);
        m_event = true;
        m_eventChanged.notify_all();
        return Result::Fail;
    }
    sample->dataLength = sample->length;
    const std::lock_guard<std::mutex> hold(m_pinLock);
    m_queue.push_back({sample, user});
    m_event = true;
    m_eventChanged.notify_all();
    return Result::Ok;
}

CFileSourceFilter::Result CFileSourceFilter::waitForNext(const uint32_t timeoutMs,
                                                         Sample** const sample,
                                                         uintptr_t* const user) {
    if (sample == nullptr) {
        return Result::Pointer;
    }
    *sample = nullptr;
    if (user != nullptr) {
        *user = 0;
    }
    std::unique_lock<std::mutex> hold(m_pinLock);
    if (!m_eventChanged.wait_for(hold, std::chrono::milliseconds(timeoutMs),
                                 [this] { return m_event; })) {
        return Result::Timeout;
    }
    if (m_queue.empty()) {
        return m_flushing ? Result::WrongState : Result::Fail;
    }
    const Completed next = m_queue.front();
    m_queue.pop_front();
    if (m_queue.empty() && !m_flushing) {
        m_event = false;
    }
    *sample = next.sample;
    if (user != nullptr) {
        *user = next.user;
    }
    return Result::Ok;
}

CFileSourceFilter::Result CFileSourceFilter::syncRead(const int64_t position, const int64_t length,
                                                      uint8_t* const buffer) {
    return readAt(position, length, buffer) ? Result::Ok : Result::Fail;
}

CFileSourceFilter::Result CFileSourceFilter::syncReadAligned(Sample* const sample) {
    if (sample == nullptr) {
        return Result::Pointer;
    }
    return syncRead(sample->position, sample->length, sample->buffer);
}

void CFileSourceFilter::length(int64_t* const total, int64_t* const available) const {
    if (total != nullptr) {
        *total = m_streamSize;
    }
    if (available != nullptr) {
        *available = m_streamSize;
    }
}

void CFileSourceFilter::beginFlush() {
    const std::lock_guard<std::mutex> hold(m_pinLock);
    m_flushing = true;
    m_event = true;
    m_eventChanged.notify_all();
}

void CFileSourceFilter::endFlush() {
    const std::lock_guard<std::mutex> hold(m_pinLock);
    m_flushing = false;
    m_queue.clear();
    m_event = false;
}
