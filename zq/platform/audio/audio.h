// The audio service: a small float mixer of source voices into one or more submix voices and
// one mastering voice, with an output sink. Source voices play queued buffers of 8/16-bit PCM,
// Microsoft ADPCM (decoded here) or xWMA (decoded through libavcodec when the buffer is
// submitted), each with a play region, a loop region and a loop count, at a frequency ratio of
// up to the voice's maximum, with per-channel volumes, an output matrix and a voice volume.
// Sinks: SDL2 audio (the real device, chosen from SDL's device list) and a null sink that
// renders only when a caller pulls frames (tests, benchmarks).
// Mixing runs in blocks of about 10 ms on the sink's thread (the mixer thread); voice callbacks
// run there too and must not call back into this service. The mixer thread never allocates;
// the lock it shares with the calls below is held only for short copies of state.
// Not for 3D positioning, effects or formats other than the three above.
#pragma once

#include <cstdint>
#include <string>

namespace zqp {

struct AudioEngine;
struct AudioVoice;

constexpr uint16_t AUDIO_FORMAT_PCM = 1;
constexpr uint16_t AUDIO_FORMAT_ADPCM = 2;
constexpr uint16_t AUDIO_FORMAT_WMA = 0x0161;

// A buffer's loop count that repeats its loop region until the voice is stopped.
constexpr uint32_t AUDIO_LOOP_INFINITE = 255;
// The buffer is the last of its stream (the stream-end notification follows it).
constexpr uint32_t AUDIO_END_OF_STREAM = 0x0040;
// Largest number of buffers queued on one source voice.
constexpr uint32_t AUDIO_MAX_QUEUED = 64;
constexpr float AUDIO_MAX_FREQUENCY_RATIO = 1024.0f;
constexpr float AUDIO_MIN_FREQUENCY_RATIO = 1.0f / 1024.0f;

// The coded format of a source voice. ADPCM also needs samplesPerBlock and the coefficient
// pairs; xWMA needs only the first six fields.
struct AudioFormat {
    uint16_t formatTag = AUDIO_FORMAT_PCM;
    uint16_t channels = 1;
    uint32_t sampleRate = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t samplesPerBlock = 0;
    uint16_t nrCoefs = 0;
    int16_t coefs[7][2] = {};
};

// One buffer handed to a source voice. The data is the caller's and must stay untouched until
// the buffer ends or the voice is flushed. Positions and lengths are in sample frames of the
// decoded audio: playLength 0 plays from playBegin to the end; loopLength 0 with a loop count
// loops from loopBegin to the end of the play region; loopCount is how often the loop region
// is played again (0: no loop, AUDIO_LOOP_INFINITE: endlessly).
struct AudioBuffer {
    uint32_t flags = 0;
    uint32_t bytes = 0;
    const uint8_t* data = nullptr;
    uint32_t playBegin = 0;
    uint32_t playLength = 0;
    uint32_t loopBegin = 0;
    uint32_t loopLength = 0;
    uint32_t loopCount = 0;
    void* context = nullptr;
};

// xWMA packets of a buffer: the cumulative decoded byte count at the end of each packet.
struct AudioWmaTable {
    const uint32_t* packets = nullptr;
    uint32_t count = 0;
};

// Notifications of a source voice, on the mixer thread. Default: nothing.
class AudioVoiceCallback {
public:
    virtual void onVoiceProcessingPassStart(uint32_t bytesRequired) {}
    virtual void onVoiceProcessingPassEnd() {}
    virtual void onStreamEnd() {}
    virtual void onBufferStart(void* context) {}
    virtual void onBufferEnd(void* context) {}
    virtual void onLoopEnd(void* context) {}
    virtual void onVoiceError(void* context, uint32_t error) {}

protected:
    ~AudioVoiceCallback() = default;
};

enum class AudioSink : uint8_t { SDL, NULL_SINK };

// The sink that engines made from now on use (default SDL). Tests pick the null sink.
void audioSetSink(AudioSink sink);
// The output rate the null sink reports for its device (default 48000); tests lower it to
// render long sounds cheaply without resampling.
void audioSetNullSinkRate(uint32_t sampleRate);

// The engine. False/null on failure. Main thread for everything that makes or destroys.
AudioEngine* audioCreateEngine();
// Destroys every voice still alive, then the engine; null is ignored.
void audioDestroyEngine(AudioEngine* engine);
// Output devices of the sink; device 0 is the system's default.
uint32_t audioGetDeviceCount(const AudioEngine* engine);
// Display name and preferred output rate of a device; false for an index out of range.
bool audioGetDeviceDetails(const AudioEngine* engine, uint32_t index, std::u16string& name,
                           uint32_t& sampleRate);

// The mastering voice: opens the device with that channel count and rate. One per engine.
AudioVoice* audioCreateMasteringVoice(AudioEngine* engine, uint32_t channels, uint32_t sampleRate,
                                      uint32_t deviceIndex);
// A submix voice sending to the mastering voice.
AudioVoice* audioCreateSubmixVoice(AudioEngine* engine, uint32_t channels, uint32_t sampleRate);
// A source voice sending to `send` (a submix voice; null: the mastering voice). Fails for a
// format it cannot play. The callback (may be null) must outlive the voice.
AudioVoice* audioCreateSourceVoice(AudioEngine* engine, const AudioFormat& format,
                                   float maxFrequencyRatio, AudioVoiceCallback* callback,
                                   AudioVoice* send);
// Stops and destroys a voice; no callback of it runs after this returns. Null is ignored. A
// submix or mastering voice must outlive the voices that send to it.
void audioDestroyVoice(AudioVoice* voice);

// Source voices: queue a buffer (false when the queue is full, the regions do not fit the
// data or xWMA data does not decode), start and stop taking samples from the queue, drop
// every queued buffer (the one playing included; its end notification follows), and the
// number of buffers queued including the one playing.
bool audioSubmitBuffer(AudioVoice* voice, const AudioBuffer& buffer, const AudioWmaTable* wma);
bool audioStart(AudioVoice* voice);
bool audioStop(AudioVoice* voice);
bool audioFlush(AudioVoice* voice);
uint32_t audioGetQueuedCount(const AudioVoice* voice);
// Sample frames still to play from the queued buffers (loop repeats counted; endless loops
// count as the largest value).
uint64_t audioGetFramesQueued(const AudioVoice* voice);
// Sample frames the voice has played since it was made.
uint64_t audioGetSamplesPlayed(const AudioVoice* voice);

// Any voice: linear volume, 1.0 unchanged.
bool audioSetVolume(AudioVoice* voice, float volume);
float audioGetVolume(const AudioVoice* voice);
// Source voices: one gain per source channel.
bool audioSetChannelVolumes(AudioVoice* voice, uint32_t count, const float* volumes);
// Source voices: the gains from each source channel to each output channel, row per output
// channel (outputs x sources values).
bool audioSetOutputMatrix(AudioVoice* voice, uint32_t sources, uint32_t outputs,
                          const float* matrix);
// Source voices: clamped to the voice's maximum ratio.
bool audioSetFrequencyRatio(AudioVoice* voice, float ratio);

// Null sink: renders `frames` frames of the mastering voice into `out` (interleaved, its
// channel count) on the calling thread, voice callbacks included. False without a mastering
// voice or with another sink.
bool audioRender(AudioEngine* engine, float* out, uint32_t frames);

// Decodes one Microsoft ADPCM block into interleaved 16-bit samples; false when the block is
// shorter than its header or the format is not one the voices take. Writes samplesPerBlock
// frames (fewer when the block is short: as many as its nibbles hold).
bool audioDecodeAdpcmBlock(const AudioFormat& format, const uint8_t* block, uint32_t bytes,
                           int16_t* out, uint32_t& frames);

} // namespace zqp
