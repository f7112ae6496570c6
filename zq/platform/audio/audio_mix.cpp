// The mixer: one pass per block of up to AUDIO_BLOCK_FRAMES frames. Each started source voice
// pulls source frames from its queue into its resampling window (decoding PCM and ADPCM on the
// way), then interpolates them at its step into its send's bus with the gains of its channel
// volumes, output matrix and volume. Submix buses go to the mastering bus, which is the
// output. Runs with the engine's lock held; allocates nothing.
#include "zq/platform/audio/audio_internal.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace zqp {

namespace {

constexpr float INV_32768 = 1.0f / 32768.0f;
constexpr float INV_128 = 1.0f / 128.0f;

void toFloat(const int16_t* __restrict const src, float* __restrict const dst, const uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) {
        dst[i] = static_cast<float>(src[i]) * INV_32768;
    }
}

// Converts frames [at, at + n) of a slot to float.
void convert(AudioVoice& v, const AudioSlot& s, const uint32_t at, const uint32_t n,
             float* __restrict const dst) {
    const uint32_t ch = v.channels;
    const AudioFormat& f = v.format;
    if (f.formatTag == AUDIO_FORMAT_PCM && f.bitsPerSample == 8) {
        const uint8_t* __restrict const src = s.frames + static_cast<size_t>(at) * ch;
        for (uint32_t i = 0; i < n * ch; ++i) {
            dst[i] = (static_cast<float>(src[i]) - 128.0f) * INV_128;
        }
        return;
    }
    if (f.formatTag != AUDIO_FORMAT_ADPCM) {
        // 16-bit PCM, or xWMA already decoded to it.
        const uint8_t* const src = s.frames + static_cast<size_t>(at) * ch * 2;
        // Copied to aligned samples a stretch at a time, then converted in a loop that the
        // compiler vectorises (samples are little-endian, as on every machine we build for).
        static_assert(std::endian::native == std::endian::little);
        constexpr uint32_t STRETCH = 256;
        int16_t tmp[STRETCH];
        const uint32_t count = n * ch;
        for (uint32_t done = 0; done < count; done += STRETCH) {
            const uint32_t m = std::min(STRETCH, count - done);
            std::memcpy(tmp, src + 2 * static_cast<size_t>(done), 2 * static_cast<size_t>(m));
            toFloat(tmp, dst + done, m);
        }
        return;
    }
    const uint32_t spb = f.samplesPerBlock;
    uint32_t done = 0;
    while (done < n) {
        const uint32_t pos = at + done;
        const uint8_t* const block = s.frames + static_cast<size_t>(pos / spb) * f.blockAlign;
        if (block != v.cachedBlock) {
            uint32_t got = 0;
            if (!audioDecodeAdpcmBlock(f, block, f.blockAlign, v.blockCache.data(), got)) {
                std::fill(v.blockCache.begin(), v.blockCache.end(), int16_t{0});
            }
            v.cachedBlock = block;
        }
        const uint32_t off = pos % spb;
        const uint32_t take = std::min(n - done, spb - off);
        const int16_t* __restrict const src = v.blockCache.data() + static_cast<size_t>(off) * ch;
        float* __restrict const out = dst + static_cast<size_t>(done) * ch;
        toFloat(src, out, take * ch);
        done += take;
    }
}

// Fills `want` frames of dst from the queue, running the buffer and loop notifications; frames
// the queue cannot give are silence.
void pull(AudioVoice& v, float* dst, uint32_t want) {
    AudioVoiceCallback* const cb = v.callback;
    while (want > 0 && v.count > 0) {
        AudioSlot& s = v.slots[v.head];
        if (!s.started) {
            s.started = true;
            s.position = s.playBegin;
            if (cb != nullptr) {
                cb->onBufferStart(s.buffer.context);
            }
        }
        const uint32_t end = s.loopsLeft > 0 ? s.loopEnd : s.playEnd;
        if (s.position >= end) {
            if (s.loopsLeft > 0) {
                if (s.loopsLeft != AUDIO_LOOP_INFINITE) {
                    --s.loopsLeft;
                }
                s.position = s.loopBegin;
                if (cb != nullptr) {
                    cb->onLoopEnd(s.buffer.context);
                }
                continue;
            }
            void* const context = s.buffer.context;
            const bool streamEnd = (s.buffer.flags & AUDIO_END_OF_STREAM) != 0;
            v.head = (v.head + 1) % AUDIO_MAX_QUEUED;
            --v.count;
            if (cb != nullptr) {
                cb->onBufferEnd(context);
                if (streamEnd) {
                    cb->onStreamEnd();
                }
            }
            continue;
        }
        const uint32_t n = std::min(want, end - s.position);
        convert(v, s, s.position, n, dst);
        s.position += n;
        v.samplesPlayed += n;
        dst += static_cast<size_t>(n) * v.channels;
        want -= n;
    }
    if (want > 0) {
        std::fill(dst, dst + static_cast<size_t>(want) * v.channels, 0.0f);
    }
}

// Positions in the window are 32.32 fixed point: the integer part picks the frame, the
// fraction weighs it against the next.
constexpr double FIXED_ONE = 4294967296.0;

