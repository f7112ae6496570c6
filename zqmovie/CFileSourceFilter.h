// CFileSourceFilter: the movie stream as the demuxer pulls it, read only through the caller's
// seek and read callbacks. A request reads its byte range at once and is queued as completed;
// waitForNext hands completed requests back in order. One read lock makes every seek-and-read
// pair one step, so the callbacks are never entered twice at once; a flush drops what is
// queued and refuses new requests until it ends.
// Not for: buffering or read-ahead; the demuxer's I/O context does that.
// Depends on: the standard library only (the I/O context bridge lives in the player).
#pragma once

#include "zqmovie/ZqGlShowTextureDll.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

class CFileSourceFilter {
public:
    enum class Result { Ok, Pointer, WrongState, Fail, Timeout };

    // One read: the byte range [position, position + length) into buffer; dataLength is set
    // when the read completes.
    struct Sample {
        int64_t position = 0;
        int64_t length = 0;
        uint8_t* buffer = nullptr;
        int64_t dataLength = 0;
    };

    CFileSourceFilter(uint32_t streamSize, ZqGlShowTextureDll::SeekCallback seek,
                      ZqGlShowTextureDll::ReadCallback read);
    CFileSourceFilter(const CFileSourceFilter&) = delete;
    CFileSourceFilter& operator=(const CFileSourceFilter&) = delete;

    // Reads the sample's range and queues it with the user value. Null: Pointer; during a
    // flush: WrongState (the event stays signalled); a failed or short read: Fail, nothing
    // queued.
    Result request(Sample* sample, uintptr_t user);
    // The oldest completed request, waiting up to timeoutMs. Null sample pointer: Pointer;
    // nothing within the time: Timeout; woken with an empty queue: WrongState while flushing,
    // else Fail.
    Result waitForNext(uint32_t timeoutMs, Sample** sample, uintptr_t* user);
    // Reads a range at once, bypassing the queue: Ok or Fail.
    Result syncRead(int64_t position, int64_t length, uint8_t* buffer);
    Result syncReadAligned(Sample* sample);
    // The stream size, total and available alike.
    void length(int64_t* total, int64_t* available) const;
    void beginFlush();
    void endFlush();

private:
    struct Completed {
        Sample* sample;
        uintptr_t user;
    };

    bool readAt(int64_t position, int64_t length, uint8_t* buffer);

    const int64_t m_streamSize;
    const ZqGlShowTextureDll::SeekCallback m_seek;
    const ZqGlShowTextureDll::ReadCallback m_read;

    // Guards the queue, the flushing flag and the event.
    std::mutex m_pinLock;
    std::condition_variable m_eventChanged;
    std::deque<Completed> m_queue;
    bool m_flushing = false;
    // Manual-reset: set while completed requests wait or a flush runs.
    bool m_event = false;
    // One seek-and-read on the caller's stream at a time.
    std::mutex m_readLock;
};
