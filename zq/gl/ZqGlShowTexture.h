// ZqGlShowTexture: a movie played into a dynamic texture that draws like any other. The movie
// file is read through the framework's file layer (archives, enciphered containers) by the
// movie plug-in's player (ZqGlShowTextureDll), which decodes on its own thread; once a frame,
// sysMain pumps the player, which then writes its newest frame into the texture on the main
// thread. At most one movie texture exists at a time.
// Not for: several movies at once, movies with sides of 1024 or more.
// Depends on: ZqFixList, ZqFile::Io, ZqGlTexture and the zqmovie plug-in.
#pragma once

#include "zq/file/ZqFile.h"
#include "zq/memory/ZqFixList.h"
#include "zqmovie/ZqMovieTexture.h"

#include <cstdint>
#include <memory>

class ZqGlShowTextureDll;
class ZqGlTexture;
class ZqSdWaveWeaver;

class ZqGlShowTexture : public ZqFixList<ZqGlShowTexture> {
public:
    static constexpr uint32_t POOL_SIZE = 1;

    // The player's state word: low two bits 1 stopped, 2 paused, 3 running; the flags below;
    // 0 when it cannot be read.
    enum STATE : uint32_t {
        STATE_STOPPED = 0x01,
        STATE_PAUSED = 0x02,
        STATE_RUNNING = 0x03,
        STATE_INTERMEDIATE = 0x10,
        STATE_CANT_CUE = 0x20,
        STATE_ENDED = 0x80,
    };

    // Movies are read through io from now on (not owned); null brings back an owned default.
    // False, nothing changed, while a movie texture exists.
    static bool setFileIo(ZqFile::Io* io);
    // The movie texture of the file, stopped at its start; null when one exists already or the
    // file cannot be played (a failed open keeps the file layer's error, a failed texture the
    // texture's).
    static ZqGlShowTexture* create(const char16_t* fileName);
    // Recording movies is not supported: always null.
    static ZqGlShowTexture* createRecord(const char16_t* fileName, uint16_t a, uint16_t b,
                                         ZqSdWaveWeaver* waveWeaver, void* c);
    // Stops the movie, closes its file, releases its texture and gives the element back;
    // returns 0.
    unsigned int release();

    // The playback controls of the player (ZqGlShowTextureDll).
    uint32_t getState() const;
    bool play();
    bool pause();
    bool stop();
    uint8_t getLoopMode() const;
    void setLoopMode(uint8_t mode);
    // Milliseconds.
    float getTotalTime() const;
    float getTime() const;
    void setTime(float ms);
    float getPitch() const;
    void setPitch(float rate);
    float getVolume() const;
    // 0..1, else ignored.
    void setVolume(float volume);
    float getPan() const;
    // -1..1, else ignored.
    void setPan(float pan);
    uint16_t getWidth() const;
    uint16_t getHeight() const;
    uint32_t getVideoPitch() const;
    // The texture to draw: the video at its top-left, its sides raised to powers of two; null
    // for a movie without pictures.
    ZqGlTexture* getTexture() const { return m_pTexture; }

private:
    friend class ZqFixList<ZqGlShowTexture>;
    friend class ZqGlSystem;

    // The texture as the player writes it: level 0 of the dynamic texture, locked and unlocked
    // through the texture class so that a texture re-created after a device reset is used.
    class TextureLink : public ZqMovieTexture {
    public:
        bool getLevelDesc(uint32_t* format, uint32_t* width, uint32_t* height) override;
        bool lock(uint32_t* pitch, void** bits) override;
        bool unlock() override;
        ZqGlTexture* m_pTexture = nullptr;
    };

    ZqGlShowTexture();
    ~ZqGlShowTexture() override;

    static void sysInit();
    static void sysQuit();
    static void sysMain();
    static void onLostDevice() {}
    static void onResetDevice() {}

    bool createPlayBody(const char16_t* fileName);
    bool createRecordBody();
    void releaseBody();

    static ZqMovieTexture* createTexCallback(uint16_t width, uint16_t height, void* context);
    static bool fileSeek(uint32_t position);
    static uint32_t fileRead(void* buffer, uint32_t length);

    std::unique_ptr<ZqGlShowTextureDll> m_pPlayer;
    ZqGlTexture* m_pTexture = nullptr;
    TextureLink m_textureLink;

    static inline ZqFile::Io* m_pFileIo = nullptr;
    static inline bool m_isDefaultFileIo = false;
};
