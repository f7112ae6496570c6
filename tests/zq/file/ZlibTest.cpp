#include "zq/file/ZqZlib.h"
#include "zq/memory/ZqMemAlloc.h"

#include "tests/support/FileTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

struct Freed {
    void operator()(void* p) const { ZqMemAlloc::deallocate(p); }
};
using Buffer = std::unique_ptr<void, Freed>;

// Text-like bytes: compressible, but not trivially.
std::vector<uint8_t> sample(const size_t size) {
    std::vector<uint8_t> v(size);
    const std::vector<uint8_t> noise = patternBytes(size, 11);
    for (size_t i = 0; i < size; ++i) {
        v[i] = static_cast<uint8_t>("the quick brown fox "[i % 20] ^ (noise[i] & 0x03));
    }
    return v;
}

std::vector<uint8_t> deflated(const std::vector<uint8_t>& in, const int level) {
    uint32_t size = 0;
    const Buffer out(
        ZqZlib::deflate(in.data(), static_cast<uint32_t>(in.size()), &size, level, 1u << 16));
    EXPECT_NE(out, nullptr);
    const auto* const p = static_cast<const uint8_t*>(out.get());
    return out ? std::vector<uint8_t>(p, p + size) : std::vector<uint8_t>();
}

} // namespace

TEST(ZqZlib, RoundTripsAtEveryLevelAndChunkSize) {
    const std::vector<uint8_t> in = sample(72040);
    for (int level = 0; level <= 9; ++level) {
        for (const uint32_t chunk : {4u, 1000u, 1u << 17}) {
            uint32_t packedSize = 0;
            const Buffer packed(ZqZlib::deflate(in.data(), static_cast<uint32_t>(in.size()),
                                                &packedSize, level, chunk));
            ASSERT_NE(packed, nullptr) << level << " " << chunk;
            // The zlib format: deflate, 32 KiB window, header check bits.
            const auto* const p = static_cast<const uint8_t*>(packed.get());
            EXPECT_EQ(p[0], 0x78);
            EXPECT_EQ((p[0] * 256 + p[1]) % 31, 0);
            if (level >= 1) {
                EXPECT_LT(packedSize, in.size());
            }
            uint32_t size = 0;
            const Buffer unpacked(ZqZlib::inflate(packed.get(), packedSize, &size, chunk));
            ASSERT_NE(unpacked, nullptr) << level << " " << chunk;
            ASSERT_EQ(size, in.size());
            EXPECT_TRUE(std::equal(in.begin(), in.end(), static_cast<uint8_t*>(unpacked.get())));
        }
    }
}

TEST(ZqZlib, TheLimitIsInclusive) {
    const std::vector<uint8_t> in = sample(5000);
    const std::vector<uint8_t> packed = deflated(in, 6);
    uint32_t size = 5000;
    Buffer out(ZqZlib::inflate(packed.data(), static_cast<uint32_t>(packed.size()), &size, 4096));
    EXPECT_NE(out, nullptr);
    EXPECT_EQ(size, 5000u);
    size = 4999;
    out.reset(ZqZlib::inflate(packed.data(), static_cast<uint32_t>(packed.size()), &size, 4096));
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(size, 4999u);
    // The same limit on the compressor.
    size = static_cast<uint32_t>(packed.size()) - 1;
    out.reset(ZqZlib::deflate(in.data(), 5000, &size, 6, 1u << 16));
    EXPECT_EQ(out, nullptr);
}

TEST(ZqZlib, RefusesBadArguments) {
    const std::vector<uint8_t> in = sample(100);
    uint32_t size = 0;
    const struct {
        const void* source;
        uint32_t sourceSize;
        uint32_t* size;
        int level;
        uint32_t chunk;
    } cases[] = {
        {in.data(), 100, &size, 10, 64},  {in.data(), 100, &size, -1, 64},
        {in.data(), 100, &size, 6, 3},    {in.data(), 0, &size, 6, 64},
        {in.data(), 100, nullptr, 6, 64}, {nullptr, 100, &size, 6, 64},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ZqZlib::deflate(c.source, c.sourceSize, c.size, c.level, c.chunk), nullptr);
        if (c.level >= 0 && c.level <= 9) {
            EXPECT_EQ(ZqZlib::inflate(c.source, c.sourceSize, c.size, c.chunk), nullptr);
        }
    }
    EXPECT_EQ(size, 0u);
}

TEST(ZqZlib, DamagedOrTruncatedInputGivesNull) {
    const std::vector<uint8_t> in = sample(20000);
    const std::vector<uint8_t> packed = deflated(in, 9);
    uint32_t size = 0;
    for (const size_t cut : {size_t{1}, size_t{2}, packed.size() / 2, packed.size() - 1}) {
        EXPECT_EQ(ZqZlib::inflate(packed.data(), static_cast<uint32_t>(cut), &size, 1024), nullptr)
            << cut;
    }
    const std::vector<uint8_t> text = sample(300);
    EXPECT_EQ(ZqZlib::inflate(text.data(), 300, &size, 1024), nullptr);
    std::vector<uint8_t> flipped = packed;
    flipped[packed.size() - 2] ^= 0x40; // inside the Adler-32 trailer
    EXPECT_EQ(ZqZlib::inflate(flipped.data(), static_cast<uint32_t>(flipped.size()), &size, 1024),
              nullptr);
    EXPECT_EQ(size, 0u);
}

TEST(ZqZlib, SmallChunksFinishOutputThatOutlastsTheInput) {
    // 100,000 zero bytes pack into a few dozen; the decompressor has used up its input long
    // before it has written its output, and must go on chunk by chunk.
    const std::vector<uint8_t> zeros(100000, 0);
    const std::vector<uint8_t> packed = deflated(zeros, 9);
    ASSERT_LT(packed.size(), 200u);
    uint32_t size = 0;
    const Buffer out(
        ZqZlib::inflate(packed.data(), static_cast<uint32_t>(packed.size()), &size, 64));
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(size, zeros.size());
    EXPECT_TRUE(std::equal(zeros.begin(), zeros.end(), static_cast<uint8_t*>(out.get())));
}
