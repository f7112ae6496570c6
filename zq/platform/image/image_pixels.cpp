// Pixel conversion to and from A8R8G8B8, and DXT1/3/5 blocks. Decoding is our own; colour
// blocks are compressed by stb_dxt, except DXT1 blocks with transparent pixels, which need
// the three-colour mode that stb_dxt does not write.
#include "zq/platform/image/image.h"
#include "zq/platform/image/image_internal.h"

#include <stb_dxt.h>

#include <algorithm>
#include <cstring>

namespace zqp::image {

namespace {

using detail::readU16;
using detail::writeU16;

constexpr uint8_t expand5(const uint32_t v) {
    return static_cast<uint8_t>((v << 3) | (v >> 2));
}
constexpr uint8_t expand6(const uint32_t v) {
    return static_cast<uint8_t>((v << 2) | (v >> 4));
}
constexpr uint32_t reduce(const uint32_t v, const uint32_t max) {
    return (v * max + 127) / 255;
}

// One pixel of an uncompressed format into B, G, R, A.
void pixelToArgb(const Format format, const uint8_t* const s, uint8_t* const d) {
    switch (format) {
    case Format::R8G8B8:
        d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 255;
        break;
    case Format::A8R8G8B8:
        d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = s[3];
        break;
    case Format::X8R8G8B8:
        d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 255;
        break;
    case Format::A8B8G8R8:
        d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = s[3];
        break;
    case Format::X8B8G8R8:
        d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = 255;
        break;
    case Format::R5G6B5: {
        const uint32_t w = readU16(s);
        d[0] = expand5(w & 31), d[1] = expand6((w >> 5) & 63), d[2] = expand5(w >> 11);
        d[3] = 255;
        break;
    }
    case Format::X1R5G5B5:
    case Format::A1R5G5B5: {
        const uint32_t w = readU16(s);
        d[0] = expand5(w & 31), d[1] = expand5((w >> 5) & 31), d[2] = expand5((w >> 10) & 31);
        d[3] = format == Format::X1R5G5B5 || (w & 0x8000) != 0 ? 255 : 0;
        break;
    }
    case Format::A4R4G4B4: {
        const uint32_t w = readU16(s);
        d[0] = static_cast<uint8_t>((w & 15) * 17);
        d[1] = static_cast<uint8_t>(((w >> 4) & 15) * 17);
        d[2] = static_cast<uint8_t>(((w >> 8) & 15) * 17);
        d[3] = static_cast<uint8_t>((w >> 12) * 17);
        break;
    }
    case Format::A8:
        d[0] = 0, d[1] = 0, d[2] = 0, d[3] = s[0];
        break;
    case Format::L8:
        d[0] = s[0], d[1] = s[0], d[2] = s[0], d[3] = 255;
        break;
    case Format::A8L8:
        d[0] = s[0], d[1] = s[0], d[2] = s[0], d[3] = s[1];
        break;
    default:
        break;
    }
}

// B, G, R, A into one pixel of an uncompressed format.
void pixelFromArgb(const Format format, const uint8_t* const s, uint8_t* const d) {
    const uint32_t b = s[0], g = s[1], r = s[2], a = s[3];
    switch (format) {
    case Format::R8G8B8:
        d[0] = s[0], d[1] = s[1], d[2] = s[2];
        break;
    case Format::A8R8G8B8:
        d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = s[3];
        break;
    case Format::X8R8G8B8:
        d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 255;
        break;
    case Format::A8B8G8R8:
        d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = s[3];
        break;
    case Format::X8B8G8R8:
        d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = 255;
        break;
    case Format::R5G6B5:
        writeU16(d, (reduce(r, 31) << 11) | (reduce(g, 63) << 5) | reduce(b, 31));
        break;
    case Format::X1R5G5B5:
        writeU16(d, 0x8000 | (reduce(r, 31) << 10) | (reduce(g, 31) << 5) | reduce(b, 31));
        break;
    case Format::A1R5G5B5:
        writeU16(d, (a >= 128 ? 0x8000 : 0) | (reduce(r, 31) << 10) | (reduce(g, 31) << 5) |
                        reduce(b, 31));
        break;
    case Format::A4R4G4B4:
        writeU16(d, (reduce(a, 15) << 12) | (reduce(r, 15) << 8) | (reduce(g, 15) << 4) |
                        reduce(b, 15));
        break;
    case Format::A8:
        d[0] = s[3];
        break;
    case Format::L8:
        d[0] = static_cast<uint8_t>((r * 77 + g * 150 + b * 29 + 128) >> 8);
        break;
    case Format::A8L8:
        d[0] = static_cast<uint8_t>((r * 77 + g * 150 + b * 29 + 128) >> 8);
        d[1] = s[3];
        break;
    default:
        break;
    }
}

// The four colours of a DXT colour block as B, G, R, A; the three-colour mode (DXT1 with
// colour 0 not above colour 1) has transparent black as its fourth.
void colourPalette(const uint8_t* const block, const bool dxt1, uint8_t palette[4][4]) {
    const uint32_t c0 = readU16(block);
    const uint32_t c1 = readU16(block + 2);
    const uint8_t e[2][3] = {
        {expand5(c0 & 31), expand6((c0 >> 5) & 63), expand5(c0 >> 11)},
        {expand5(c1 & 31), expand6((c1 >> 5) & 63), expand5(c1 >> 11)},
    };
    for (int c = 0; c < 3; ++c) {
        palette[0][c] = e[0][c];
        palette[1][c] = e[1][c];
        if (!dxt1 || c0 > c1) {
            palette[2][c] = static_cast<uint8_t>((2 * e[0][c] + e[1][c] + 1) / 3);
            palette[3][c] = static_cast<uint8_t>((e[0][c] + 2 * e[1][c] + 1) / 3);
        } else {
            palette[2][c] = static_cast<uint8_t>((e[0][c] + e[1][c]) / 2);
            palette[3][c] = 0;
        }
    }
    palette[0][3] = palette[1][3] = palette[2][3] = 255;
    palette[3][3] = !dxt1 || c0 > c1 ? 255 : 0;
}

void decodeColour(const uint8_t* const block, const bool dxt1, uint8_t* const argb16) {
    uint8_t palette[4][4];
    colourPalette(block, dxt1, palette);
    const uint32_t indices = detail::readU32(block + 4);
    for (int i = 0; i < 16; ++i) {
        std::memcpy(argb16 + i * 4, palette[(indices >> (2 * i)) & 3], 4);
    }
}

uint32_t pack565(const uint8_t* const bgr) {
    return (reduce(bgr[2], 31) << 11) | (reduce(bgr[1], 63) << 5) | reduce(bgr[0], 31);
}

// A DXT1 block in three-colour mode: pixels with alpha below 128 take index 3 (transparent),
// the others the nearest of the two ends of their bounding box and its middle.
void encodeDxt1Transparent(const uint8_t* const argb16, uint8_t* const block) {
    uint8_t lo[3] = {255, 255, 255};
    uint8_t hi[3] = {0, 0, 0};
    bool anyOpaque = false;
    for (int i = 0; i < 16; ++i) {
        const uint8_t* const p = argb16 + i * 4;
        if (p[3] < 128) {
            continue;
        }
        anyOpaque = true;
        for (int c = 0; c < 3; ++c) {
            lo[c] = std::min(lo[c], p[c]);
            hi[c] = std::max(hi[c], p[c]);
        }
    }
    uint32_t c0 = anyOpaque ? pack565(lo) : 0;
    uint32_t c1 = anyOpaque ? pack565(hi) : 0;
    if (c0 > c1) {
        std::swap(c0, c1);
    }
    writeU16(block, c0);
    writeU16(block + 2, c1);
    uint8_t palette[4][4];
    colourPalette(block, true, palette);
    uint32_t indices = 0;
    for (int i = 0; i < 16; ++i) {
        const uint8_t* const p = argb16 + i * 4;
        uint32_t best = 3;
        if (p[3] >= 128) {
            int bestDistance = 1 << 30;
            for (uint32_t k = 0; k < 3; ++k) {
                int distance = 0;
                for (int c = 0; c < 3; ++c) {
                    const int diff = static_cast<int>(p[c]) - palette[k][c];
                    distance += diff * diff;
                }
                if (distance < bestDistance) {
                    bestDistance = distance;
                    best = k;
                }
            }
        }
        indices |= best << (2 * i);
    }
    zq_bytes::storeLe<uint32_t>(block + 4, indices);
}

void encodeColour(const uint8_t* const argb16, const bool dxt1, uint8_t* const block) {
    if (dxt1) {
        for (int i = 0; i < 16; ++i) {
            if (argb16[i * 4 + 3] < 128) {
                encodeDxt1Transparent(argb16, block);
                return;
            }
        }
    }
    // stb_dxt reads R, G, B, A.
    uint8_t rgba[64];
    for (int i = 0; i < 16; ++i) {
        rgba[i * 4 + 0] = argb16[i * 4 + 2];
        rgba[i * 4 + 1] = argb16[i * 4 + 1];
        rgba[i * 4 + 2] = argb16[i * 4 + 0];
        rgba[i * 4 + 3] = 255;
    }
    stb_compress_dxt_block(block, rgba, 0, STB_DXT_HIGHQUAL);
}

// DXT5: stb_dxt writes the alpha block and then the colour block.
void encodeDxt5(const uint8_t* const argb16, uint8_t* const block) {
    uint8_t rgba[64];
    for (int i = 0; i < 16; ++i) {
        rgba[i * 4 + 0] = argb16[i * 4 + 2];
        rgba[i * 4 + 1] = argb16[i * 4 + 1];
        rgba[i * 4 + 2] = argb16[i * 4 + 0];
        rgba[i * 4 + 3] = argb16[i * 4 + 3];
    }
    stb_compress_dxt_block(block, rgba, 1, STB_DXT_HIGHQUAL);
}

// Copies the pixels of one 4x4 block from an A8R8G8B8 rectangle, repeating the last row and
// column where the block reaches past its edge.
void gatherBlock(const uint8_t* const src, const uint32_t pitch, const uint32_t width,
                 const uint32_t height, const uint32_t bx, const uint32_t by,
                 uint8_t* const argb16) {
    for (uint32_t y = 0; y < 4; ++y) {
        const uint32_t sy = std::min(by * 4 + y, height - 1);
        for (uint32_t x = 0; x < 4; ++x) {
            const uint32_t sx = std::min(bx * 4 + x, width - 1);
            std::memcpy(argb16 + (y * 4 + x) * 4, src + static_cast<size_t>(sy) * pitch + sx * 4,
                        4);
        }
    }
}

} // namespace

namespace detail {

void decodeBlock(const Format format, const uint8_t* const block, uint8_t* const argb16) {
    switch (format) {
    case Format::Dxt1:
        decodeColour(block, true, argb16);
        break;
    case Format::Dxt3:
        decodeColour(block + 8, false, argb16);
        for (int i = 0; i < 16; ++i) {
            const uint32_t nibble = (block[i / 2] >> ((i & 1) * 4)) & 15;
            argb16[i * 4 + 3] = static_cast<uint8_t>(nibble * 17);
        }
        break;
    case Format::Dxt5: {
        decodeColour(block + 8, false, argb16);
        const uint32_t a0 = block[0];
        const uint32_t a1 = block[1];
        uint8_t alpha[8] = {static_cast<uint8_t>(a0), static_cast<uint8_t>(a1)};
        if (a0 > a1) {
            for (uint32_t k = 1; k < 7; ++k) {
                alpha[k + 1] = static_cast<uint8_t>(((7 - k) * a0 + k * a1 + 3) / 7);
            }
        } else {
            for (uint32_t k = 1; k < 5; ++k) {
                alpha[k + 1] = static_cast<uint8_t>(((5 - k) * a0 + k * a1 + 2) / 5);
            }
            alpha[6] = 0;
            alpha[7] = 255;
        }
        uint64_t bits = 0;
        for (int i = 0; i < 6; ++i) {
            bits |= static_cast<uint64_t>(block[2 + i]) << (8 * i);
        }
        for (int i = 0; i < 16; ++i) {
            argb16[i * 4 + 3] = alpha[(bits >> (3 * i)) & 7];
        }
        break;
    }
    default:
        std::memset(argb16, 0, 64);
        break;
    }
}

void encodeBlock(const Format format, const uint8_t* const argb16, uint8_t* const block) {
    switch (format) {
    case Format::Dxt1:
        encodeColour(argb16, true, block);
        break;
    case Format::Dxt3:
        for (int i = 0; i < 8; ++i) {
            const uint32_t lo = reduce(argb16[(2 * i) * 4 + 3], 15);
            const uint32_t hi = reduce(argb16[(2 * i + 1) * 4 + 3], 15);
            block[i] = static_cast<uint8_t>(lo | (hi << 4));
        }
        encodeColour(argb16, false, block + 8);
        break;
    case Format::Dxt5:
        encodeDxt5(argb16, block);
        break;
    default:
        break;
    }
}

} // namespace detail

bool toArgb(const Format format, const uint8_t* const src, const uint32_t srcPitch,
            const uint32_t width, const uint32_t height, uint8_t* const dst,
            const uint32_t dstPitch) {
    if (!isKnownFormat(format) || src == nullptr || dst == nullptr) {
        return false;
    }
    if (width == 0 || height == 0) {
        return true;
    }
    if (isCompressed(format)) {
        const uint32_t blockBytes = format == Format::Dxt1 ? 8 : 16;
        uint8_t pixels[64];
        for (uint32_t by = 0; by < rowCount(format, height); ++by) {
            for (uint32_t bx = 0; bx * 4 < width; ++bx) {
                detail::decodeBlock(format,
                                    src + static_cast<size_t>(by) * srcPitch +
                                        static_cast<size_t>(bx) * blockBytes,
                                    pixels);
                for (uint32_t y = 0; y < 4 && by * 4 + y < height; ++y) {
                    for (uint32_t x = 0; x < 4 && bx * 4 + x < width; ++x) {
                        std::memcpy(dst + static_cast<size_t>(by * 4 + y) * dstPitch +
                                        static_cast<size_t>(bx * 4 + x) * 4,
                                    pixels + (y * 4 + x) * 4, 4);
                    }
                }
            }
        }
        return true;
    }
    const uint32_t bytes = rowPitch(format, 1);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* const s = src + static_cast<size_t>(y) * srcPitch;
        uint8_t* const d = dst + static_cast<size_t>(y) * dstPitch;
        for (uint32_t x = 0; x < width; ++x) {
            pixelToArgb(format, s + static_cast<size_t>(x) * bytes, d + static_cast<size_t>(x) * 4);
        }
    }
    return true;
}

