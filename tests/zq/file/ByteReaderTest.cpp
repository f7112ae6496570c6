#include "zq/file/ZqByteReader.h"
#include "zq/file/ZqByteWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(ZqByteReader, WriterRoundTripAbsoluteAndCursor) {
    ZqByteWriter w;
    w.u8(0xAB);
    w.u16(0x1234);
    w.u32(0xDEADBEEF);
    w.u64(0x0102030405060708ull);
    w.i16(-2);
    w.i32(-70000);
    w.f32(1.5f);
    w.f64(-0.25);
    w.align(8);
    const uint64_t patchAt = w.tell();
    w.u32(0);
    w.patchU32(patchAt, 77);
    const std::vector<uint8_t> bytes = w.take();
    ASSERT_EQ(bytes.size(), 44u);
    EXPECT_EQ(bytes[1], 0x34); // little-endian on disk
    EXPECT_EQ(bytes[2], 0x12);

    ZqByteReader r(bytes.data(), bytes.size());
    uint8_t a = 0;
    uint16_t b = 0;
    uint32_t c = 0;
    uint64_t d = 0;
    int16_t e = 0;
    int32_t f = 0;
    float g = 0;
    double h = 0;
    EXPECT_TRUE(r.read(a) && r.read(b) && r.read(c) && r.read(d) && r.read(e) && r.read(f) &&
                r.read(g) && r.read(h));
    EXPECT_EQ(a, 0xAB);
    EXPECT_EQ(b, 0x1234);
    EXPECT_EQ(c, 0xDEADBEEFu);
    EXPECT_EQ(d, 0x0102030405060708ull);
    EXPECT_EQ(e, -2);
    EXPECT_EQ(f, -70000);
    EXPECT_EQ(g, 1.5f);
    EXPECT_EQ(h, -0.25);
    uint32_t patched = 0;
    EXPECT_TRUE(r.u32(patchAt, patched));
    EXPECT_EQ(patched, 77u);
    EXPECT_TRUE(r.ok());
}

TEST(ZqByteReader, BoundsNeverWrapOrReadPastTheEnd) {
    const uint8_t data[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    const ZqByteReader r(data, sizeof data);
    constexpr uint64_t MAX = std::numeric_limits<uint64_t>::max();
    struct Row {
        int line;
        uint64_t at, count, size;
        bool fits;
    };
    const Row rows[] = {
        {__LINE__, 0, 10, 1, true},   {__LINE__, 0, 11, 1, false},
        {__LINE__, 10, 0, 4, true},   {__LINE__, 11, 0, 4, false},
        {__LINE__, 2, 2, 4, true},    {__LINE__, 3, 2, 4, false},
        {__LINE__, 8, MAX, 1, false}, {__LINE__, 0, (MAX / 4) + 2, 4, false},
        {__LINE__, MAX, 1, 1, false}, {__LINE__, 0, 1ull << 62, 8, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(r.fits(row.at, row.count, row.size), row.fits) << "line " << row.line;
    }
    uint32_t v = 1;
    EXPECT_TRUE(r.u32(6, v));
    EXPECT_FALSE(r.u32(7, v));
    EXPECT_EQ(v, 0u);
    EXPECT_FALSE(r.u32(MAX - 1, v));
    EXPECT_EQ(r.bytes(9, 2), nullptr);
    EXPECT_NE(r.bytes(9, 1), nullptr);

    const ZqByteReader empty(nullptr, 100);
    EXPECT_EQ(empty.size(), 0u);
    EXPECT_FALSE(empty.u8(0, *reinterpret_cast<uint8_t*>(&v)));
}

TEST(ZqByteReader, CursorFailureIsSticky) {
    const uint8_t data[6] = {1, 0, 0, 0, 2, 0};
    ZqByteReader r(data, sizeof data);
    uint32_t a = 0;
    uint32_t b = 0;
    uint16_t c = 0;
    EXPECT_TRUE(r.read(a));
    EXPECT_FALSE(r.read(b)); // two bytes left
    EXPECT_FALSE(r.ok());
    EXPECT_FALSE(r.read(c)); // would fit, but the record already failed
    EXPECT_EQ(c, 0);
    EXPECT_EQ(r.tell(), 4u);

    ZqByteReader s(data, sizeof data);
    EXPECT_TRUE(s.skip(6));
    EXPECT_EQ(s.remaining(), 0u);
    EXPECT_FALSE(s.skip(1));
    ZqByteReader t(data, sizeof data);
    EXPECT_NE(t.take(2), nullptr);
    EXPECT_EQ(t.take(5), nullptr);
    EXPECT_FALSE(t.seek(0));

    float nan = 0;
    const uint8_t nanBytes[4] = {0x00, 0x00, 0xC0, 0x7F};
    EXPECT_TRUE(ZqByteReader(nanBytes, 4).f32(0, nan));
    EXPECT_TRUE(std::isnan(nan));
}

// Edges a format's reader or writer meets at its ends: empty reads, late patches out of
// range, alignment by 0 or 1, big-endian words beside little-endian ones.
TEST(ZqByteWriter, EdgesOfPatchAlignAndEmptyReads) {
    ZqByteWriter w;
    w.align(0);
    w.align(1);
    EXPECT_EQ(w.tell(), 0u);
    EXPECT_FALSE(w.patchU32(0, 1)); // nothing written yet
    w.u16(0xBEEF);
    EXPECT_FALSE(w.patchU32(0, 1)); // would reach past the end
    EXPECT_FALSE(w.patch<uint16_t>(UINT64_MAX, 1));
    EXPECT_TRUE(w.patch<uint16_t>(0, 0x1234));
    w.align(8);
    EXPECT_EQ(w.data(), (std::vector<uint8_t>{0x34, 0x12, 0, 0, 0, 0, 0, 0}));

    ZqByteReader empty(nullptr, 0);
    EXPECT_TRUE(empty.read(nullptr, 0));
    EXPECT_TRUE(empty.ok());

    const uint8_t be[4] = {0x01, 0x02, 0x03, 0x04};
    EXPECT_EQ(zq_bytes::loadBe<uint32_t>(be), 0x01020304u);
    EXPECT_EQ(zq_bytes::loadLe<uint32_t>(be), 0x04030201u);
    uint8_t out[4] = {};
    zq_bytes::storeBe<int16_t>(out, -2);
    EXPECT_EQ(out[0], 0xFF);
    EXPECT_EQ(out[1], 0xFE);
}
