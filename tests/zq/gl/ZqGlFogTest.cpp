// Fog: defaults, priorities, timed blends frame by frame, and requests without time.
#include "zq/gl/ZqGlFog.h"
#include "zq/math/ZqVector4.h"
#include "zq/system/ZqSystem.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

class ZqGlFogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ZqGlFog::sysInit();
        ZqSystem::m_fTimeTick = 10.0f;
    }
    static void frames(const int n) {
        for (int i = 0; i < n; ++i) {
            ZqGlFog::sysMain();
        }
    }
    static void expectColour(const float r, const float g, const float b, const float tolerance) {
        const ZqVector4 c = ZqGlFog::getColor();
        EXPECT_NEAR(c.x, r, tolerance);
        EXPECT_NEAR(c.y, g, tolerance);
        EXPECT_NEAR(c.z, b, tolerance);
        EXPECT_EQ(c.w, 1.0f);
    }
};

TEST_F(ZqGlFogTest, StartsFromTheDefaults) {
    expectColour(0.65f, 0.7f, 0.8f, 0.0f);
    EXPECT_EQ(ZqGlFog::getStart(), 5000.0f);
    EXPECT_EQ(ZqGlFog::getDensity(), -0.00005f);
}

TEST_F(ZqGlFogTest, BlendsOverItsTimeFromTheStartValue) {
    ZqGlFog::set(0.0f, 0.0f, 0.0f, 1000.0f, 0.5f, 0, 1000.0f);
    frames(1);
    // The first frame still shows where the blend began.
    expectColour(0.65f, 0.7f, 0.8f, 1e-5f);
    EXPECT_NEAR(ZqGlFog::getStart(), 5000.0f, 0.01f);
    frames(49);
    // Half-way: 50 frames of 10 ms have weighed 510 ms left.
    expectColour(0.65f * 0.51f, 0.7f * 0.51f, 0.8f * 0.51f, 1e-4f);
    frames(50);
    expectColour(0.0f, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(ZqGlFog::getStart(), 1000.0f);
    EXPECT_EQ(ZqGlFog::getDensity(), 0.5f);
}

TEST_F(ZqGlFogTest, AWeakerRequestCannotInterruptAStrongerOne) {
    ZqGlFog::set(1.0f, 0.0f, 0.0f, 2, 0.0f);
    expectColour(1.0f, 0.0f, 0.0f, 0.0f);
    ZqGlFog::set(0.0f, 1.0f, 0.0f, 1, 0.0f);
    expectColour(1.0f, 0.0f, 0.0f, 0.0f);
    ZqGlFog::set(0xFF0000FFu, 2, 0.0f); // equal priority is taken; alpha byte not used
    expectColour(0.0f, 0.0f, 1.0f, 0.0f);
    // setDefault takes any priority and lowers the threshold with it.
    ZqGlFog::setDefault(0, 0.0f);
    expectColour(0.65f, 0.7f, 0.8f, 0.0f);
    ZqGlFog::set(ZqVector4(0.0f, 1.0f, 0.0f, 0.5f), 1, 0.0f);
    expectColour(0.0f, 1.0f, 0.0f, 0.0f);
}

TEST_F(ZqGlFogTest, AColourRequestKeepsStartAndDensity) {
    ZqGlFog::set(0.1f, 0.2f, 0.3f, 250.0f, 0.25f, 0, 0.0f);
    ZqGlFog::set(0.5f, 0.5f, 0.5f, 0, 100.0f);
    frames(10);
    expectColour(0.5f, 0.5f, 0.5f, 0.0f);
    EXPECT_EQ(ZqGlFog::getStart(), 250.0f);
    EXPECT_EQ(ZqGlFog::getDensity(), 0.25f);
}

// A request with no time to blend over takes effect at once instead of being lost.
TEST_F(ZqGlFogTest, RequestsWithoutTimeApplyAtOnce) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const float time : {0.0f, -5.0f, nan}) {
        ZqGlFog::setDefault(0, 0.0f);
        ZqGlFog::set(0x00102030u, 300.0f, 0.125f, 0, time);
        expectColour(0x10 / 255.0f, 0x20 / 255.0f, 0x30 / 255.0f, 1e-6f);
        EXPECT_EQ(ZqGlFog::getStart(), 300.0f);
        frames(3);
        EXPECT_EQ(ZqGlFog::getDensity(), 0.125f);
    }
}

TEST_F(ZqGlFogTest, ANewRequestBlendsFromWhereTheFogIsNow) {
    ZqGlFog::set(1.0f, 1.0f, 1.0f, 0, 100.0f);
    frames(6); // 60 ms of 100: part-way
    const ZqVector4 mid = ZqGlFog::getColor();
    ZqGlFog::set(0.0f, 0.0f, 0.0f, 0, 100.0f);
    frames(1);
    expectColour(mid.x, mid.y, mid.z, 1e-5f);
    frames(10);
    expectColour(0.0f, 0.0f, 0.0f, 0.0f);
}

} // namespace
