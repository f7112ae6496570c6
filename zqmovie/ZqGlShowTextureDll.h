// ZqGlShowTextureDll: plays one movie stream into the caller's texture. The stream is read only
// through the caller's seek and read callbacks (CFileSourceFilter), demuxed and decoded on a
// thread of the player, its sound played through the audio device at the set volume and pan,
// and its newest video frame written into the texture by main() on the caller's thread
// (CTextureRendererFilter), so the texture is never written while the caller draws with it.
// Not for: several streams at once, or streams whose sides reach 1024.
// Depends on: FFmpeg (libavformat, libavcodec, libswscale, libswresample) and SDL2 audio only.
//
// The state word (getState) is derived from the decode thread: the low two bits are the state
// last asked for (1 stopped, 2 paused, 3 running); STATE_INTERMEDIATE while a paused or running
// player has not yet shown its first frame (or handed its first sound) since it was started or
// moved; STATE_CANT_CUE while paused after the stream failed to deliver data; STATE_ENDED when
// the end of the stream was taken by the last main().
#pragma once

#include <cstdint>
#include <memory>

class ZqMovieTexture;

class ZqGlShowTextureDll {
public:
    enum STATE : uint32_t {
        STATE_ERROR = 0x00,
        STATE_STOPPED = 0x01,
        STATE_PAUSED = 0x02,
        STATE_RUNNING = 0x03,
        STATE_INTERMEDIATE = 0x10,
        STATE_CANT_CUE = 0x20,
        STATE_ENDED = 0x80,
    };
    enum TYPE : uint8_t {
        TYPE_SEEKABLE = 0,
        TYPE_UNSEEKABLE = 1,
    };

    // Called once with the video size; returns the texture to draw into, or null to fail.
    using CreateTextureCallback = ZqMovieTexture* (*)(uint16_t width, uint16_t height,
                                                      void* context);
    // Moves the caller's stream to an absolute byte position; false on failure.
    using SeekCallback = bool (*)(uint32_t position);
    // Reads up to length bytes at the current position; returns the bytes read. A read counts
    // only when every byte asked for arrives.
    using ReadCallback = uint32_t (*)(void* buffer, uint32_t length);

    ZqGlShowTextureDll();
    virtual ~ZqGlShowTextureDll();
    ZqGlShowTextureDll(const ZqGlShowTextureDll&) = delete;
    ZqGlShowTextureDll& operator=(const ZqGlShowTextureDll&) = delete;

    // Opens the stream (streamSize bytes) through the callbacks, which are then called on the
    // player's decode thread, one at a time, until releaseBody. Video sides must be 1..1023.
    // False, with everything released, when the stream cannot be played.
    bool initPlay(CreateTextureCallback createTexture, void* context, uint32_t streamSize,
                  SeekCallback seek, ReadCallback read);
    // Stops the decode thread and releases the stream, decoders and audio; safe twice.
    void releaseBody();
    // Once per frame on the caller's thread: takes the player's events (end of stream: stop,
    // rewind, run again in loop mode) and writes the newest decoded frame into the texture.
    void main();

    bool play();
    bool pause();
    bool stop();
    uint8_t getLoopMode() const;
    void setLoopMode(uint8_t mode);
    uint32_t getState() const;
    uint8_t getType() const;
    // Duration and position in milliseconds; 0 when there is no stream.
    float getTotalTime() const;
    float getTime() const;
    // Moves to ms milliseconds (seekable streams).
    void setTime(float ms);
    // The playback rate, 1.0 when there is no stream; setPitch takes rates above 0 (the sound
    // is played faster or slower with it, its pitch moving along).
    float getPitch() const;
    void setPitch(float rate);
    float getVolume() const;
    // 0..1, else ignored; the device volume becomes trunc(v x 10000) - 10000 hundredths of dB.
    void setVolume(float volume);
    float getPan() const;
    // -1..1, else ignored; the balance becomes trunc(p x 10000) hundredths of dB.
    void setPan(float pan);
    uint16_t getWidth() const;
    uint16_t getHeight() const;
    // Bytes per row of the decoded frame (24-bit pixels, rows a multiple of 4 bytes).
    uint32_t getVideoPitch() const;

    struct Body;

private:
    friend const Body* zqmovieBodyOf(const ZqGlShowTextureDll& player);

    std::unique_ptr<Body> m_pBody;
};
