// The vertex format mask without the device: field offsets and declarations, the strict
// vertex checks (read through the format's offsets, never at fixed bytes), the inserted blend
// indices, and the counting of primitives and non-degenerate ones.
#include "zq/gl/ZqGlPrimitiveFormat_internal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

using namespace zq_primitive;

// Every field at its largest legal value.
constexpr uint32_t ALL_FIELDS = 0x1 | 0x2 | 0xC | 0x10 | 0x20 | 0x40 | 0x80 | (4u << 8) |
                                (4u << 11) | (4u << 14) | (4u << 17) | (1u << 20) | (1u << 21);

// A vertex buffer built float by float (and byte by byte for blend indices), exactly as large
// as its vertices, so a read past a vertex is caught by the address sanitizer.
class Vertices {
public:
    Vertices& f(const float v) {
        const size_t at = m_bytes.size();
        m_bytes.resize(at + 4);
        std::memcpy(&m_bytes[at], &v, 4);
        return *this;
    }
    Vertices& b(const uint8_t b0, const uint8_t b1, const uint8_t b2, const uint8_t b3) {
        m_bytes.insert(m_bytes.end(), {b0, b1, b2, b3});
        return *this;
    }
    const uint8_t* data() const { return m_bytes.data(); }
    size_t size() const { return m_bytes.size(); }

private:
    std::vector<uint8_t> m_bytes;
};