template <uint32_t CH, uint32_t OUT>
void resampleInto(const float* __restrict const w, const uint64_t phase, const uint64_t step,
                  const uint32_t frames, const float (&gains)[AUDIO_MAX_BUS_CHANNELS][2],
                  float* __restrict const bus) {
    // Local copies: the compiler need not reload them after every store to the bus.
    float gain[OUT][CH];
    for (uint32_t o = 0; o < OUT; ++o) {
        for (uint32_t c = 0; c < CH; ++c) {
            gain[o][c] = gains[o][c];
        }
    }
    if (phase == 0 && step == (1ull << 32)) {
        for (uint32_t i = 0; i < frames; ++i) {
            for (uint32_t o = 0; o < OUT; ++o) {
                float acc = 0.0f;
                for (uint32_t c = 0; c < CH; ++c) {
                    acc += gain[o][c] * w[i * CH + c];
                }
                bus[i * OUT + o] += acc;
            }
        }
        return;
    }
    constexpr float FRACTION = 1.0f / 4294967296.0f;
    uint64_t p = phase;
    for (uint32_t i = 0; i < frames; ++i, p += step) {
        const uint32_t k = static_cast<uint32_t>(p >> 32);
        const float t = static_cast<float>(static_cast<uint32_t>(p)) * FRACTION;
        const float* const a = w + k * CH;
        float s[CH];
        for (uint32_t c = 0; c < CH; ++c) {
            s[c] = a[c] + (a[CH + c] - a[c]) * t;
        }
        for (uint32_t o = 0; o < OUT; ++o) {
            float acc = 0.0f;
            for (uint32_t c = 0; c < CH; ++c) {
                acc += gain[o][c] * s[c];
            }
            bus[i * OUT + o] += acc;
        }
    }
}

void mixSource(AudioVoice& v, const uint32_t frames, const double outRate) {
    AudioVoiceCallback* const cb = v.callback;
    // Ends of flushed buffers are told here, on the mixer thread, in the order they were queued.
    for (uint32_t i = 0; i < v.flushedCount; ++i) {
        if (cb != nullptr) {
            cb->onBufferEnd(v.flushedContexts[i]);
        }
    }
    v.flushedCount = 0;
    if (!v.started) {
        return;
    }
    if (cb != nullptr) {
        cb->onVoiceProcessingPassStart(0);
    }
    if (v.count == 0) {
        // Nothing queued: forget the interpolation history so that the next buffer starts clean.
        v.windowFrames = 0;
        v.phase = 0;
    } else {
        const uint32_t ch = v.channels;
        const uint64_t step = static_cast<uint64_t>(
            static_cast<double>(v.ratio) * v.sampleRate / outRate * FIXED_ONE + 0.5);
        const uint64_t endPos = v.phase + step * frames;
        const uint32_t lastNeeded =
            static_cast<uint32_t>((v.phase + step * (frames - 1)) >> 32) + 1;
        const uint32_t base = static_cast<uint32_t>(endPos >> 32);
        const uint32_t needed = std::max(lastNeeded, base) + 1;
        const uint32_t capacity = static_cast<uint32_t>(v.window.size() / ch);
        if (needed <= capacity) {
            if (needed > v.windowFrames) {
                pull(v, v.window.data() + static_cast<size_t>(v.windowFrames) * ch,
                     needed - v.windowFrames);
                v.windowFrames = needed;
            }
            float gain[AUDIO_MAX_BUS_CHANNELS][2] = {};
            const uint32_t outs = v.send->channels;
            for (uint32_t o = 0; o < outs; ++o) {
                for (uint32_t c = 0; c < ch; ++c) {
                    gain[o][c] = v.matrix[o][c] * v.channelVolumes[c] * v.volume;
                }
            }
            float* const bus = v.send->bus.data();
            const float* const w = v.window.data();
            if (ch == 1 && outs == 2) {
                resampleInto<1, 2>(w, v.phase, step, frames, gain, bus);
            } else if (ch == 2 && outs == 2) {
                resampleInto<2, 2>(w, v.phase, step, frames, gain, bus);
            } else if (ch == 1) {
                resampleInto<1, 1>(w, v.phase, step, frames, gain, bus);
            } else {
                resampleInto<2, 1>(w, v.phase, step, frames, gain, bus);
            }
            // Keep the frames from the new integer position on for the next block.
            const uint32_t keep = v.windowFrames - base;
            std::memmove(v.window.data(), v.window.data() + static_cast<size_t>(base) * ch,
                         static_cast<size_t>(keep) * ch * sizeof(float));
            v.windowFrames = keep;
            v.phase = endPos - (static_cast<uint64_t>(base) << 32);
        }
    }
    if (cb != nullptr) {
        cb->onVoiceProcessingPassEnd();
    }
}

} // namespace

void audioMixLocked(AudioEngine* const engine, float* out, uint32_t frames) {
    AudioVoice* const master = engine->mastering;
    const uint32_t outCh = master->channels;
    const double outRate = master->sampleRate;
    while (frames > 0) {
        const uint32_t n = std::min(frames, AUDIO_BLOCK_FRAMES);
        for (AudioVoice* const v : engine->voices) {
            if (v->kind != AudioVoiceKind::SOURCE) {
                std::fill(v->bus.begin(), v->bus.begin() + static_cast<size_t>(n) * v->channels,
                          0.0f);
            }
        }
        for (AudioVoice* const v : engine->voices) {
            if (v->kind == AudioVoiceKind::SOURCE) {
                mixSource(*v, n, outRate);
            }
        }
        for (AudioVoice* const v : engine->voices) {
            if (v->kind != AudioVoiceKind::SUBMIX) {
                continue;
            }
            // Submixes have the mastering voice's channel count or one channel less.
            const float g = v->volume;
            float* const dst = master->bus.data();
            const float* const src = v->bus.data();
            for (uint32_t i = 0; i < n; ++i) {
                for (uint32_t o = 0; o < outCh; ++o) {
                    dst[i * outCh + o] += g * src[i * v->channels + std::min(o, v->channels - 1)];
                }
            }
        }
        const float g = master->volume;
        const float* const src = master->bus.data();
        for (uint32_t i = 0; i < n * outCh; ++i) {
            out[i] = g * src[i];
        }
        out += static_cast<size_t>(n) * outCh;
        frames -= n;
    }
}

} // namespace zqp
