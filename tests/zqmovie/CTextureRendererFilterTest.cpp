// The texture renderer: which streams connect, and the frame copy into both texture formats.

#include "zqmovie/CTextureRendererFilter.h"
#include "zqmovie/ZqMovieTexture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A texture in memory with its lock and unlock counted.
class MemoryTexture : public ZqMovieTexture {
public:
    MemoryTexture(const uint32_t format, const uint32_t width, const uint32_t height,
                  const uint32_t bytesPerPixel)
        : format(format), width(width), height(height), pitch(width * bytesPerPixel + 8),
          bits(static_cast<size_t>(pitch) * height, 0xCD) {}
    virtual ~MemoryTexture() = default;

    bool getLevelDesc(uint32_t* const f, uint32_t* const w, uint32_t* const h) override {
        *f = format;
        *w = width;
        *h = height;
        return true;
    }
    bool lock(uint32_t* const p, void** const b) override {
        ++locks;
        *p = pitch;
        *b = bits.data();
        return true;
    }
    bool unlock() override {
        ++unlocks;
        return true;
    }

    uint32_t format;
    uint32_t width;
    uint32_t height;
    uint32_t pitch;
    std::vector<uint8_t> bits;
    int locks = 0;
    int unlocks = 0;
};

TEST(CTextureRendererFilter, ConnectsVideoBelow1024AndNoSound) {
    struct Row {
        int line;
        bool isAudio;
        int32_t width;
        int32_t height;
        bool accepted;
    };
    const Row rows[] = {
        {__LINE__, false, 1023, 1023, true},  {__LINE__, false, 1024, 576, false},
        {__LINE__, false, 320, 1024, false},  {__LINE__, false, 320, -240, true},
        {__LINE__, false, 320, -1024, false}, {__LINE__, false, 0, 16, false},
        {__LINE__, false, 16, 0, false},      {__LINE__, true, 320, 240, false},
    };
    for (const Row& row : rows) {
        CTextureRendererFilter renderer;
        EXPECT_EQ(renderer.setMediaType(row.isAudio, row.width, row.height), row.accepted)
            << "line " << row.line;
        if (row.accepted) {
            EXPECT_EQ(renderer.getWidth(), row.width) << "line " << row.line;
            EXPECT_EQ(renderer.getHeight(), std::abs(row.height)) << "line " << row.line;
        } else {
            EXPECT_EQ(renderer.getWidth(), 0) << "line " << row.line;
        }
    }
    CTextureRendererFilter renderer;
    ASSERT_TRUE(renderer.setMediaType(false, 5, 2));
    EXPECT_EQ(renderer.getSourcePitch(), 16u);
}

TEST(CTextureRendererFilter, CopiesRowsInBothFormats) {
    // Width 5: one step of four pixels and one single pixel per row.
    constexpr uint32_t W = 5;
    constexpr uint32_t H = 3;
    CTextureRendererFilter renderer;
    ASSERT_TRUE(renderer.setMediaType(false, W, -static_cast<int32_t>(H)));
    const uint32_t pitch = renderer.getSourcePitch();
    std::vector<uint8_t> frame(static_cast<size_t>(pitch) * H, 0xEE);
    for (uint32_t y = 0; y < H; ++y) {
        for (uint32_t x = 0; x < W; ++x) {
            uint8_t* const p = &frame[y * pitch + x * 3];
            p[0] = static_cast<uint8_t>(10 + x * 40 + y); // blue
            p[1] = static_cast<uint8_t>(200 - x * 30);    // green
            p[2] = static_cast<uint8_t>(x * 50 + y * 7);  // red
        }
    }

    MemoryTexture x8(ZqMovieTexture::FORMAT_X8R8G8B8, 8, 4, 4);
    ASSERT_TRUE(renderer.setTexture(&x8));
    ASSERT_TRUE(renderer.doRenderSample(frame.data()));
    MemoryTexture a1(ZqMovieTexture::FORMAT_A1R5G5B5, 8, 4, 2);
    ASSERT_TRUE(renderer.setTexture(&a1));
    ASSERT_TRUE(renderer.doRenderSample(frame.data()));
    for (uint32_t y = 0; y < H; ++y) {
        for (uint32_t x = 0; x < W; ++x) {
            const uint8_t* const p = &frame[y * pitch + x * 3];
            uint32_t got32 = 0;
            std::memcpy(&got32, &x8.bits[y * x8.pitch + x * 4], 4);
            EXPECT_EQ(got32, 0xFF000000u | p[2] << 16 | p[1] << 8 | p[0]) << x << "," << y;
            uint16_t got16 = 0;
            std::memcpy(&got16, &a1.bits[y * a1.pitch + x * 2], 2);
            EXPECT_EQ(got16, 0x8000u | (p[2] >> 3) << 10 | (p[1] >> 3) << 5 | (p[0] >> 3))
                << x << "," << y;
        }
        // Nothing past the video's width, nor below its height.
        EXPECT_EQ(x8.bits[y * x8.pitch + W * 4], 0xCD);
    }
    EXPECT_EQ(x8.bits[H * x8.pitch], 0xCD);
    EXPECT_EQ(x8.locks, 1);
    EXPECT_EQ(x8.unlocks, 1);
}

TEST(CTextureRendererFilter, OtherFormatsAndMissingTexturesGetNothing) {
    CTextureRendererFilter renderer;
    ASSERT_TRUE(renderer.setMediaType(false, 4, 2));
    const std::vector<uint8_t> frame(static_cast<size_t>(renderer.getSourcePitch()) * 2, 0x55);
    // No texture: the frame is dropped without failing.
    EXPECT_TRUE(renderer.doRenderSample(frame.data()));
    EXPECT_FALSE(renderer.doRenderSample(nullptr));

    MemoryTexture other(21, 4, 2, 4);
    ASSERT_TRUE(renderer.setTexture(&other));
    EXPECT_TRUE(renderer.doRenderSample(frame.data()));
    EXPECT_EQ(other.locks, 1);
    EXPECT_EQ(other.unlocks, 1);
    EXPECT_EQ(other.bits, std::vector<uint8_t>(other.bits.size(), 0xCD));

    // A texture smaller than the video would be written past its end.
    MemoryTexture small(ZqMovieTexture::FORMAT_X8R8G8B8, 2, 2, 4);
    EXPECT_FALSE(renderer.setTexture(&small));
}

} // namespace
