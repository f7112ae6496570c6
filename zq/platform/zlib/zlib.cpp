#include "zq/platform/zlib/zlib.h"

// Input is read-only: zlib then declares it const.
#define ZLIB_CONST
#include <zlib.h>

namespace zqp {

struct ZlibStream::State {
    z_stream stream{};
    bool deflating = false;
    bool started = false;
};

ZlibStream::ZlibStream() : m_state(std::make_unique<State>()) {}

ZlibStream::~ZlibStream() {
    if (m_state->started) {
        if (m_state->deflating) {
            deflateEnd(&m_state->stream);
        } else {
            inflateEnd(&m_state->stream);
        }
    }
}

bool ZlibStream::startDeflate(const int level) {
    if (m_state->started || level < 0 || level > 9) {
        return false;
    }
    if (deflateInit2(&m_state->stream, level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        return false;
    }
    m_state->deflating = true;
    m_state->started = true;
    return true;
}

bool ZlibStream::startInflate() {
    if (m_state->started || inflateInit(&m_state->stream) != Z_OK) {
        return false;
    }
    m_state->deflating = false;
    m_state->started = true;
    return true;
}

void ZlibStream::setInput(const void* const data, const uint32_t size) {
    m_state->stream.next_in = static_cast<const Bytef*>(data);
    m_state->stream.avail_in = size;
}

void ZlibStream::setOutput(void* const data, const uint32_t size) {
    m_state->stream.next_out = static_cast<Bytef*>(data);
    m_state->stream.avail_out = size;
}

uint32_t ZlibStream::getAvailableIn() const {
    return m_state->stream.avail_in;
}

uint32_t ZlibStream::getAvailableOut() const {
    return m_state->stream.avail_out;
}

ZlibStream::Result ZlibStream::step(const bool finish) {
    if (!m_state->started) {
        return Result::Error;
    }
    const int flush = finish ? Z_FINISH : Z_SYNC_FLUSH;
    const int rc = m_state->deflating ? ::deflate(&m_state->stream, flush)
                                      : ::inflate(&m_state->stream, flush);
    switch (rc) {
    case Z_OK:
        return Result::Ok;
    case Z_STREAM_END:
        return Result::StreamEnd;
    case Z_BUF_ERROR:
        return Result::BufferError;
    default:
        return Result::Error;
    }
}

} // namespace zqp
