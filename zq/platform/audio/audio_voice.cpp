// The engine and its voices: creation, buffer queues and settings. Every call takes the
// engine's lock only for the few assignments it makes; xWMA data is decoded before the lock is
// taken, on the caller's thread.
#include "zq/platform/audio/audio_internal.h"

#include <algorithm>
#include <cmath>

namespace zqp {

namespace {

AudioSink g_sink = AudioSink::SDL;

bool formatPlayable(const AudioFormat& f) {
    if (f.channels < 1 || f.channels > 2 || f.sampleRate < 1000 || f.sampleRate > 200000) {
        return false;
    }
    switch (f.formatTag) {
    case AUDIO_FORMAT_PCM:
        return (f.bitsPerSample == 8 || f.bitsPerSample == 16) &&
               f.blockAlign == f.channels * f.bitsPerSample / 8;
    case AUDIO_FORMAT_ADPCM:
        // Each channel's header takes 7 bytes; every other byte holds two frames of nibbles.
        return f.bitsPerSample == 4 && f.blockAlign >= 7u * f.channels && f.nrCoefs >= 1 &&
               f.nrCoefs <= 7 && f.samplesPerBlock >= 2 &&
               f.samplesPerBlock <= 2 + (f.blockAlign - 7u * f.channels) * 2u / f.channels;
    case AUDIO_FORMAT_WMA:
        return f.blockAlign > 0;
    default:
        return false;
    }
}

AudioVoice* addVoice(AudioEngine* engine, std::unique_ptr<AudioVoice> voice) {
    AudioVoice* const v = voice.release();
    const std::lock_guard<std::mutex> guard(engine->lock);
    engine->voices.push_back(v);
    return v;
}

} // namespace

AudioVoice::~AudioVoice() = default;

void audioSetSink(const AudioSink sink) {
    g_sink = sink;
}

AudioEngine* audioCreateEngine() {
    auto engine = std::make_unique<AudioEngine>();
    engine->sink = g_sink;
    engine->scratch.assign(AUDIO_BLOCK_FRAMES * AUDIO_MAX_BUS_CHANNELS, 0.0f);
    if (!audioSinkStart(engine.get())) {
        return nullptr;
    }
    return engine.release();
}

void audioDestroyEngine(AudioEngine* const engine) {
    if (engine == nullptr) {
        return;
    }
    audioSinkClose(engine);
    for (AudioVoice* const v : engine->voices) {
        delete v;
    }
    engine->voices.clear();
    engine->mastering = nullptr;
    audioSinkStop(engine);
    delete engine;
}

uint32_t audioGetDeviceCount(const AudioEngine* const engine) {
    return engine != nullptr ? audioSinkDeviceCount(engine) : 0;
}

bool audioGetDeviceDetails(const AudioEngine* const engine, const uint32_t index,
                           std::u16string& name, uint32_t& sampleRate) {
    return engine != nullptr && audioSinkDeviceDetails(engine, index, name, sampleRate);
}

AudioVoice* audioCreateMasteringVoice(AudioEngine* const engine, const uint32_t channels,
                                      const uint32_t sampleRate, const uint32_t deviceIndex) {
    if (engine == nullptr || engine->mastering != nullptr || channels < 1 ||
        channels > AUDIO_MAX_BUS_CHANNELS || sampleRate < 1000 || sampleRate > 200000) {
        return nullptr;
    }
    auto v = std::make_unique<AudioVoice>();
    v->engine = engine;
    v->kind = AudioVoiceKind::MASTERING;
    v->channels = channels;
    v->sampleRate = sampleRate;
    v->bus.assign(AUDIO_BLOCK_FRAMES * channels, 0.0f);
    AudioVoice* const raw = addVoice(engine, std::move(v));
    {
        const std::lock_guard<std::mutex> guard(engine->lock);
        engine->mastering = raw;
    }
    if (!audioSinkOpen(engine, channels, sampleRate, deviceIndex)) {
        audioDestroyVoice(raw);
        return nullptr;
    }
    return raw;
}

AudioVoice* audioCreateSubmixVoice(AudioEngine* const engine, const uint32_t channels,
                                   const uint32_t sampleRate) {
    if (engine == nullptr || engine->mastering == nullptr || channels < 1 ||
        channels > AUDIO_MAX_BUS_CHANNELS || sampleRate != engine->mastering->sampleRate) {
        return nullptr;
    }
    auto v = std::make_unique<AudioVoice>();
    v->engine = engine;
    v->kind = AudioVoiceKind::SUBMIX;
    v->channels = channels;
    v->sampleRate = sampleRate;
    v->send = engine->mastering;
    v->bus.assign(AUDIO_BLOCK_FRAMES * channels, 0.0f);
    return addVoice(engine, std::move(v));
}

AudioVoice* audioCreateSourceVoice(AudioEngine* const engine, const AudioFormat& format,
                                   const float maxFrequencyRatio,
                                   AudioVoiceCallback* const callback, AudioVoice* const send) {
    if (engine == nullptr || engine->mastering == nullptr || !formatPlayable(format) ||
        !(maxFrequencyRatio >= AUDIO_MIN_FREQUENCY_RATIO &&
          maxFrequencyRatio <= AUDIO_MAX_FREQUENCY_RATIO) ||
        (send != nullptr && (send->engine != engine || send->kind != AudioVoiceKind::SUBMIX))) {
        return nullptr;
    }
    auto v = std::make_unique<AudioVoice>();
    v->engine = engine;
    v->kind = AudioVoiceKind::SOURCE;
    v->format = format;
    v->channels = format.channels;
    v->sampleRate = format.sampleRate;
    v->send = send != nullptr ? send : engine->mastering;
    v->callback = callback;
    v->maxRatio = maxFrequencyRatio;
    if (format.channels == 1) {
        v->matrix[0][0] = 1.0f;
        v->matrix[1][0] = 1.0f;
    }
    // The resampling window holds one block at the highest ratio and rate step, plus the two
    // frames of interpolation history; sized once so that the mixer never grows it.
    const double step = static_cast<double>(maxFrequencyRatio) * format.sampleRate /
                        static_cast<double>(engine->mastering->sampleRate);
    const uint64_t windowFrames = static_cast<uint64_t>(std::ceil(step * AUDIO_BLOCK_FRAMES)) + 4;
    v->window.assign(windowFrames * format.channels, 0.0f);
    if (format.formatTag == AUDIO_FORMAT_ADPCM) {
        v->blockCache.assign(static_cast<size_t>(format.samplesPerBlock) * format.channels, 0);
    }
    if (format.formatTag == AUDIO_FORMAT_WMA) {
        v->wma = AudioWmaDecoder::create(format);
        if (v->wma == nullptr) {
            return nullptr;
        }
    }
    return addVoice(engine, std::move(v));
}

void audioDestroyVoice(AudioVoice* const voice) {
    if (voice == nullptr) {
        return;
    }
    AudioEngine* const engine = voice->engine;
    if (voice->kind == AudioVoiceKind::MASTERING) {
        audioSinkClose(engine);
    }
    {
        const std::lock_guard<std::mutex> guard(engine->lock);
        auto& list = engine->voices;
        list.erase(std::remove(list.begin(), list.end(), voice), list.end());
        if (engine->mastering == voice) {
            engine->mastering = nullptr;
        }
    }
    delete voice;
}

namespace {

// Frames the buffer holds once decoded; 0 when its bytes do not suit the format.
uint32_t framesOf(const AudioVoice& v, const AudioBuffer& b) {
    const AudioFormat& f = v.format;
    if (f.formatTag == AUDIO_FORMAT_ADPCM) {
        if (b.bytes % f.blockAlign != 0) {
            return 0;
        }
        const uint64_t frames = static_cast<uint64_t>(b.bytes / f.blockAlign) * f.samplesPerBlock;
        return frames <= 0xFFFFFFFFu ? static_cast<uint32_t>(frames) : 0;
    }
    return b.bytes / f.blockAlign;
}

} // namespace

bool audioSubmitBuffer(AudioVoice* const voice, const AudioBuffer& buffer,
                       const AudioWmaTable* const wma) {
    if (voice == nullptr || voice->kind != AudioVoiceKind::SOURCE || buffer.data == nullptr ||
        buffer.bytes == 0) {
        return false;
    }
    AudioEngine* const engine = voice->engine;
    uint32_t index = 0;
    {
        const std::lock_guard<std::mutex> guard(engine->lock);
        if (voice->count >= AUDIO_MAX_QUEUED) {
            return false;
        }
        if (voice->count == 0) {
            voice->head = 0;
        }
        index = (voice->head + voice->count) % AUDIO_MAX_QUEUED;
    }
    // The slot past the queue's end belongs to this caller until it is counted in.
    AudioSlot& slot = voice->slots[index];
    uint32_t total = 0;
    const uint8_t* frames = buffer.data;
    if (voice->format.formatTag == AUDIO_FORMAT_WMA) {
        if (wma == nullptr || wma->packets == nullptr || wma->count == 0) {
            return false;
        }
        const bool same = slot.keyValid && voice->wmaFresh && slot.keyData == buffer.data &&
                          slot.keyBytes == buffer.bytes && slot.keyTable == wma->packets &&
                          slot.keyCount == wma->count;
        if (!same) {
            const bool fresh = voice->wmaFresh;
            slot.keyValid = false;
            if (!voice->wma->decode(buffer.data, buffer.bytes, *wma, slot.decoded)) {
                return false;
            }
            // Only a decode from a clean decoder state may be reused after the next flush.
            slot.keyValid = fresh;
            slot.keyData = buffer.data;
            slot.keyBytes = buffer.bytes;
            slot.keyTable = wma->packets;
            slot.keyCount = wma->count;
        }
        voice->wmaFresh = false;
        frames = reinterpret_cast<const uint8_t*>(slot.decoded.data());
        total = static_cast<uint32_t>(slot.decoded.size() / voice->channels);
    } else {
        total = framesOf(*voice, buffer);
    }
    const uint64_t playBegin = buffer.playBegin;
    const uint64_t playEnd = buffer.playLength != 0 ? playBegin + buffer.playLength : total;
    if (total == 0 || playBegin >= playEnd || playEnd > total) {
        return false;
    }
    uint64_t loopBegin = 0;
    uint64_t loopEnd = 0;
    if (buffer.loopCount != 0) {
        loopBegin = buffer.loopBegin;
        loopEnd = buffer.loopLength != 0 ? loopBegin + buffer.loopLength : playEnd;
        if (loopBegin < playBegin || loopBegin >= loopEnd || loopEnd > playEnd) {
            return false;
        }
    }
    slot.buffer = buffer;
    slot.frames = frames;
    slot.totalFrames = total;
    slot.playBegin = static_cast<uint32_t>(playBegin);
    slot.playEnd = static_cast<uint32_t>(playEnd);
    slot.loopBegin = static_cast<uint32_t>(loopBegin);
    slot.loopEnd = static_cast<uint32_t>(loopEnd);
    slot.loopsLeft = buffer.loopCount;
    slot.position = slot.playBegin;
    slot.started = false;
    const std::lock_guard<std::mutex> guard(engine->lock);
    ++voice->count;
    return true;
}

bool audioStart(AudioVoice* const voice) {
    if (voice == nullptr || voice->kind != AudioVoiceKind::SOURCE) {
        return false;
    }
    const std::lock_guard<std::mutex> guard(voice->engine->lock);
    voice->started = true;
    return true;
}

bool audioStop(AudioVoice* const voice) {
    if (voice == nullptr || voice->kind != AudioVoiceKind::SOURCE) {
        return false;
    }
    const std::lock_guard<std::mutex> guard(voice->engine->lock);
    voice->started = false;
    return true;
}

bool audioFlush(AudioVoice* const voice) {
    if (voice == nullptr || voice->kind != AudioVoiceKind::SOURCE) {
        return false;
    }
    {
        const std::lock_guard<std::mutex> guard(voice->engine->lock);
        while (voice->count > 0) {
            AudioSlot& s = voice->slots[voice->head];
            if (voice->flushedCount < AUDIO_MAX_QUEUED) {
                voice->flushedContexts[voice->flushedCount++] = s.buffer.context;
            }
            voice->head = (voice->head + 1) % AUDIO_MAX_QUEUED;
            --voice->count;
        }
        voice->head = 0;
        voice->windowFrames = 0;
        voice->phase = 0;
        voice->cachedBlock = nullptr;
    }
    if (voice->wma != nullptr) {
        voice->wma->reset();
        voice->wmaFresh = true;
    }
    return true;
}

uint32_t audioGetQueuedCount(const AudioVoice* const voice) {
    if (voice == nullptr) {
        return 0;
    }
    const std::lock_guard<std::mutex> guard(voice->engine->lock);
    return voice->count;
}

uint64_t audioGetFramesQueued(const AudioVoice* const voice) {
    if (voice == nullptr) {
        return 0;
    }
    const std::lock_guard<std::mutex> guard(voice->engine->lock);
    uint64_t frames = 0;
    for (uint32_t i = 0; i < voice->count; ++i) {
        const AudioSlot& s = voice->slots[(voice->head + i) % AUDIO_MAX_QUEUED];
        if (s.loopsLeft == AUDIO_LOOP_INFINITE) {
            return UINT64_MAX;
        }
        frames += s.playEnd - std::min(s.position, s.playEnd);
        frames += static_cast<uint64_t>(s.loopsLeft) * (s.loopEnd - s.loopBegin);
    }
    return frames;
}

uint64_t audioGetSamplesPlayed(const AudioVoice* const voice) {
    if (voice == nullptr) {
        return 0;
    }
    const std::lock_guard<std::mutex> guard(voice->engine->lock);
    return voice->samplesPlayed;
}

bool audioSetVolume(AudioVoice* const voice, const float volume) {
    if (voice == nullptr || !std::isfinite(volume)) {
        return false;
    }
    const std::lock_guard<std::mutex> guard(voice->engine->lock);
    voice->volume = volume;
    return true;
}

float audioGetVolume(const AudioVoice* const voice) {
    if (voice == nullptr) {
        return 0.0f;
    }
    const std::lock_guard<std::mutex> guard(voice->engine->lock);
    return voice->volume;
}

bool audioSetChannelVolumes(AudioVoice* const voice, const uint32_t count,
                            const float* const volumes) {
    if (voice == nullptr || voice->kind != AudioVoiceKind::SOURCE || volumes == nullptr ||
        count != voice->channels) {
        return false;
    }
    const std::lock_guard<std::mutex> guard(voice->engine->lock);
    for (uint32_t c = 0; c < count; ++c) {
        voice->channelVolumes[c] = volumes[c];
    }
    return true;
}

bool audioSetOutputMatrix(AudioVoice* const voice, const uint32_t sources, const uint32_t outputs,
                          const float* const matrix) {
    if (voice == nullptr || voice->kind != AudioVoiceKind::SOURCE || matrix == nullptr ||
        sources != voice->channels || outputs != voice->send->channels) {
        return false;
    }
    const std::lock_guard<std::mutex> guard(voice->engine->lock);
    for (uint32_t o = 0; o < outputs; ++o) {
        for (uint32_t c = 0; c < sources; ++c) {
            voice->matrix[o][c] = matrix[o * sources + c];
        }
    }
    return true;
}

bool audioSetFrequencyRatio(AudioVoice* const voice, const float ratio) {
    if (voice == nullptr || voice->kind != AudioVoiceKind::SOURCE || !std::isfinite(ratio)) {
        return false;
    }
    const std::lock_guard<std::mutex> guard(voice->engine->lock);
    voice->ratio = std::clamp(ratio, AUDIO_MIN_FREQUENCY_RATIO, voice->maxRatio);
    return true;
}

bool audioRender(AudioEngine* const engine, float* const out, const uint32_t frames) {
    if (engine == nullptr || engine->sink != AudioSink::NULL_SINK || out == nullptr) {
        return false;
    }
    const std::lock_guard<std::mutex> guard(engine->lock);
    if (engine->mastering == nullptr) {
        return false;
    }
    audioMixLocked(engine, out, frames);
    return true;
}

} // namespace zqp
