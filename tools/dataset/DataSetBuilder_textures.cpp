// Textures and text: PNG and DDS textures for the manifest's texture rows, the countdown's
// digit sheet and the credit line's texture with its glyph strip. PNG chunks carry the
// project's CRC-32 (the operator data's, zlib's polynomial).
#include "dorvanex/core/opdata/DataFileFormat.h"
#include "tools/dataset/DataSetBuilder_parts.h"
#include "tools/dds/DdsWriter.h"

#include <algorithm>

namespace zqds {

namespace {

using namespace part;

// Textures whose size the game relies on (the glyph tables reach x = 298 in row 163); sides
// are powers of two, as textures with a mip chain need.
struct TextureSize {
    uint32_t row, width, height;
};
constexpr TextureSize TEXTURE_SIZES[] = {{163, 512, 64}, {165, 256, 256}};

// A 3 x 5 pixel font of the ten digits, a row of bits (high bit left) per line.
constexpr uint8_t DIGIT_FONT[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};

void putBe32(std::vector<uint8_t>& out, const uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) {
        out.push_back(static_cast<uint8_t>(v >> s));
    }
}

void putChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& body) {
    putBe32(out, static_cast<uint32_t>(body.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    putBe32(out, calcCrc32(0, out.data() + start, out.size() - start));
}

// A PNG of rows of filter byte 0 and RGBA pixels.
std::vector<uint8_t> encodePng(const uint32_t width, const uint32_t height,
                               const std::vector<uint8_t>& raw) {
    // zlib stream of stored blocks (at most 65535 bytes each) and the Adler-32 of the data.
    std::vector<uint8_t> z = {0x78, 0x01};
    for (size_t at = 0; at < raw.size() || at == 0;) {
        const size_t n = std::min<size_t>(65535, raw.size() - at);
        const bool last = at + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<uint8_t>(n));
        z.push_back(static_cast<uint8_t>(n >> 8));
        z.push_back(static_cast<uint8_t>(~n));
        z.push_back(static_cast<uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + static_cast<ptrdiff_t>(at),
                 raw.begin() + static_cast<ptrdiff_t>(at + n));
        at += n;
        if (last) {
            break;
        }
    }
    uint32_t a = 1, b = 0;
    for (const uint8_t v : raw) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    putBe32(z, (b << 16) | a);

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<uint8_t> ihdr;
    putBe32(ihdr, width);
    putBe32(ihdr, height);
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0}); // 8 bits, RGBA, deflate, no filter, no interlace
    putChunk(png, "IHDR", ihdr);
    putChunk(png, "IDAT", z);
    putChunk(png, "IEND", {});
    return png;
}

// White digits, each font pixel 3 x 3, on an opaque dark blue ground.
std::vector<uint8_t> makeDigitSheet() {
    constexpr uint32_t SCALE = 3;
    const size_t stride = 1 + 4ull * DIGIT_SHEET_W;
    std::vector<uint8_t> raw(stride * DIGIT_SHEET_H, 0);
    for (uint32_t y = 0; y < DIGIT_SHEET_H; ++y) {
        uint8_t* p = &raw[y * stride + 1];
        for (uint32_t x = 0; x < DIGIT_SHEET_W; ++x, p += 4) {
            const uint32_t digit = (y / DIGIT_H) * 5 + x / DIGIT_W;
            const uint32_t fx = (x % DIGIT_W) / SCALE - 1;
            const uint32_t fy = (y % DIGIT_H) / SCALE;
            const bool on = x < 5u * DIGIT_W && fx < 3 && fy < 5 &&
                            (DIGIT_FONT[digit][fy] >> (2 - fx) & 1) != 0;
            p[0] = on ? 0xFF : 0x10;
            p[1] = on ? 0xFF : 0x18;
            p[2] = on ? 0xFF : 0x40;
            p[3] = 0xFF;
        }
    }
    return encodePng(DIGIT_SHEET_W, DIGIT_SHEET_H, raw);
}

} // namespace

std::vector<uint8_t> encodeRgbaPng(const uint32_t width, const uint32_t height,
                                   const std::vector<uint8_t>& raw) {
    return encodePng(width, height, raw);
}

