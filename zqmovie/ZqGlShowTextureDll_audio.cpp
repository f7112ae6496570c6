// The player's sound output: a queue of 16-bit stereo frames that SDL's audio callback drains,
// applying the volume and balance (hundredths of a decibel) as it goes.

#include "zqmovie/ZqGlShowTextureDll_body.h"

#include <SDL.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace zqmovie {
namespace {

// Hundredths of a decibel to a linear gain; -10000 is silence.
float gainOf(const long hundredths) {
    if (hundredths <= -10000) {
        return 0.0f;
    }
    return static_cast<float>(std::pow(10.0, static_cast<double>(hundredths) / 2000.0));
}

} // namespace

AudioOut::~AudioOut() {
    close();
}

bool AudioOut::open(const int sampleRate) {
    close();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return false;
    }
    m_subsystem = true;
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = std::clamp(sampleRate, 8000, 192000);
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    // About 20 ms a callback: volume and pan changes are heard at once.
    want.samples = static_cast<Uint16>(std::bit_floor(static_cast<unsigned>(want.freq / 50)));
    want.callback = &AudioOut::callback;
    want.userdata = this;
    SDL_AudioSpec have;
    SDL_zero(have);
    // SDL converts to whatever the device takes, so what is asked for is what is fed.
    m_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (m_device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_subsystem = false;
        return false;
    }
    m_rate = want.freq;
    return true;
}

void AudioOut::close() {
    if (m_device != 0) {
        SDL_CloseAudioDevice(m_device);
        m_device = 0;
    }
    if (m_subsystem) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_subsystem = false;
    }
    clear();
}

void AudioOut::setRunning(const bool running) {
    if (m_device != 0) {
        SDL_PauseAudioDevice(m_device, running ? 0 : 1);
    }
}

void AudioOut::push(const int16_t* const samples, const size_t frames) {
    const std::lock_guard<std::mutex> hold(m_lock);
    // Played samples are dropped from the front before the queue grows.
    if (m_head > 0 && m_head * 2 >= m_queue.size()) {
        m_queue.erase(m_queue.begin(), m_queue.begin() + static_cast<ptrdiff_t>(m_head));
        m_head = 0;
    }
    m_queue.insert(m_queue.end(), samples, samples + frames * 2);
    m_pushed += frames;
}

void AudioOut::clear() {
    const std::lock_guard<std::mutex> hold(m_lock);
    m_queue.clear();
    m_head = 0;
}

size_t AudioOut::queued() const {
    const std::lock_guard<std::mutex> hold(m_lock);
    return (m_queue.size() - m_head) / 2;
}

void AudioOut::setVolume(const long volume) {
    m_volume = volume;
    updateGains();
}

void AudioOut::setBalance(const long balance) {
    m_balance = balance;
    updateGains();
}

void AudioOut::updateGains() {
    // A positive balance turns the left side down, a negative one the right side.
    const float gain = gainOf(m_volume.load());
    const long balance = m_balance.load();
    m_gainLeft = gain * (balance > 0 ? gainOf(-balance) : 1.0f);
    m_gainRight = gain * (balance < 0 ? gainOf(balance) : 1.0f);
}

void AudioOut::callback(void* const self, uint8_t* const stream, const int length) {
    static_cast<AudioOut*>(self)->mix(reinterpret_cast<int16_t*>(stream),
                                      static_cast<size_t>(length) / sizeof(int16_t));
}

void AudioOut::mix(int16_t* const samples, const size_t count) {
    const float gains[2] = {m_gainLeft.load(), m_gainRight.load()};
    const std::lock_guard<std::mutex> hold(m_lock);
    const size_t available = std::min(count, m_queue.size() - m_head);
    for (size_t i = 0; i < available; ++i) {
        const float v = static_cast<float>(m_queue[m_head + i]) * gains[i & 1];
        samples[i] = static_cast<int16_t>(std::clamp(v, -32768.0f, 32767.0f));
    }
    m_head += available;
    std::memset(samples + available, 0, (count - available) * sizeof(int16_t));
}

} // namespace zqmovie
