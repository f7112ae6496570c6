// ZqSdSound::BgmThread: the background-music thread. It takes commands (directory, stop,
// play, quit) from a five-record queue, plays one track at a time on its own source voice,
// fades by the millisecond clock, and streams the file through a second thread (FileThread)
// into three 64 KiB buffers, keeping at most two of them queued at the voice. Short tracks
// that loop are read once and replayed from the buffers. Private to zq/sd; the main thread
// reaches it through ZqSdSound's *Bgm members.
#pragma once

#include "zq/sd/ZqSdSound.h"
#include "zq/sd/ZqSdSound_test.h"
#include "zq/thread/ZqEvent.h"
#include "zq/thread/ZqFifo.h"
#include "zq/thread/ZqThread.h"

#include <atomic>

class ZqSdSound::BgmThread final : public ZqThread {
public:
    static constexpr uint32_t BUFFER_SIZE = 65536;
    static constexpr uint32_t NR_BUFFERS = 3;
    static constexpr uint32_t TEXT_SIZE = 260;
    static constexpr uint32_t QUEUE_SIZE = 5;
    // The loop value (loop - 1) that plays a track endlessly, and the one that plays it as the
    // file says.
    static constexpr uint32_t LOOP_VALUE_ENDLESS = 255;
    static constexpr uint32_t LOOP_VALUE_FILE = 256;

    enum COMMAND : uint32_t { CMD_DIRECTORY = 1, CMD_STOP = 2, CMD_PLAY = 3, CMD_QUIT = 4 };

    // One queued command; unused fields are 0.
    struct Cmd {
        uint32_t command = 0;
        char16_t text[TEXT_SIZE] = {};
        float fadeIn = 0.0f;
        float fadeOut = 0.0f;
        // loop - 1 (play only).
        uint32_t loop = 0;
    };

    class VoiceCallback final : public zqp::AudioVoiceCallback {
    public:
        void onBufferEnd(void*) override { m_event.set(); }
        virtual ~VoiceCallback() = default;
        ZqEvent& getEvent() { return m_event; }

    private:
        ZqEvent m_event;
    };

    class FileThread final : public ZqThread {
    public:
        ~FileThread() override = default;
        void run() override;
        // Hands a read to the thread; a null destination ends it.
        void request(ZqFile::Io* io, uint8_t* destination, uint32_t count);
        ZqEvent& getDoneEvent() { return m_done; }
        // The bytes read: the request's count, or 0 when fewer came.
        uint32_t getResult() const { return m_result; }

    private:
        ZqFile::Io* m_pIo = nullptr;
        uint8_t* m_pDestination = nullptr;
        uint32_t m_count = 0;
        uint32_t m_result = 0;
        ZqEvent m_done;
    };

    // Throws 96, 80 or 145 when an event, a lock or the queue cannot be made.
    BgmThread();
    // Ends both threads when they still run.
    ~BgmThread() override;
    void run() override;

    // Main thread. Starts the thread; false when it cannot.
    bool begin();
    bool queue(const Cmd& cmd);
    // Queues the quit command (waiting while the queue is full) and waits for the thread.
    void quit();
    bool isPlaying();
    void setVolume(float volume);
    float getVolume();
    void setPan(float pan);
    void setPitch(float pitch);
    bool setFileIo(ZqFile::Io* io);

    // What the tests look at (ZqSdSound_test.h).
    zqsd::test::BgmState getStreamState();

private:
    enum STEP : int { STEP_QUIT = 0, STEP_GO_ON = 1, STEP_END_TRACK = 2 };
    // How streaming a track ended.
    enum class Flow : uint8_t { Done, EndTrack, Quit, SeekFailed };

    int commandStep(uint32_t waitMs);
    bool execute(const Cmd& cmd);
    int fadeStep();
    void applyVolumeLocked();
    void applyPanLocked();
    bool startTrack(const ZqString& name);
    Flow streamTrack(uint32_t loopValue);
    Flow readChunk(uint8_t* destination, uint32_t count, uint32_t& got);
    Flow waitQueue(uint32_t below);
    void endTrack();
    void freeTables();
    static uint32_t now();

    FileThread m_fileThread;
    zqp::AudioVoice* m_pVoice = nullptr;
    VoiceCallback m_callback;
    ZqString m_directory;
    ZqFile::Io* m_pIo = nullptr;
    std::unique_ptr<ZqFile::Io> m_pOwnIo;
    // The Io of the track being played (taken under the lock when it starts).
    ZqFile::Io* m_pTrackIo = nullptr;
    uint8_t m_playing = 0;
    ZqFifo<Cmd> m_queue;
    ZqString m_pendingName;
    uint32_t m_pendingLoop = 0;
    ZqCriticalSection m_cs;

    float m_volume = 1.0f;
    float m_pan = 0.0f;
    float m_pitch = 1.0f;
    float m_fadeLevel = 1.0f;
    float m_fadeSpeed = 0.0f;
    uint32_t m_lastFadeTime = 0;
    float m_fadeIn = 0.0f;

    uint16_t m_channels = 0;
    uint16_t m_blockAlign = 0;
    bool m_wma = false;
    uint32_t m_headerSize = 0;
    uint64_t m_dataSize = 0;
    std::vector<uint32_t> m_packets;
    std::vector<zqp::AudioWmaTable> m_chunks;
    uint32_t m_fileLoopCount = 0;
    uint64_t m_fileLoopStart = 0;
    uint64_t m_fileLoopLength = 0;

    bool m_started = false;
    bool m_ended = false;
    std::atomic<bool> m_draining = false;
    std::atomic<uint32_t> m_reads = 0;
    std::atomic<uint32_t> m_seeks = 0;
    std::atomic<uint32_t> m_submits = 0;
    std::atomic<uint32_t> m_starts = 0;
    std::unique_ptr<uint8_t[]> m_buffers;
};