// The credit line's texture: 26-texel rows of plain bars for the two captions (rows 0 and
// 26, 94 wide), the free-play sign (78) and the three status labels (104, 130, 156; 124 wide),
// and at row 182 the glyph strip: '0'..'9' in their widths, then an apostrophe at glyph 11.
std::vector<uint8_t> part::makeCreditSheet() {
    constexpr uint32_t SIDE = 256;
    constexpr uint32_t ROW = 26;
    constexpr uint32_t GLYPH_ROW = 182;
    constexpr uint32_t GLYPH_WIDTHS[12] = {17, 14, 16, 15, 16, 16, 16, 15, 15, 16, 0, 14};
    struct Bar {
        uint32_t y, width, rgb;
    };
    constexpr Bar BARS[] = {{0, 94, 0x3060C0},    {26, 94, 0x30A050},   {78, 124, 0xC08020},
                            {104, 124, 0x808080}, {130, 124, 0xC03030}, {156, 124, 0x2090C0}};
    constexpr size_t stride = 1 + 4ull * SIDE;
    std::vector<uint8_t> raw(stride * SIDE, 0);
    const auto put = [&raw](const uint32_t x, const uint32_t y, const uint32_t rgb) {
        uint8_t* const p = &raw[y * stride + 1 + 4ull * x];
        p[0] = static_cast<uint8_t>(rgb >> 16);
        p[1] = static_cast<uint8_t>(rgb >> 8);
        p[2] = static_cast<uint8_t>(rgb);
        p[3] = 0xFF;
    };
    for (const Bar& b : BARS) {
        for (uint32_t y = b.y + 2; y < b.y + ROW - 2; ++y) {
            for (uint32_t x = 0; x < b.width; ++x) {
                put(x, y, b.rgb);
            }
        }
    }
    uint32_t left = 0;
    for (uint32_t g = 0; g < 12; ++g) {
        for (uint32_t y = 0; y < ROW; ++y) {
            for (uint32_t x = 0; x < GLYPH_WIDTHS[g]; ++x) {
                // Font pixels 3 x 4, the glyph from column 2 and row 3.
                const uint32_t fx = (x - 2) / 3;
                const uint32_t fy = (y - 3) / 4;
                bool on = false;
                if (g < 10) {
                    on = x >= 2 && y >= 3 && fx < 3 && fy < 5 &&
                         (DIGIT_FONT[g][fy] >> (2 - fx) & 1) != 0;
                } else if (g == 11) {
                    on = x >= 6 && x < 9 && y >= 3 && y < 11;
                }
                if (on) {
                    put(left + x, GLYPH_ROW + y, 0xFFFFFF);
                }
            }
        }
        left += GLYPH_WIDTHS[g];
    }
    return encodePng(SIDE, SIDE, raw);
}

std::vector<uint8_t> makePng(const uint32_t width, const uint32_t height, const uint32_t seed) {
    // A two-colour checker tinted by the seed.
    const uint32_t tint = seed * 0x9E3779B9u;
    const size_t stride = 1 + 4ull * width;
    std::vector<uint8_t> raw(stride * height, 0);
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* p = &raw[y * stride + 1];
        for (uint32_t x = 0; x < width; ++x, p += 4) {
            const bool on = ((x / 8) + (y / 8)) % 2 == 0;
            p[0] = on ? static_cast<uint8_t>(tint >> 24) : 0x20;
            p[1] = on ? static_cast<uint8_t>(tint >> 16) : 0x20;
            p[2] = on ? static_cast<uint8_t>(tint >> 8) : 0x20;
            p[3] = 0xFF;
        }
    }
    return encodePng(width, height, raw);
}

std::vector<uint8_t> part::makeTexture(const uint32_t row, const std::string& name) {
    if (endsWith(name, ".dds")) {
        std::vector<uint8_t> argb(SMALL_TEXTURE * SMALL_TEXTURE * 4);
        for (size_t i = 0; i < argb.size(); i += 4) {
            zqtool::putArgb(&argb[i], 0xFF000000u | (row * 0x9E3779B9u >> 8) | (i & 0xFF));
        }
        return zqtool::makeDds(zqp::image::Format::A8R8G8B8, SMALL_TEXTURE, SMALL_TEXTURE,
                               argb.data(), 1);
    }
    if (row == DIGIT_SHEET_ROW) {
        return makeDigitSheet();
    }
    uint32_t w = SMALL_TEXTURE, h = SMALL_TEXTURE;
    for (const TextureSize& s : TEXTURE_SIZES) {
        if (s.row == row) {
            w = s.width;
            h = s.height;
        }
    }
    return makePng(w, h, row);
}

} // namespace zqds
