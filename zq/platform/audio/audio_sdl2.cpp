// The sinks. SDL2 audio plays the mastering voice on a device from SDL's list (device 0 is
// the system's default) and runs the mixer on SDL's audio thread; the null sink has one device
// and mixes only when audioRender pulls frames.
#include "zq/platform/audio/audio_internal.h"

#include "zq/platform/os/utf.h"

#include <SDL.h>

#include <atomic>

namespace zqp {

namespace {

constexpr uint32_t DEFAULT_RATE = 48000;
std::atomic<uint32_t> g_nullRate{DEFAULT_RATE};
constexpr char16_t NULL_DEVICE_NAME[] = u"Null output";
constexpr char16_t DEFAULT_DEVICE_NAME[] = u"Default output";

void SDLCALL feed(void* const user, Uint8* const stream, const int len) {
    auto* const engine = static_cast<AudioEngine*>(user);
    const std::lock_guard<std::mutex> guard(engine->lock);
    float* const out = reinterpret_cast<float*>(stream);
    if (engine->mastering == nullptr) {
        SDL_memset(stream, 0, static_cast<size_t>(len));
        return;
    }
    const uint32_t frames =
        static_cast<uint32_t>(len) / (sizeof(float) * engine->mastering->channels);
    audioMixLocked(engine, out, frames);
}

} // namespace

void audioSetNullSinkRate(const uint32_t sampleRate) {
    g_nullRate = sampleRate != 0 ? sampleRate : DEFAULT_RATE;
}

bool audioSinkStart(AudioEngine* const engine) {
    if (engine->sink == AudioSink::NULL_SINK) {
        return true;
    }
    // SDL's audio subsystem starts once and stays up, like the video subsystem of the window:
    // starting and stopping it with every engine would also start and stop SDL's event
    // subsystem underneath, and with it the signal handling the window relies on.
    static const bool started = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    engine->sinkState.sdlStarted = started;
    return started;
}

void audioSinkStop(AudioEngine* const engine) {
    engine->sinkState.sdlStarted = false;
}

uint32_t audioSinkDeviceCount(const AudioEngine* const engine) {
    if (engine->sink == AudioSink::NULL_SINK) {
        return 1;
    }
    const int n = SDL_GetNumAudioDevices(0);
    return 1 + static_cast<uint32_t>(n > 0 ? n : 0);
}

bool audioSinkDeviceDetails(const AudioEngine* const engine, const uint32_t index,
                            std::u16string& name, uint32_t& sampleRate) {
    sampleRate = DEFAULT_RATE;
    if (index >= audioSinkDeviceCount(engine)) {
        return false;
    }
    if (engine->sink == AudioSink::NULL_SINK) {
        name = NULL_DEVICE_NAME;
        sampleRate = g_nullRate;
        return true;
    }
    SDL_AudioSpec format{};
    if (index == 0) {
        char* defaultName = nullptr;
        name = DEFAULT_DEVICE_NAME;
        if (SDL_GetDefaultAudioInfo(&defaultName, &format, 0) == 0) {
            if (defaultName != nullptr) {
                name = utf8ToUtf16(defaultName);
                SDL_free(defaultName);
            }
            if (format.freq > 0) {
                sampleRate = static_cast<uint32_t>(format.freq);
            }
        }
        return true;
    }
    const int i = static_cast<int>(index - 1);
    const char* const n = SDL_GetAudioDeviceName(i, 0);
    if (n == nullptr) {
        return false;
    }
    name = utf8ToUtf16(n);
    if (SDL_GetAudioDeviceSpec(i, 0, &format) == 0 && format.freq > 0) {
        sampleRate = static_cast<uint32_t>(format.freq);
    }
    return true;
}

bool audioSinkOpen(AudioEngine* const engine, const uint32_t channels, const uint32_t sampleRate,
                   const uint32_t device) {
    if (engine->sink == AudioSink::NULL_SINK) {
        return device == 0;
    }
    const char* name = nullptr;
    if (device != 0) {
        name = SDL_GetAudioDeviceName(static_cast<int>(device - 1), 0);
        if (name == nullptr) {
            return false;
        }
    }
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(sampleRate);
    want.format = AUDIO_F32SYS;
    want.channels = static_cast<Uint8>(channels);
    want.samples = 512;
    want.callback = feed;
    want.userdata = engine;
    SDL_AudioSpec have{};
    // SDL converts to whatever the device takes, so the mixer always sees the format it asked.
    const SDL_AudioDeviceID id = SDL_OpenAudioDevice(name, 0, &want, &have, 0);
    if (id == 0) {
        return false;
    }
    engine->sinkState.device = id;
    SDL_PauseAudioDevice(id, 0);
    return true;
}

void audioSinkClose(AudioEngine* const engine) {
    if (engine->sinkState.device != 0) {
        // Waits for a running callback; the engine's lock must not be held here.
        SDL_CloseAudioDevice(engine->sinkState.device);
        engine->sinkState.device = 0;
    }
}

} // namespace zqp
