// Effect parameter values: conversions between the setter kinds and the parameter types,
// refusals that leave the value alone, sharing through an effect pool, parameter blocks and
// change stamps.
#include "zq/gl/ZqGlEffectParams.h"

#include "tools/effect/ZqFxCompiler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

ZqGlEffectFile fileOf(const std::string& declarations) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(zqfx::compile(declarations + "\ntechnique T { pass P { } }", "t.fx", bytes, error))
        << error;
    ZqGlEffectFile f;
    EXPECT_TRUE(f.read(bytes.data(), bytes.size()));
    return f;
}

class ZqGlEffectParamsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_p.init(fileOf(R"(
            bool b;
            int i = 5;
            float f = 1.5;
            float2 v2[2];
            float4 v4 = {1, 2, 3, 4};
            float4x4 m[2];
            texture t;
        )"),
                             nullptr));
    }
    enum { B, I, F, V2, V4, M, T };
    ZqGlEffectParams m_p;
};

TEST_F(ZqGlEffectParamsTest, ScalarsConvertToEachType) {
    struct Case {
        uint32_t index;
        float set;
        int32_t asInt;
        float asFloat;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {B, 0.25f, 1, 1.0f},    {B, 0.0f, 0, 0.0f},
        {I, -2.75f, -2, -2.0f}, {I, 3.0e10f, INT32_MAX, 2147483648.0f},
        {I, nan, 0, 0.0f},      {F, -2.75f, -2, -2.75f},
        {V2, 7.5f, 7, 7.5f},    {V4, 0.5f, 0, 0.5f},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(m_p.setFloat(c.index, c.set)) << c.index;
        int32_t i = 0;
        float f = 0.0f;
        EXPECT_TRUE(m_p.getInt(c.index, i));
        EXPECT_TRUE(m_p.getFloat(c.index, f));
        EXPECT_EQ(i, c.asInt) << c.index << " " << c.set;
        EXPECT_EQ(f, c.asFloat) << c.index << " " << c.set;
    }
    ASSERT_TRUE(m_p.setInt(F, -3));
    float f = 0.0f;
    EXPECT_TRUE(m_p.getFloat(F, f));
    EXPECT_EQ(f, -3.0f);
}

