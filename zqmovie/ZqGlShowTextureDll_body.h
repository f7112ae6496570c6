// The player's private record, shared by its topic files: the control side (ZqGlShowTextureDll.cpp,
// caller's thread), the decode thread (_decode.cpp) and the sound output (_audio.cpp).
#pragma once

#include "zqmovie/CFileSourceFilter.h"
#include "zqmovie/CTextureRendererFilter.h"
#include "zqmovie/ZqGlShowTextureDll.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct AVFormatContext;
struct AVIOContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;
struct SwrContext;

namespace zqmovie {

// The media clock's source in microseconds (steady; tests put their own in).
int64_t clockMicroseconds();

// Player events for main(); the code of the end of the stream.
constexpr long EVENT_COMPLETE = 1;

enum class RunState { Stopped, Paused, Running };

// The sound output: decoded samples (16-bit stereo at the device's rate) wait in a queue that
// the device's callback drains, applying volume and balance.
class AudioOut {
public:
    ~AudioOut();
    bool open(int sampleRate);
    void close();
    bool isOpen() const { return m_device != 0; }
    int getRate() const { return m_rate; }
    void setRunning(bool running);
    void push(const int16_t* samples, size_t frames);
    void clear();
    // Frames waiting to be played.
    size_t queued() const;
    // Hundredths of a decibel, as the device applies them.
    void setVolume(long volume);
    void setBalance(long balance);
    long getVolume() const { return m_volume.load(); }
    long getBalance() const { return m_balance.load(); }
    uint64_t getPushedFrames() const { return m_pushed.load(); }
    // Fills count interleaved samples from the queue at the set volume and balance, silence
    // where the queue runs out (the device's callback).
    void mix(int16_t* samples, size_t count);

private:
    static void callback(void* self, uint8_t* stream, int length);
    void updateGains();

    uint32_t m_device = 0;
    int m_rate = 0;
    mutable std::mutex m_lock;
    std::vector<int16_t> m_queue;
    size_t m_head = 0;
    std::atomic<long> m_volume{0};
    std::atomic<long> m_balance{0};
    std::atomic<float> m_gainLeft{1.0f};
    std::atomic<float> m_gainRight{1.0f};
    std::atomic<uint64_t> m_pushed{0};
    bool m_subsystem = false;
};

} // namespace zqmovie

struct ZqGlShowTextureDll::Body {
    ~Body();

    // --- set up by initPlay, then owned by the decode thread ---
    std::unique_ptr<CFileSourceFilter> source;
    CTextureRendererFilter renderer;
    ZqMovieTexture* texture = nullptr;
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    int videoIndex = -1;
    int audioIndex = -1;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* scaler = nullptr;
    SwrContext* resampler = nullptr;
    float resamplerRate = 0.0f;
    std::vector<int16_t> audioWork;
    int64_t ioPosition = 0;
    bool decoderDrained = false;
    // The decoded frame waiting for its time, and what it is.
    bool pendingValid = false;
    bool pendingVideo = false;
    int64_t pendingStart = 0;
    int64_t pendingEnd = 0;
    zqmovie::AudioOut audioOut;
    int64_t durationUs = 0;

    // --- the double-buffered decoded frame: the decode thread fills back and swaps it in
    // under frameLock (taken inside lock); main() copies front into the texture under
    // frameLock alone ---
    std::mutex frameLock;
    std::vector<uint8_t> frontFrame;
    std::vector<uint8_t> backFrame;
    bool frameFresh = false;

    // --- control state, under lock; the decode thread waits on changed ---
    mutable std::mutex lock;
    std::condition_variable changed;
    std::thread thread;
    bool quit = false;
    zqmovie::RunState state = zqmovie::RunState::Stopped;
    // Media time = positionBase + (clock - clockBase) x rate while running.
    int64_t positionBase = 0;
    int64_t clockBase = 0;
    float rate = 1.0f;
    uint32_t seekGeneration = 0;
    uint32_t seekDone = 0;
    int64_t seekTarget = 0;
    // A frame (or sound) was handed out since the last start from stopped or move.
    bool cued = false;
    bool demuxEnded = false;
    bool failed = false;
    bool completeSent = false;
    int64_t endTime = 0;
    std::deque<long> events;

    // --- caller's thread only ---
    uint16_t width = 0;
    uint16_t height = 0;
    uint32_t pitch = 0;
    float volume = 1.0f;
    float pan = 0.0f;
    uint8_t type = TYPE_SEEKABLE;
    uint8_t loopMode = 0;
    uint8_t ended = 0;

    // Under lock.
    int64_t mediaTime() const;
    // The decode thread (ZqGlShowTextureDll_decode.cpp).
    bool open();
    void run();
    void stopThread();
};