TEST(ZqGlPrimitiveFormat, OffsetsSizesAndElementsFollowTheFieldOrder) {
    struct Case {
        uint32_t mask;
        uint32_t size;
        std::vector<std::pair<Field, uint32_t>> offsets;
    };
    const Case cases[] = {
        {0x201, 20, {{POSITION, 0}, {TEXCOORD0, 12}, {NORMAL, 0}, {COLOR0, 0}}},
        {0x12, 16, {{BLEND_INDICES, 0}, {NORMAL, 4}, {POSITION, 0}}},
        {0x100008, 12, {{BLEND_WEIGHT, 0}, {COLOR0, 8}}},
        {ALL_FIELDS,
         140,
         {{POSITION, 0},
          {BLEND_INDICES, 12},
          {BLEND_WEIGHT, 16},
          {NORMAL, 28},
          {PSIZE, 40},
          {BINORMAL, 44},
          {TANGENT, 56},
          {TEXCOORD0, 68},
          {TEXCOORD1, 84},
          {TEXCOORD2, 100},
          {TEXCOORD3, 116},
          {COLOR0, 132},
          {COLOR1, 136}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mask);
        EXPECT_EQ(vertexSize(c.mask), c.size);
        for (const auto& [field, offset] : c.offsets) {
            EXPECT_EQ(fieldOffset(c.mask, field), offset) << "field " << field;
        }
        Element elements[MAX_ELEMENTS];
        uint32_t count = 0;
        uint32_t size = 0;
        ASSERT_EQ(makeElements(c.mask, elements, count, size), 0u);
        EXPECT_EQ(size, c.size);
        for (uint32_t i = 1; i < count; ++i) {
            EXPECT_GT(elements[i].offset, elements[i - 1].offset);
        }
    }

    Element elements[MAX_ELEMENTS];
    uint32_t count = 0;
    uint32_t size = 0;
    ASSERT_EQ(makeElements(ALL_FIELDS, elements, count, size), 0u);
    ASSERT_EQ(count, 13u);
    struct Expected {
        uint16_t offset;
        uint8_t type, usage, usageIndex;
    };
    const Expected expected[13] = {
        {0, DECLTYPE_FLOAT3, DECLUSAGE_POSITION, 0},
        {12, DECLTYPE_UBYTE4, DECLUSAGE_BLENDINDICES, 0},
        {16, DECLTYPE_FLOAT3, DECLUSAGE_BLENDWEIGHT, 0},
        {28, DECLTYPE_FLOAT3, DECLUSAGE_NORMAL, 0},
        {40, DECLTYPE_FLOAT1, DECLUSAGE_PSIZE, 0},
        {44, DECLTYPE_FLOAT3, DECLUSAGE_BINORMAL, 0},
        {56, DECLTYPE_FLOAT3, DECLUSAGE_TANGENT, 0},
        {68, DECLTYPE_FLOAT4, DECLUSAGE_TEXCOORD, 0},
        {84, DECLTYPE_FLOAT4, DECLUSAGE_TEXCOORD, 1},
        {100, DECLTYPE_FLOAT4, DECLUSAGE_TEXCOORD, 2},
        {116, DECLTYPE_FLOAT4, DECLUSAGE_TEXCOORD, 3},
        {132, DECLTYPE_D3DCOLOR, DECLUSAGE_COLOR, 0},
        {136, DECLTYPE_D3DCOLOR, DECLUSAGE_COLOR, 1},
    };
    for (uint32_t i = 0; i < 13; ++i) {
        EXPECT_EQ(elements[i].offset, expected[i].offset) << i;
        EXPECT_EQ(elements[i].type, expected[i].type) << i;
        EXPECT_EQ(elements[i].usage, expected[i].usage) << i;
        EXPECT_EQ(elements[i].usageIndex, expected[i].usageIndex) << i;
    }
    // Weight counts and texture dimensions pick FLOAT1..FLOAT4.
    ASSERT_EQ(makeElements(0x4 | (2u << 11), elements, count, size), 0u);
    EXPECT_EQ(elements[0].type, DECLTYPE_FLOAT1);
    EXPECT_EQ(elements[1].type, DECLTYPE_FLOAT2);
    EXPECT_EQ(elements[1].usageIndex, 1);
    // A texture coordinate of 5 to 7 dimensions is refused, in any set.
    for (const uint32_t mask : {0x1u | (5u << 8), 0x1u | (7u << 17)}) {
        EXPECT_EQ(makeElements(mask, elements, count, size), ERROR_TEXCOORD_DIMENSION) << mask;
    }
}

TEST(ZqGlPrimitiveFormat, VertexChecksRefuseEachBadFieldWithItsCode) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* name;
        uint32_t mask;
        Vertices vertex;
        uint32_t code;
    };
    const std::vector<Case> cases = {
        {"position at the limit", 0x1, Vertices().f(1.0e7f).f(-1.0e7f).f(0), 0},
        {"position beyond", 0x1, Vertices().f(0).f(1.5e7f).f(0), ERROR_POSITION},
        {"position not a number", 0x1, Vertices().f(0).f(0).f(nan), ERROR_POSITION},
        {"normal of length 1.0005", 0x11, Vertices().f(0).f(0).f(0).f(1.0005f).f(0).f(0), 0},
        {"normal of length 0.998", 0x11, Vertices().f(0).f(0).f(0).f(0.998f).f(0).f(0),
         ERROR_NORMAL},
        {"normal component 1.02", 0x11, Vertices().f(0).f(0).f(0).f(1.02f).f(0).f(0), ERROR_NORMAL},
        {"point size 8", 0x21, Vertices().f(0).f(0).f(0).f(-8.0f), 0},
        {"point size 9", 0x21, Vertices().f(0).f(0).f(0).f(9.0f), ERROR_PSIZE},
        {"binormal", 0x41, Vertices().f(0).f(0).f(0).f(0).f(0).f(0), ERROR_BINORMAL},
        {"tangent", 0x81, Vertices().f(0).f(0).f(0).f(0).f(0.5f).f(0), ERROR_TANGENT},
        {"texture coordinate 1e5", 0x1 | (2u << 14), Vertices().f(0).f(0).f(0).f(1e5f).f(-1e5f), 0},
        {"texture coordinate beyond", 0x1 | (2u << 14), Vertices().f(0).f(0).f(0).f(0).f(1.0e6f),
         ERROR_TEXCOORD},
        {"texture coordinate infinite", 0x1 | (1u << 17), Vertices().f(0).f(0).f(0).f(inf),
         ERROR_TEXCOORD},
        // Position, blend indices and two weights.
        {"two weights", 0xB, Vertices().f(0).f(0).f(0).b(3, 47, 9, 0).f(0.25f).f(0.75f), 0},
        {"index 48", 0xB, Vertices().f(0).f(0).f(0).b(48, 0, 0, 0).f(0.5f).f(0.5f),
         ERROR_BLEND_INDICES},
        {"index past the weights", 0xB, Vertices().f(0).f(0).f(0).b(1, 2, 3, 4).f(0.5f).f(0.5f),
         ERROR_BLEND_INDICES},
        {"weight 1.5", 0xB, Vertices().f(0).f(0).f(0).b(0, 0, 0, 0).f(1.5f).f(0),
         ERROR_BLEND_WEIGHT},
        {"weights summing to 1.2", 0xB, Vertices().f(0).f(0).f(0).b(0, 0, 0, 0).f(0.6f).f(0.6f),
         ERROR_BLEND_WEIGHT_SUM},
        // No position: the indices are the first four bytes, the weight follows them.
        {"indices and a weight without a position", 0x6, Vertices().b(5, 6, 0, 0).f(1.0f), 0},
        {"bad index without a position", 0x6, Vertices().b(5, 60, 0, 0).f(1.0f),
         ERROR_BLEND_INDICES},
        // Weights without indices: the weight's bytes are not taken for indices.
        {"weight without indices", 0x5, Vertices().f(0).f(0).f(0).f(0.5f), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.vertex.size(), vertexSize(c.mask));
        EXPECT_EQ(checkVertices(c.mask, c.vertex.data(), 1, vertexSize(c.mask)), c.code);
    }
    // The first bad vertex decides, at any place in the buffer.
    Vertices three;
    three.f(0).f(0).f(0).f(0).f(0).f(1);
    three.f(1).f(0).f(0).f(0).f(1).f(0);
    three.f(0).f(0).f(0).f(1.5f).f(0).f(0);
    EXPECT_EQ(checkVertices(0x11, three.data(), 2, 24), 0u);
    EXPECT_EQ(checkVertices(0x11, three.data(), 3, 24), ERROR_NORMAL);
}

