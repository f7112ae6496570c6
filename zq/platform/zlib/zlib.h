// One zlib stream (RFC 1950: 15-bit window, memory level 8, default strategy) driven step by
// step by the framework's buffer compression. Only what that needs: start a compressor at a
// level or a decompressor, point input and output at memory, run one step with a sync flush
// or a finish. Not copyable. Depends on zlib.
#pragma once

#include <cstdint>
#include <memory>

namespace zqp {

class ZlibStream {
public:
    enum class Result { Ok, StreamEnd, BufferError, Error };

    ZlibStream();
    // Ends the stream when it was started.
    ~ZlibStream();
    ZlibStream(const ZlibStream&) = delete;
    ZlibStream& operator=(const ZlibStream&) = delete;

    // Starts a compressor at level 0..9; false for another level or when zlib refuses.
    bool startDeflate(int level);
    bool startInflate();

    void setInput(const void* data, uint32_t size);
    void setOutput(void* data, uint32_t size);
    uint32_t getAvailableIn() const;
    uint32_t getAvailableOut() const;
    // One call of the compressor or decompressor; finish selects Z_FINISH, else Z_SYNC_FLUSH.
    Result step(bool finish);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace zqp
