// CTextureRendererFilter: the player's video output. It takes the video stream's size when the
// stream is connected (sides of 1024 or more are refused) and copies a decoded frame of 24-bit
// pixels (blue, green, red; rows of getSourcePitch bytes, top row first) into level 0 of the
// caller's texture, converting to X8R8G8B8 or A1R5G5B5.
// Not for: decoding or scaling (the player hands frames already at the video size), timing.
// Depends on: ZqMovieTexture only.
#pragma once

#include <cstdint>

class ZqMovieTexture;

class CTextureRendererFilter {
public:
    // Sides at or above this are refused.
    static constexpr uint32_t MAX_SIDE = 1024;

    // Takes a video stream of width x |height| pixels (a negative height is a top-down bitmap).
    // False for an audio stream, an empty side or a side of MAX_SIDE or more; the size is then
    // unchanged.
    bool setMediaType(bool isAudio, int32_t width, int32_t height);
    // Reads level 0 of the texture; stores it and its format when that succeeds and it is at
    // least as large as the video. Null drops frames from then on.
    bool setTexture(ZqMovieTexture* texture);
    // Copies one frame of getHeight rows of getSourcePitch bytes into the texture. False when the
    // frame is missing or the lock or unlock fails; without a texture nothing is drawn (true).
    bool doRenderSample(const uint8_t* frame);

    uint16_t getWidth() const { return m_width; }
    uint16_t getHeight() const { return m_height; }
    uint32_t getSourcePitch() const { return m_sourcePitch; }
    uint32_t getTextureFormat() const { return m_textureFormat; }

    // Row converters, one row of width pixels.
    static void copyRowX8R8G8B8(const uint8_t* source, uint32_t* destination, uint32_t width);
    static void copyRowA1R5G5B5(const uint8_t* source, uint16_t* destination, uint32_t width);

private:
    uint16_t m_width = 0;
    uint16_t m_height = 0;
    uint32_t m_sourcePitch = 0;
    ZqMovieTexture* m_pTexture = nullptr;
    uint32_t m_textureFormat = 0;
};