TEST(ZqGlPrimitiveFormat, BlendIndicesAreInsertedWhereTheFormatPutsThem) {
    // Position and a 2D texture coordinate: the indices go after the position.
    Vertices two;
    two.f(1).f(2).f(3).f(0.25f).f(0.5f).f(4).f(5).f(6).f(0.75f).f(1);
    std::vector<uint8_t> out(2 * vertexSize(0x203), 0xEE);
    insertBlendIndices(0x201, two.data(), 2, out.data());
    ASSERT_EQ(vertexSize(0x203), 24u);
    for (int v = 0; v < 2; ++v) {
        const uint8_t* const d = out.data() + v * 24;
        EXPECT_EQ(std::memcmp(d, two.data() + v * 20, 12), 0);
        EXPECT_EQ(d[12] | d[13] | d[14] | d[15], 0);
        EXPECT_EQ(std::memcmp(d + 16, two.data() + v * 20 + 12, 8), 0);
    }
    // No position: the indices come first.
    Vertices one;
    one.f(0.25f).f(0.5f);
    std::vector<uint8_t> first(vertexSize(0x202), 0xEE);
    insertBlendIndices(0x200, one.data(), 1, first.data());
    EXPECT_EQ(first[0] | first[1] | first[2] | first[3], 0);
    EXPECT_EQ(std::memcmp(first.data() + 4, one.data(), 8), 0);
}

