#include "zqmovie/CTextureRendererFilter.h"

#include "zqmovie/ZqMovieTexture.h"

#include <cstdlib>

bool CTextureRendererFilter::setMediaType(const bool isAudio, const int32_t width,
                                          const int32_t height) {
    // An audio stream never completes a connection here: it is played by the sound output.
    if (isAudio) {
        return false;
    }
    const int64_t h = std::llabs(static_cast<int64_t>(height));
    if (width <= 0 || h == 0 || width >= static_cast<int32_t>(MAX_SIDE) || h >= MAX_SIDE) {
        return false;
    }
    m_width = static_cast<uint16_t>(width);
    m_height = static_cast<uint16_t>(h);
    // The row of a 24-bit bitmap: a multiple of 4 bytes.
    m_sourcePitch = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    return true;
}

bool CTextureRendererFilter::setTexture(ZqMovieTexture* const texture) {
    if (texture == nullptr) {
        m_pTexture = nullptr;
        return true;
    }
    uint32_t format = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    if (!texture->getLevelDesc(&format, &width, &height)) {
        return false;
    }
    // Frames are written at their own size: a smaller texture would be written past its end.
    if (width < m_width || height < m_height) {
        return false;
    }
    m_pTexture = texture;
    m_textureFormat = format;
    return true;
}

void CTextureRendererFilter::copyRowX8R8G8B8(const uint8_t* source, uint32_t* destination,
                                             const uint32_t width) {
    // Four pixels from twelve bytes per step, then the rest one by one.
    uint32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        uint32_t w[3];
        for (int i = 0; i < 3; ++i) {
            const uint8_t* const b = source + i * 4;
            w[i] = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                   static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
        }
        destination[0] = 0xFF000000u | (w[0] & 0x00FFFFFFu);
        destination[1] = 0xFF000000u | (w[0] >> 24) | ((w[1] & 0x0000FFFFu) << 8);
        destination[2] = 0xFF000000u | (w[1] >> 16) | ((w[2] & 0x000000FFu) << 16);
        destination[3] = 0xFF000000u | (w[2] >> 8);
        source += 12;
        destination += 4;
    }
    for (; x < width; ++x) {
        *destination++ = 0xFF000000u | static_cast<uint32_t>(source[2]) << 16 |
                         static_cast<uint32_t>(source[1]) << 8 | source[0];
        source += 3;
    }
}

void CTextureRendererFilter::copyRowA1R5G5B5(const uint8_t* source, uint16_t* destination,
                                             const uint32_t width) {
    for (uint32_t x = 0; x < width; ++x) {
        destination[x] = static_cast<uint16_t>(0x8000u | (source[2] >> 3) << 10 |
                                               (source[1] >> 3) << 5 | (source[0] >> 3));
        source += 3;
    }
}

bool CTextureRendererFilter::doRenderSample(const uint8_t* const frame) {
    if (frame == nullptr) {
        return false;
    }
    if (m_pTexture == nullptr) {
        return true;
    }
    uint32_t pitch = 0;
    void* bits = nullptr;
    if (!m_pTexture->lock(&pitch, &bits) || bits == nullptr) {
        return false;
    }
    auto* const out = static_cast<uint8_t*>(bits);
    for (uint32_t row = 0; row < m_height; ++row) {
        const uint8_t* const source = frame + static_cast<size_t>(row) * m_sourcePitch;
        uint8_t* const destination = out + static_cast<size_t>(row) * pitch;
        // A locked row narrower than the video is never written past.
        if (m_textureFormat == ZqMovieTexture::FORMAT_X8R8G8B8 && pitch >= m_width * 4u) {
            copyRowX8R8G8B8(source, reinterpret_cast<uint32_t*>(destination), m_width);
        } else if (m_textureFormat == ZqMovieTexture::FORMAT_A1R5G5B5 && pitch >= m_width * 2u) {
            copyRowA1R5G5B5(source, reinterpret_cast<uint16_t*>(destination), m_width);
        }
    }
    return m_pTexture->unlock();
}