TEST_F(ZqGlEffectParamsTest, VectorsAndArraysFillWhatTheParameterHas) {
    const float in[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_TRUE(m_p.setVector4Array(V2, in, 2)); // x and y of each element
    float flat[4] = {};
    ASSERT_TRUE(m_p.getFloatArray(V2, flat, 4));
    EXPECT_EQ(flat[0], 1.0f);
    EXPECT_EQ(flat[1], 2.0f);
    EXPECT_EQ(flat[2], 5.0f);
    EXPECT_EQ(flat[3], 6.0f);
    float out[4] = {9, 9, 9, 9};
    ASSERT_TRUE(m_p.getVector4(V2, out));
    EXPECT_EQ(out[2], 0.0f); // what a float2 lacks reads as 0
    EXPECT_EQ(out[3], 0.0f);

    ASSERT_TRUE(m_p.getVector4(V4, out)); // the initial value
    EXPECT_EQ(out[3], 4.0f);

    // Flat arrays reach matrices too, row by row.
    ASSERT_TRUE(m_p.setFloatArray(M, in, 8));
    float m[32] = {};
    ASSERT_TRUE(m_p.getMatrixArray(M, m, 2));
    EXPECT_EQ(m[7], 8.0f);
    EXPECT_EQ(m[8], 0.0f);
}

TEST_F(ZqGlEffectParamsTest, RefusalsChangeNothing) {
    const float values[40] = {1};
    const int32_t ints[4] = {1, 2, 3, 4};
    const uint64_t before = m_p.at(V4).stamp;
    EXPECT_FALSE(m_p.setFloat(M, 1.0f));     // a matrix is no scalar
    EXPECT_FALSE(m_p.setVector4(M, values)); // nor a vector
    EXPECT_FALSE(m_p.setMatrix(V4, values)); // a vector is no matrix
    EXPECT_FALSE(m_p.setFloat(T, 1.0f));     // textures take textures only
    EXPECT_FALSE(m_p.setTexture(F, nullptr));
    EXPECT_FALSE(m_p.setFloat(99, 1.0f));           // no such parameter
    EXPECT_FALSE(m_p.setFloatArray(V4, values, 5)); // longer than the parameter
    EXPECT_FALSE(m_p.setIntArray(V4, ints, 5));
    EXPECT_FALSE(m_p.setMatrixArray(M, values, 3));
    EXPECT_FALSE(m_p.setVector4Array(V2, values, 3));
    EXPECT_FALSE(m_p.setFloatArray(V4, nullptr, 1));
    EXPECT_EQ(m_p.at(V4).stamp, before);
    float out[4] = {};
    ASSERT_TRUE(m_p.getVector4(V4, out));
    EXPECT_EQ(out[0], 1.0f);
    float big[64] = {};
    EXPECT_FALSE(m_p.getMatrixArray(M, big, 3));
    EXPECT_FALSE(m_p.getFloat(T, out[0]));
}

TEST_F(ZqGlEffectParamsTest, EveryChangeTakesANewStamp) {
    const uint64_t start = ZqGlEffectParams::now();
    ASSERT_TRUE(m_p.setFloat(F, 2.0f));
    const uint64_t first = m_p.at(F).stamp;
    EXPECT_GT(first, start);
    ASSERT_TRUE(m_p.setFloat(F, 2.0f)); // the same value is a change as well
    EXPECT_GT(m_p.at(F).stamp, first);
    EXPECT_EQ(m_p.at(I).stamp, 0u);
}

TEST_F(ZqGlEffectParamsTest, BlocksReplayTheLastRecordedValues) {
    EXPECT_FALSE(m_p.applyBlock());
    m_p.beginBlock();
    ASSERT_TRUE(m_p.setFloat(F, 10.0f));
    ASSERT_TRUE(m_p.setFloat(F, 11.0f));
    ASSERT_TRUE(m_p.setInt(I, 12));
    m_p.endBlock();
    float f = 0.0f;
    ASSERT_TRUE(m_p.getFloat(F, f));
    EXPECT_EQ(f, 11.0f); // recording applies as well

    ASSERT_TRUE(m_p.setFloat(F, 0.0f));
    ASSERT_TRUE(m_p.setInt(I, 0));
    ASSERT_TRUE(m_p.setFloat(V4, 0.0f)); // after the block: not part of it
    ASSERT_TRUE(m_p.applyBlock());
    int32_t i = 0;
    ASSERT_TRUE(m_p.getFloat(F, f));
    ASSERT_TRUE(m_p.getInt(I, i));
    EXPECT_EQ(f, 11.0f);
    EXPECT_EQ(i, 12);
    ASSERT_TRUE(m_p.getFloat(V4, f));
    EXPECT_EQ(f, 0.0f);

    m_p.beginBlock(); // a new recording drops the old block
    EXPECT_FALSE(m_p.applyBlock());
    m_p.endBlock();
    EXPECT_TRUE(m_p.applyBlock()); // an empty block applies nothing
}

TEST(ZqGlEffectPool, SharedValuesAreOnePerNameWhileAnEffectHoldsThem) {
    ZqGlEffectPool pool;
    const ZqGlEffectFile a = fileOf("shared float4 colour = {1, 1, 1, 1}; float own;");
    const ZqGlEffectFile b = fileOf("shared float4 colour = {0, 0, 0, 0}; float own;");
    ZqGlEffectParams pa;
    ZqGlEffectParams pb;
    ASSERT_TRUE(pa.init(a, &pool));
    ASSERT_TRUE(pb.init(b, &pool));
    EXPECT_EQ(pool.size(), 1u);

    // The first effect's initial value stands; a change through one is seen by the other.
    float v[4] = {};
    ASSERT_TRUE(pb.getVector4(0, v));
    EXPECT_EQ(v[0], 1.0f);
    const float red[4] = {1, 0, 0, 1};
    ASSERT_TRUE(pb.setVector4(0, red));
    ASSERT_TRUE(pa.getVector4(0, v));
    EXPECT_EQ(v[1], 0.0f);
    // Parameters not marked shared stay each effect's own.
    ASSERT_TRUE(pa.setFloat(1, 5.0f));
    float own = 0.0f;
    ASSERT_TRUE(pb.getFloat(1, own));
    EXPECT_EQ(own, 0.0f);

    // Another type under the name cannot join.
    ZqGlEffectParams clash;
    EXPECT_FALSE(clash.init(fileOf("shared float3 colour;"), &pool));
    EXPECT_EQ(clash.size(), 0u);
    EXPECT_FALSE(clash.init(fileOf("shared float4 colour[2];"), &pool));

    // When the last holder goes, so does the value; a new effect starts from its own.
    pa.init(fileOf("float x;"), &pool);
    pb.init(fileOf("float x;"), &pool);
    EXPECT_EQ(pool.size(), 0u);
    ZqGlEffectParams fresh;
    ASSERT_TRUE(fresh.init(fileOf("shared float3 colour = {0.5, 0.5, 0.5};"), &pool));
    ASSERT_TRUE(fresh.getVector4(0, v));
    EXPECT_EQ(v[0], 0.5f);
}

} // namespace
