// Private state of the audio service, shared by the mixer, the decoders and the sinks.
#pragma once

#include "zq/platform/audio/audio.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace zqp {

// Frames mixed in one pass: about 10 ms at 48 kHz.
constexpr uint32_t AUDIO_BLOCK_FRAMES = 480;
// Channels of submix and mastering voices.
constexpr uint32_t AUDIO_MAX_BUS_CHANNELS = 2;

class AudioWmaDecoder;

// One queued buffer. For xWMA the decoded 16-bit frames live in `decoded`, which the slot
// keeps between uses so that the mixer thread never frees it.
struct AudioSlot {
    AudioBuffer buffer;
    const uint8_t* frames = nullptr; // PCM data or decoded xWMA frames
    uint32_t totalFrames = 0;
    uint32_t playBegin = 0;
    uint32_t playEnd = 0;
    uint32_t loopBegin = 0;
    uint32_t loopEnd = 0;
    uint32_t loopsLeft = 0;
    uint32_t position = 0;
    bool started = false;
    std::vector<int16_t> decoded;
    // What `decoded` was made from, so that a buffer played again after a flush is not
    // decoded again.
    const uint8_t* keyData = nullptr;
    uint32_t keyBytes = 0;
    const uint32_t* keyTable = nullptr;
    uint32_t keyCount = 0;
    bool keyValid = false;
};

enum class AudioVoiceKind : uint8_t { SOURCE, SUBMIX, MASTERING };

struct AudioVoice {
    AudioEngine* engine = nullptr;
    AudioVoiceKind kind = AudioVoiceKind::SOURCE;
    AudioFormat format;
    uint32_t channels = 0;
    uint32_t sampleRate = 0;
    AudioVoice* send = nullptr;
    AudioVoiceCallback* callback = nullptr;
    float maxRatio = 2.0f;
    float ratio = 1.0f;
    float volume = 1.0f;
    float channelVolumes[2] = {1.0f, 1.0f};
    // Rows per output channel, columns per source channel.
    float matrix[AUDIO_MAX_BUS_CHANNELS][2] = {{1.0f, 0.0f}, {0.0f, 1.0f}};
    bool started = false;

    AudioSlot slots[AUDIO_MAX_QUEUED];
    uint32_t head = 0;
    uint32_t count = 0;
    // Contexts of flushed buffers whose end notification the mixer still owes.
    void* flushedContexts[AUDIO_MAX_QUEUED] = {};
    uint32_t flushedCount = 0;
    bool streamEndOwed = false;

    // Resampling window: source frames as float, the first at the integer position before the
    // fractional phase (32.32 fixed point, below 1.0).
    std::vector<float> window;
    uint32_t windowFrames = 0;
    uint64_t phase = 0;
    uint64_t samplesPlayed = 0;

    // ADPCM: the decoded block that the mixer reads from.
    std::vector<int16_t> blockCache;
    const uint8_t* cachedBlock = nullptr;

    // Submix and mastering: the block being summed.
    std::vector<float> bus;

    std::unique_ptr<AudioWmaDecoder> wma;
    bool wmaFresh = true;

    ~AudioVoice();
};

// The sink's own state: the SDL device playing the mastering voice (0: none).
struct AudioSinkState {
    uint32_t device = 0;
    bool sdlStarted = false;
};

struct AudioEngine {
    AudioSink sink = AudioSink::SDL;
    std::mutex lock;
    std::vector<AudioVoice*> voices; // every voice, sources first in creation order
    AudioVoice* mastering = nullptr;
    std::vector<float> scratch; // one source block, after resampling
    AudioSinkState sinkState;
};

// Mixes `frames` frames (any count) into `out`; the engine's lock is held by the caller.
void audioMixLocked(AudioEngine* engine, float* out, uint32_t frames);

// Sinks (audio_sdl2.cpp).
bool audioSinkStart(AudioEngine* engine);
void audioSinkStop(AudioEngine* engine);
uint32_t audioSinkDeviceCount(const AudioEngine* engine);
bool audioSinkDeviceDetails(const AudioEngine* engine, uint32_t index, std::u16string& name,
                            uint32_t& sampleRate);
bool audioSinkOpen(AudioEngine* engine, uint32_t channels, uint32_t sampleRate, uint32_t device);
void audioSinkClose(AudioEngine* engine);

// xWMA (audio_wma.cpp).
class AudioWmaDecoder {
public:
    static std::unique_ptr<AudioWmaDecoder> create(const AudioFormat& format);
    virtual ~AudioWmaDecoder() = default;
    // Decodes the packets of a buffer into 16-bit frames, exactly as many as the table's last
    // cumulative count says; false when the data does not hold the packets or does not decode.
    virtual bool decode(const uint8_t* data, uint32_t bytes, const AudioWmaTable& table,
                        std::vector<int16_t>& out) = 0;
    virtual void reset() = 0;
};

} // namespace zqp
