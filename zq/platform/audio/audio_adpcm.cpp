// Microsoft ADPCM: each block opens with, per channel, a predictor index, the step size
// (delta) and the two newest samples (sample 1, then sample 2), and goes on with 4-bit codes,
// high nibble first, channels alternating. The two header samples are the block's first
// frames, older first.
#include "zq/platform/audio/audio_internal.h"

#include "zq/file/ZqByteReader.h"

#include <algorithm>
#include <cstdint>

namespace zqp {

namespace {

constexpr int32_t ADAPTATION[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                    768, 614, 512, 409, 307, 230, 230, 230};

constexpr int32_t MAX_DELTA = INT32_MAX / 768;

struct ChannelState {
    int32_t c1 = 0;
    int32_t c2 = 0;
    int32_t delta = 0;
    int32_t s1 = 0;
    int32_t s2 = 0;
};

[[gnu::always_inline]] inline int16_t step(ChannelState& st, const uint32_t nibble) {
    const int32_t code = nibble >= 8 ? static_cast<int32_t>(nibble) - 16 : nibble;
    int32_t pred = (st.s1 * st.c1 + st.s2 * st.c2) / 256 + code * st.delta;
    pred = std::clamp(pred, -32768, 32767);
    st.s2 = st.s1;
    st.s1 = pred;
    // Stored deltas may be anything; the cap keeps the next products inside 32 bits.
    st.delta = std::clamp(ADAPTATION[nibble] * st.delta / 256, 16, MAX_DELTA);
    return static_cast<int16_t>(pred);
}

} // namespace

bool audioDecodeAdpcmBlock(const AudioFormat& format, const uint8_t* const block,
                           const uint32_t bytes, int16_t* const out, uint32_t& frames) {
    frames = 0;
    const uint32_t ch = format.channels;
    if (block == nullptr || out == nullptr || ch < 1 || ch > 2 || format.nrCoefs < 1 ||
        format.nrCoefs > 7 || format.samplesPerBlock < 2 || bytes < 7u * ch) {
        return false;
    }
    const ZqByteReader r(block, bytes);
    ChannelState st[2];
    for (uint32_t c = 0; c < ch; ++c) {
        uint8_t predictor = 0;
        int16_t delta = 0;
        int16_t s1 = 0;
        int16_t s2 = 0;
        r.u8(c, predictor);
        r.i16(ch + 2 * c, delta);
        r.i16(3 * ch + 2 * c, s1);
        r.i16(5 * ch + 2 * c, s2);
        if (predictor >= format.nrCoefs) {
            return false;
        }
        st[c].c1 = format.coefs[predictor][0];
        st[c].c2 = format.coefs[predictor][1];
        st[c].delta = delta;
        st[c].s1 = s1;
        st[c].s2 = s2;
        out[c] = s2;
        out[ch + c] = s1;
    }
    const uint32_t spb = format.samplesPerBlock;
    // Codes in the block after the headers, and frames they can fill.
    const uint64_t codes = static_cast<uint64_t>(bytes - 7u * ch) * 2;
    const uint32_t total = static_cast<uint32_t>(std::min<uint64_t>(spb, 2 + codes / ch));
    const uint8_t* const code = block + 7u * ch;
    if (ch == 1) {
        for (uint32_t i = 2; i < total; ++i) {
            const uint32_t k = i - 2;
            const uint8_t byte = code[k >> 1];
            out[i] = step(st[0], (k & 1) != 0 ? (byte & 0x0F) : (byte >> 4));
        }
    } else {
        // Stereo: one byte a frame, left in the high nibble.
        for (uint32_t i = 2; i < total; ++i) {
            const uint8_t byte = code[i - 2];
            out[2 * i] = step(st[0], byte >> 4);
            out[2 * i + 1] = step(st[1], byte & 0x0F);
        }
    }
    frames = total;
    return true;
}

} // namespace zqp