TEST(ZqGlPrimitiveFormat, CountsPrimitivesAndNonDegenerateOnes) {
    // Positions 0..5 on the x axis, with position 5 equal to position 1.
    Vertices six;
    const float xs[6] = {0, 1, 2, 3, 4, 1};
    for (const float x : xs) {
        six.f(x).f(0).f(0);
    }
    const uint16_t quadIndices[6] = {0, 1, 2, 2, 1, 3};
    const uint16_t repeated[6] = {0, 1, 2, 2, 2, 3};
    struct Case {
        const char* name;
        uint32_t type;
        uint32_t mask;
        uint32_t nrVertices;
        const uint16_t* indices;
        uint32_t nrIndices;
        uint32_t code, primitives, polygons;
    };
    const Case cases[] = {
        {"points", 1, 0x1, 5, nullptr, 0, 0, 5, 5},
        {"line list", 2, 0x1, 6, nullptr, 0, 0, 3, 3},
        {"odd line list", 2, 0x1, 5, nullptr, 0, ERROR_LINE_LIST_ODD, 0, 0},
        {"line strip", 3, 0x1, 6, nullptr, 0, 0, 5, 5},
        {"line strip of 1", 3, 0x1, 1, nullptr, 0, ERROR_LINE_STRIP_SHORT, 0, 0},
        // (0, 1, 2) and (3, 4, 1): both have three different corners.
        {"triangle list", 4, 0x1, 6, nullptr, 0, 0, 2, 2},
        {"triangle list of 5", 4, 0x1, 5, nullptr, 0, ERROR_TRIANGLE_LIST_COUNT, 0, 0},
        {"indexed triangles", 4, 0x1, 6, quadIndices, 6, 0, 2, 2},
        {"indexed triangle with a repeated corner", 4, 0x1, 6, repeated, 6, 0, 2, 1},
        {"index data left to zeros", 4, 0x1, 6, nullptr, 6, 0, 2, 0},
        {"strip", 5, 0x1, 6, nullptr, 0, 0, 4, 4},
        {"strip of 2", 5, 0x1, 2, nullptr, 0, ERROR_STRIP_FAN_SHORT, 0, 0},
        // Fan triangles share corner 0: (0,1,2) (0,2,3) (0,3,4): all fine.
        {"fan of 5", 6, 0x1, 5, nullptr, 0, 0, 3, 3},
        // The last triangle (0, 4, 5) has corner 5 equal to corner 1, not to 0 or 4.
        {"fan of 6", 6, 0x1, 6, nullptr, 0, 0, 4, 4},
        {"fan of 2", 6, 0x1, 2, nullptr, 0, ERROR_STRIP_FAN_SHORT, 0, 0},
        {"type 0", 0, 0x1, 6, nullptr, 0, ERROR_TYPE, 0, 0},
        {"type 7", 7, 0x1, 6, nullptr, 0, ERROR_TYPE, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        uint32_t primitives = 99;
        uint32_t polygons = 99;
        EXPECT_EQ(countPrimitives(c.type, c.mask, six.data(), c.nrVertices, 12, c.indices,
                                  c.nrIndices, primitives, polygons),
                  c.code);
        EXPECT_EQ(primitives, c.primitives);
        EXPECT_EQ(polygons, c.polygons);
    }

    // A triangle list whose second triangle repeats a corner: 2 primitives, 1 polygon.
    Vertices degenerate;
    const float corners[6][2] = {{0, 0}, {1, 0}, {0, 1}, {5, 5}, {5, 5}, {6, 5}};
    for (const auto& p : corners) {
        degenerate.f(p[0]).f(p[1]).f(0);
    }
    uint32_t primitives = 0;
    uint32_t polygons = 0;
    EXPECT_EQ(countPrimitives(4, 0x1, degenerate.data(), 6, 12, nullptr, 0, primitives, polygons),
              0u);
    EXPECT_EQ(primitives, 2u);
    EXPECT_EQ(polygons, 1u);

    // A fan whose fourth corner returns to the first: the triangles (0,2,3) and (0,3,4)
    // collapse, though no three consecutive corners repeat.
    Vertices fan;
    const float fanCorners[5][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 0}, {0, 1}};
    for (const auto& p : fanCorners) {
        fan.f(p[0]).f(p[1]).f(0);
    }
    EXPECT_EQ(countPrimitives(6, 0x1, fan.data(), 5, 12, nullptr, 0, primitives, polygons), 0u);
    EXPECT_EQ(primitives, 3u);
    EXPECT_EQ(polygons, 1u);
    EXPECT_EQ(countPrimitives(5, 0x1, fan.data(), 5, 12, nullptr, 0, primitives, polygons), 0u);
    EXPECT_EQ(polygons, 3u);

    // Without a position nothing can be compared: every unindexed primitive counts, and
    // nothing is read outside the 8-byte vertices.
    Vertices texOnly;
    for (int i = 0; i < 3; ++i) {
        texOnly.f(0).f(0);
    }
    EXPECT_EQ(countPrimitives(4, 0x200, texOnly.data(), 3, 8, nullptr, 0, primitives, polygons),
              0u);
    EXPECT_EQ(primitives, 1u);
    EXPECT_EQ(polygons, 1u);
}

} // namespace