bool fromArgb(const Format format, const uint8_t* const src, const uint32_t srcPitch,
              const uint32_t width, const uint32_t height, uint8_t* const dst,
              const uint32_t dstPitch) {
    if (!isKnownFormat(format) || src == nullptr || dst == nullptr) {
        return false;
    }
    if (width == 0 || height == 0) {
        return true;
    }
    if (isCompressed(format)) {
        const uint32_t blockBytes = format == Format::Dxt1 ? 8 : 16;
        uint8_t pixels[64];
        for (uint32_t by = 0; by < rowCount(format, height); ++by) {
            for (uint32_t bx = 0; bx * 4 < width; ++bx) {
                gatherBlock(src, srcPitch, width, height, bx, by, pixels);
                detail::encodeBlock(format, pixels,
                                    dst + static_cast<size_t>(by) * dstPitch +
                                        static_cast<size_t>(bx) * blockBytes);
            }
        }
        return true;
    }
    const uint32_t bytes = rowPitch(format, 1);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* const s = src + static_cast<size_t>(y) * srcPitch;
        uint8_t* const d = dst + static_cast<size_t>(y) * dstPitch;
        for (uint32_t x = 0; x < width; ++x) {
            pixelFromArgb(format, s + static_cast<size_t>(x) * 4,
                          d + static_cast<size_t>(x) * bytes);
        }
    }
    return true;
}

} // namespace zqp::image
