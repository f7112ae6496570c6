#include "zq/file/ZqZlib.h"

#include "zq/memory/ZqMemAlloc.h"
#include "zq/platform/zlib/zlib.h"

#include <cstring>

namespace {

// A chain of output chunks; each is one block holding the link and chunk-size bytes.
class ChunkChain {
public:
    explicit ChunkChain(const uint32_t chunkSize) : m_chunkSize(chunkSize) {}
    ~ChunkChain() {
        while (m_pFirst != nullptr) {
            Chunk* const next = m_pFirst->next;
            ZqMemAlloc::deallocate(m_pFirst);
            m_pFirst = next;
        }
    }
    ChunkChain(const ChunkChain&) = delete;
    ChunkChain& operator=(const ChunkChain&) = delete;

    // The new last chunk's bytes, or null when it cannot be allocated.
    uint8_t* append() {
        const uint64_t bytes = sizeof(Chunk) + static_cast<uint64_t>(m_chunkSize);
        if (bytes > 0xFFFFFFFFu) {
            return nullptr;
        }
        auto* const chunk = static_cast<Chunk*>(ZqMemAlloc::allocate(static_cast<uint32_t>(bytes)));
        if (chunk == nullptr) {
            return nullptr;
        }
        chunk->next = nullptr;
        if (m_pLast != nullptr) {
            m_pLast->next = chunk;
        } else {
            m_pFirst = chunk;
        }
        m_pLast = chunk;
        return dataOf(chunk);
    }

    // Copies the first total bytes of the chain out, chunk by chunk.
    void copyTo(uint8_t* out, uint64_t total) const {
        for (const Chunk* c = m_pFirst; c != nullptr && total != 0; c = c->next) {
            const uint64_t n = total < m_chunkSize ? total : m_chunkSize;
            std::memcpy(out, dataOf(c), n);
            out += n;
            total -= n;
        }
    }

private:
    struct Chunk {
        Chunk* next;
    };
    static uint8_t* dataOf(Chunk* const c) { return reinterpret_cast<uint8_t*>(c + 1); }
    static const uint8_t* dataOf(const Chunk* const c) {
        return reinterpret_cast<const uint8_t*>(c + 1);
    }

    const uint32_t m_chunkSize;
    Chunk* m_pFirst = nullptr;
    Chunk* m_pLast = nullptr;
};

void* run(zqp::ZlibStream& stream, const void* const source, const uint32_t sourceSize,
          uint32_t* const size, const uint32_t chunkSize) {
    const uint64_t limit = *size != 0 ? *size : 0xFFFFFFFFu;
    ChunkChain chain(chunkSize);
    uint8_t* out = chain.append();
    if (out == nullptr) {
        return nullptr;
    }
    stream.setInput(source, sourceSize);
    stream.setOutput(out, chunkSize);
    // Bytes in the full chunks before the current one.
    uint64_t collected = 0;
    bool finish = false;
    for (;;) {
        if (stream.getAvailableIn() == 0) {
            finish = true;
        }
        const zqp::ZlibStream::Result result = stream.step(finish);
        if (result == zqp::ZlibStream::Result::StreamEnd) {
            break;
        }
        // Out of room while finishing is no error: the stream goes on in the next chunk.
        // Without that, a stream whose input is used up before its output is written would
        // fail with any chunk smaller than the whole output.
        const bool full = stream.getAvailableOut() == 0;
        if (result != zqp::ZlibStream::Result::Ok &&
            !(result == zqp::ZlibStream::Result::BufferError && full)) {
            return nullptr;
        }
        if (!full) {
            continue;
        }
        if (collected > limit) {
            return nullptr;
        }
        collected += chunkSize;
        out = chain.append();
        if (out == nullptr) {
            return nullptr;
        }
        stream.setOutput(out, chunkSize);
    }
    const uint64_t total = collected + (chunkSize - stream.getAvailableOut());
    if (total > limit) {
        return nullptr;
    }
    // An empty result still gets a block of its own.
    auto* const buffer =
        static_cast<uint8_t*>(ZqMemAlloc::allocate(total != 0 ? static_cast<uint32_t>(total) : 1));
    if (buffer == nullptr) {
        return nullptr;
    }
    chain.copyTo(buffer, total);
    *size = static_cast<uint32_t>(total);
    return buffer;
}

constexpr uint32_t MIN_CHUNK_SIZE = 4;

} // namespace

void* ZqZlib::deflate(const void* const source, const uint32_t sourceSize, uint32_t* const size,
                      const int level, const uint32_t chunkSize) {
    if (source == nullptr || sourceSize == 0 || size == nullptr || level < 0 || level > 9 ||
        chunkSize < MIN_CHUNK_SIZE) {
        return nullptr;
    }
    zqp::ZlibStream stream;
    if (!stream.startDeflate(level)) {
        return nullptr;
    }
    return run(stream, source, sourceSize, size, chunkSize);
}

void* ZqZlib::inflate(const void* const source, const uint32_t sourceSize, uint32_t* const size,
                      const uint32_t chunkSize) {
    if (source == nullptr || sourceSize == 0 || size == nullptr || chunkSize < MIN_CHUNK_SIZE) {
        return nullptr;
    }
    zqp::ZlibStream stream;
    if (!stream.startInflate()) {
        return nullptr;
    }
    return run(stream, source, sourceSize, size, chunkSize);
}
