// ZqSdSound: the framework's static sound layer. It owns the audio engine, the mastering
// voice and one submix voice for all sound effects, keeps every loaded sound effect in one of
// four groups by name, and plays each sound effect on a small fixed set of its own voices (round
// robin), with fades run once a frame, pan, pitch, volume and an optional short silence played
// after a cut. Sound files ("ZQSD") are checked by analyzeSound. Background music streams from
// a file on its own thread (BgmThread, ZqSdSoundBgm_internal.h), driven through the *Bgm members.
// All members run on the main thread; the audio platform's mixer thread only calls the voice
// callbacks. Depends on zq/platform/audio, zq/file and zq/thread.
#pragma once

#include "zq/file/ZqContainer.h"
#include "zq/file/ZqFile.h"
#include "zq/platform/audio/audio.h"
#include "zq/system/ZqString.h"
#include "zq/thread/ZqCriticalSection.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class ZqSdSound {
public:
    static constexpr uint32_t NR_GROUPS = 4;
    static constexpr uint32_t MAX_VOICES = 9;
    // Loop values of the play calls: 1..LOOP_ENDLESS plays the sound that many times
    // (LOOP_ENDLESS: until stopped); LOOP_FILE plays it with the file's loop region and count.
    static constexpr uint32_t LOOP_ENDLESS = 256;
    static constexpr uint32_t LOOP_FILE = 257;
    // Characters of a device name, terminator included.
    static constexpr uint32_t DEVICE_NAME_SIZE = 128;

    // The wave format analyzeSound hands to the platform. ADPCM also fills samplesPerBlock and
    // nrCoefs; the caller copies the coefficients from the file.
    struct WaveHeader {
        uint16_t formatTag = 0;
        uint16_t channels = 0;
        uint32_t samplesPerSec = 0;
        uint32_t avgBytesPerSec = 0;
        uint16_t blockAlign = 0;
        uint16_t bitsPerSample = 0;
        uint16_t extraSize = 0;
        uint16_t samplesPerBlock = 0;
        uint16_t nrCoefs = 0;
        int16_t coefs[7][2] = {};
    };

    // One loaded sound effect; its pointer is the handle the game keeps.
    class Se {
    public:
        class VoiceCallback final : public zqp::AudioVoiceCallback {
        public:
            void onBufferStart(void* context) override;
            void onBufferEnd(void* context) override;
            // Read without the lock, as the flag is only ever a snapshot for the main thread.
            bool isPlaying() const { return m_playing.load(std::memory_order_relaxed) != 0; }

        private:
            ZqCriticalSection m_cs;
            std::atomic<uint8_t> m_playing = 0;
        };

        struct Voice {
            bool silentAfterStop = false;
            zqp::AudioVoice* source = nullptr;
            VoiceCallback callback;
            float volume = 1.0f;
            float volumeInForce = 1.0f;
            float fadeLevel = 1.0f;
            // Level per millisecond; 0 when no fade runs.
            float fadeSpeed = 0.0f;
            float pan = 0.0f;
            float pitch = 1.0f;
        };

        ~Se();
        Se(const Se&) = delete;
        Se& operator=(const Se&) = delete;

    private:
        friend class ZqSdSound;
        Se() = default;

        std::unique_ptr<Voice[]> m_voices;
        uint16_t m_nrVoices = 0;
        uint16_t m_lastVoice = 0;
        zqp::AudioBuffer m_buffer;
        std::vector<uint8_t> m_data;
        std::vector<uint32_t> m_packets;
        uint32_t m_loopCount = 0;
        uint32_t m_loopBegin = 0;
        uint32_t m_loopLength = 0;
        uint16_t m_channels = 0;
        zqp::AudioBuffer m_silence;
        std::vector<uint8_t> m_silenceData;
    };

    // Start-up, shut-down, devices.
    // Throws ZqError::SOUND_ENGINE when the first device cannot be selected.
    static void sysInit();
    static void sysMain();
    static void sysQuit();
    static void quit();
    static uint32_t getNrDevices();
    // Copies the device's display name into `name` (DEVICE_NAME_SIZE characters).
    static bool getDeviceName(uint32_t index, char16_t* name);
    // Rebuilds the engine on another device; every sound effect is unloaded. False when the
    // device's voices cannot be made; throws ZqError::SOUND_ENGINE when the engine cannot.
    static bool selectDevice(uint32_t index);
    static void setMasterVolume(float volume);
    static float getMasterVolume();
    static void setSeMasterVolume(float volume);
    static float getSeMasterVolume();

    // Loading and naming.
    // Null selects a default Io of the sound layer's own.
    static void setSeFileIo(ZqFile::Io* io);
    // A prefix of every path loadSe reads; it ends with a path separator. Null: none.
    static void setSeDirectory(const char16_t* directory);
    // The file name without its last extension ("a\b.adpcm.sound" gives "b.adpcm").
    static bool getSeName(const char16_t* path, ZqString& name);
    // Returns `voices` on success, 0 on failure.
    static uint32_t loadSe(const char16_t* path, uint32_t group, uint32_t voices);
    static uint32_t loadSe(const char16_t* name, const void* data, uint32_t size, uint32_t group,
                           uint32_t voices);
    static uint32_t loadSeGroup(uint32_t group, uint32_t voices);
    static Se* getSeHandle(const char16_t* name, uint32_t group);
    static uint32_t getNrSes(uint32_t group);
    static uint32_t getMaxVoices(const char16_t* name, uint32_t group);
    static uint32_t getMaxVoices(const Se* se);
    static void unloadSeGroup(uint32_t group);
    static void unloadSeAll();

    // Playing. Results: the voice played, or -1 (0 for a null handle or a voice out of range).
    static int32_t playSe(Se* se, uint32_t loop, float fadeIn);
    static int32_t playSe(const char16_t* name, uint32_t group, uint32_t loop, float fadeIn);
    static int32_t playSe(Se* se, uint32_t voice, uint32_t loop, float fadeIn);
    static int32_t playSe(const char16_t* name, uint32_t group, uint32_t voice, uint32_t loop,
                          float fadeIn);
    // Fades are in milliseconds; 0 or less cuts at once.
    static bool stopSe(Se* se, float fade);
    static bool stopSe(const char16_t* name, uint32_t group, float fade);
    static bool stopSe(Se* se, uint32_t voice, float fade);
    static bool stopSe(const char16_t* name, uint32_t group, uint32_t voice, float fade);
    static void stopSeGroup(uint32_t group, float fade);
    static void stopSeAll(float fade);
    static bool isPlayingSe(const Se* se);
    static bool isPlayingSe(const char16_t* name, uint32_t group);
    static bool isPlayingSe(const Se* se, uint32_t voice);
    static bool isPlayingSe(const char16_t* name, uint32_t group, uint32_t voice);
    // Settings: with apply false only the stored value changes (used by the next play).
    static bool setSeVolume(Se* se, float volume, bool apply);
    static bool setSeVolume(const char16_t* name, uint32_t group, float volume, bool apply);
    static bool setSeVolume(Se* se, uint32_t voice, float volume, bool apply);
    static bool setSeVolume(const char16_t* name, uint32_t group, uint32_t voice, float volume,
                            bool apply);
    // Pan: -1 full left, 0 centre, +1 full right.
    static bool setSePan(Se* se, float pan, bool apply);
    static bool setSePan(const char16_t* name, uint32_t group, float pan, bool apply);
    static bool setSePan(Se* se, uint32_t voice, float pan, bool apply);
    static bool setSePan(const char16_t* name, uint32_t group, uint32_t voice, float pan,
                         bool apply);
    // Pitch: frequency ratio, at most 2.0.
    static bool setSePitch(Se* se, float pitch, bool apply);
    static bool setSePitch(const char16_t* name, uint32_t group, float pitch, bool apply);
    static bool setSePitch(Se* se, uint32_t voice, float pitch, bool apply);
    static bool setSePitch(const char16_t* name, uint32_t group, uint32_t voice, float pitch,
                           bool apply);
    static bool setSeSilentAfterStopEnable(Se* se, bool enable);
    static bool setSeSilentAfterStopEnable(const char16_t* name, uint32_t group, bool enable);
    static bool setSeSilentAfterStopEnable(Se* se, uint32_t voice, bool enable);
    static bool setSeSilentAfterStopEnable(const char16_t* name, uint32_t group, uint32_t voice,
                                           bool enable);

    // Background music; every call is false (0) without a music thread. Loop 1..LOOP_ENDLESS
    // plays the track that many times (LOOP_ENDLESS: until stopped), LOOP_FILE with the file's
    // loop region and count. Fades in milliseconds. The queued calls are false when the
    // thread's command queue is full (four commands wait at most).
    static bool playBgm(const char16_t* name, uint32_t loop, float fadeOut, float fadeIn);
    static bool stopBgm(float fade);
    // A prefix of every track name; it ends with a path separator.
    static bool setBgmDirectory(const char16_t* directory);
    static bool isPlayingBgm();
    static bool setBgmVolume(float volume);
    static float getBgmVolume();
    static bool setBgmPan(float pan);
    static bool setBgmPitch(float pitch);
    // Stops the music at once and reads tracks through `io` (not owned; null: a default Io of
    // the music thread's own). False when a track started again before the change.
    static bool setBgmFileIo(ZqFile::Io* io);

    // Conversions.
    static float calcVolume2Decibels(float volume);
    static float calcDecibels2Volume(float decibels);
    static float calcPitch2Semitones(float pitch);
    static float calcSemitones2Pitch(float semitones);
    // out[0] left gain, out[1] right gain.
    static void calcPan(float* out, float pan);

    // Checks a sound file's header (at least its first 36 bytes at `header`) against the
    // file's size and fills `wave`. Returns the offset of the audio data, or 0 when refused.
    static uint32_t analyzeSound(const void* header, uint64_t size, WaveHeader* wave);

    static zqp::AudioEngine* m_pXAudio;
    static zqp::AudioVoice* m_pMasteringVoice;
    static zqp::AudioVoice* m_pSeSubmixVoice;
    class BgmThread;
    static std::unique_ptr<BgmThread> m_pBgmThread;

private:
    using SeMap = ZqMap<ZqString, std::unique_ptr<Se>>;

    static zqp::AudioFormat audioFormatBody(const WaveHeader& wave);
    static std::unique_ptr<Se> buildSeBody(const uint8_t* data, uint32_t size, uint32_t voices);
    static SeMap* groupBody(uint32_t group);
    static int32_t playVoiceBody(Se* se, uint32_t voice, uint32_t loop, float fadeIn);
    static bool stopVoiceBody(Se* se, uint32_t voice, float fade);
    static bool applyVolumeBody(Se* se, uint32_t voice, float volume, bool apply);
    static bool applyPanBody(Se* se, uint32_t voice, float pan, bool apply);
    static bool applyPitchBody(Se* se, uint32_t voice, float pitch, bool apply);
    static void fadeStepBody(Se* se, uint32_t voice, float dt);
    // Makes and starts the music thread; ends and deletes it (ZqSdSound_bgm.cpp).
    static void startBgmBody();
    static void quitBgmBody();

    static std::unique_ptr<SeMap[]> m_vpSes;
    static ZqFile::Io* m_pSeFileIo;
    static std::unique_ptr<ZqFile::Io> m_pDefaultSeFileIo;
    static ZqString m_seDirectory;
};
