// The quads of sprites without the device: a sprite's texel rectangle, and simpleDraw's
// screen rectangles in clip space, plain and turned about a pivot.
#include "zq/gl/ZqGlSpriteQuad.h"

#include <gtest/gtest.h>

namespace {

using zq_sprite::Quad;
using zq_sprite::Target;

Target targetOf(const float width, const float height) {
    Target t;
    t.halfWidth = width * 0.5f;
    t.halfHeight = height * 0.5f;
    t.halfWidthReciprocal = 1.0f / t.halfWidth;
    t.halfHeightReciprocal = 1.0f / t.halfHeight;
    return t;
}

void expectQuad(const Quad& got, const float (&want)[4][5]) {
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(got[i].x, want[i][0]) << "vertex " << i;
        EXPECT_FLOAT_EQ(got[i].y, want[i][1]) << "vertex " << i;
        EXPECT_FLOAT_EQ(got[i].z, want[i][2]) << "vertex " << i;
        EXPECT_FLOAT_EQ(got[i].u, want[i][3]) << "vertex " << i;
        EXPECT_FLOAT_EQ(got[i].v, want[i][4]) << "vertex " << i;
    }
}

TEST(ZqGlSpriteQuad, SpriteRectangleInTexelsWithTheHalfTexelShift) {
    Quad quad;
    zq_sprite::spriteQuad(256, 128, 64, 32, 32, 16, quad);
    const float want[4][5] = {{-0.5f, -0.5f, 0, 0.25f, 0.25f},
                              {-0.5f, 15.5f, 0, 0.25f, 0.375f},
                              {31.5f, -0.5f, 0, 0.375f, 0.25f},
                              {31.5f, 15.5f, 0, 0.375f, 0.375f}};
    expectQuad(quad, want);
}

TEST(ZqGlSpriteQuad, FullScreenRectangleCoversTheTargetShiftedByHalfAPixel) {
    Quad quad;
    zq_sprite::screenQuad(targetOf(1024, 768), 1024, 768, 0, 0, 0.25f, 1024, 768, 0, 0, 1024, 768,
                          quad);
    const float l = -1.0f - 1.0f / 1024;
    const float r = 1.0f - 1.0f / 1024;
    const float t = 1.0f + 1.0f / 768;
    const float b = -1.0f + 1.0f / 768;
    const float want[4][5] = {
        {l, t, 0.25f, 0, 0}, {l, b, 0.25f, 0, 1}, {r, t, 0.25f, 1, 0}, {r, b, 0.25f, 1, 1}};
    expectQuad(quad, want);
}

TEST(ZqGlSpriteQuad, TurnedFormWithoutTurnOrPivotEqualsThePlainOne) {
    struct Case {
        float x, y, sw, sh;
        uint16_t u, v, w, h;
    };
    const Case cases[] = {{0, 0, 1024, 768, 0, 0, 1024, 768},
                          {100.5f, 37, 64, 32, 16, 8, 32, 16},
                          {-20, 700, 8, 128, 0, 0, 1, 1},
                          {512, 384, 10, 10, 3, 4, 5, 6}};
    const Target target = targetOf(1024, 768);
    for (const Case& c : cases) {
        Quad plain;
        Quad turned;
        zq_sprite::screenQuad(target, 64, 64, c.x, c.y, 0.5f, c.sw, c.sh, c.u, c.v, c.w, c.h,
                              plain);
        ASSERT_TRUE(zq_sprite::screenQuadTurned(target, 64, 64, c.x, c.y, 0.5f, c.sw, c.sh, 0, 0,
                                                0.0f, 1.0f, c.u, c.v, c.w, c.h, turned));
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(turned[i].x, plain[i].x, 1e-5f) << c.x << " vertex " << i;
            EXPECT_NEAR(turned[i].y, plain[i].y, 1e-5f) << c.x << " vertex " << i;
            EXPECT_FLOAT_EQ(turned[i].u, plain[i].u);
            EXPECT_FLOAT_EQ(turned[i].v, plain[i].v);
        }
    }
}

TEST(ZqGlSpriteQuad, PositiveSineTurnsClockwiseAboutThePivot) {
    // A 10x20 rectangle drawn 20x40 (scale 2) with its centre (5, 10) at pixel (100, 100),
    // turned a quarter: its top-left corner (-10, -20) from the centre goes to (+20, -10).
    const Target target = targetOf(200, 200);
    Quad quad;
    ASSERT_TRUE(zq_sprite::screenQuadTurned(target, 16, 32, 100, 100, 0, 20, 40, 5, 10, 1.0f, 0.0f,
                                            0, 0, 10, 20, quad));
    const float pixels[4][2] = {{120, 90}, {80, 90}, {120, 110}, {80, 110}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(quad[i].x, (pixels[i][0] - 0.5f - 100) / 100, 1e-5f) << i;
        EXPECT_NEAR(quad[i].y, (100 - pixels[i][1] + 0.5f) / 100, 1e-5f) << i;
    }
    // A rectangle of no width has no scale and is not drawn.
    EXPECT_FALSE(zq_sprite::screenQuadTurned(target, 16, 32, 0, 0, 0, 20, 40, 0, 0, 0, 1, 0, 0, 0,
                                             20, quad));
}

} // namespace
