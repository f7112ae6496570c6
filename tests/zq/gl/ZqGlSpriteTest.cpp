// ZqGlSprite inside a running framework: sprites share the quad of their texture rectangle and
// hold their texture; immediate draws (plain and turned) and a batch of sprites drawn with the
// default effect and read back.
#include "zq/gl/ZqGlSprite.h"
#include "tests/support/GoldenImage.h"
#include "tests/support/ImageFiles.h"
#include "tests/zq/gl/FrameworkRun.h"
#include "zq/gl/ZqGlPrimitive.h"
#include "zq/gl/ZqGlShader.h"
#include "zq/gl/ZqGlTexture.h"
#include "zq/math/ZqMatrix.h"
#include "zq/platform/gpu/gpu_test.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace gpu = zqp::gpu;
using zqtest::Image;
using zqtest::runFrameworkCode;
using zqtest::ScriptTask;

namespace {

constexpr uint32_t BACKGROUND = 0xFF000000u;

// An opaque picture: blending (on by default) then leaves its colours as they are.
std::vector<uint32_t> opaquePicture(const uint32_t w, const uint32_t h) {
    std::vector<uint32_t> p = zqtest::testPicture(w, h);
    for (uint32_t& v : p) {
        v |= 0xFF000000u;
    }
    return p;
}

ZqGlTexture* pictureTexture(const char16_t* name, const std::vector<uint32_t>& picture,
                            const uint32_t w, const uint32_t h) {
    const std::vector<uint8_t> png = zqtest::encodeImage(zqtest::ImageFile::Png, w, h, picture, 3);
    return ZqGlTexture::create(name, png.data(), static_cast<uint32_t>(png.size()), 0);
}

void putRect(Image& frame, const uint32_t x0, const uint32_t y0, const uint32_t w, const uint32_t h,
             const std::vector<uint32_t>& pixels, const uint32_t pitch, const uint32_t u0 = 0,
             const uint32_t v0 = 0) {
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            frame.at(x0 + x, y0 + y) = pixels[static_cast<size_t>(v0 + y) * pitch + u0 + x];
        }
    }
}

TEST(ZqGlSprite, SpritesShareTheQuadOfTheirRectangleAndHoldTheirTexture) {
    gpu::test::clearAll();
    ScriptTask root;
    root.onFrame = [](uint32_t) {
        const std::vector<uint32_t> picture = opaquePicture(64, 32);
        ZqGlTexture* const texture = pictureTexture(u"sheet", picture, 64, 32);
        EXPECT_NE(texture, nullptr);
        ZqGlSprite* const a = ZqGlSprite::create(texture, 16, 8, 32, 16);
        ZqGlSprite* const b = ZqGlSprite::create(texture, 16, 8, 32, 16);
        ZqGlSprite* const c = ZqGlSprite::create(texture, 0, 0, 8, 8);
        EXPECT_TRUE(a != nullptr && b != nullptr && c != nullptr);
        EXPECT_EQ(texture->getRefCount(), 4u);
        EXPECT_EQ(a->getPrimitive(), b->getPrimitive());
        EXPECT_NE(a->getPrimitive(), c->getPrimitive());
        EXPECT_EQ(ZqGlPrimitive::search(u"sheet*sprite*16x8*32x16"), a->getPrimitive());
        EXPECT_EQ(a->getPrimitive()->getRefCount(), 2u);

        // The quad in texels with the half-texel shift, top-left first.
        void* vertices = nullptr;
        EXPECT_TRUE(a->getPrimitive()->lock(&vertices, nullptr));
        const float want[4][5] = {{-0.5f, -0.5f, 0, 0.25f, 0.25f},
                                  {-0.5f, 15.5f, 0, 0.25f, 0.75f},
                                  {31.5f, -0.5f, 0, 0.75f, 0.25f},
                                  {31.5f, 15.5f, 0, 0.75f, 0.75f}};
        EXPECT_EQ(std::memcmp(vertices, want, sizeof want), 0);
        a->getPrimitive()->unlock();

        // Releasing one leaves the other's quad alive.
        ZqGlPrimitive* const shared = b->getPrimitive();
        a->release();
        EXPECT_EQ(shared->getRefCount(), 1u);
        EXPECT_EQ(b->getPrimitive(), shared);
        b->release();
        c->release();
        EXPECT_EQ(ZqGlPrimitive::search(u"sheet*sprite*16x8*32x16"), nullptr);
        EXPECT_EQ(texture->getRefCount(), 1u);
        EXPECT_EQ(ZqGlSprite::create(nullptr, 0, 0, 1, 1), nullptr);
        texture->release();
        return false;
    };
    ASSERT_EQ(runFrameworkCode(root), 0u);
}

TEST(ZqGlSprite, ImmediateDrawsLandOnTheirPixels) {
    gpu::test::clearAll();
    const std::vector<uint32_t> picture = opaquePicture(64, 32);
    ZqGlTexture* texture = nullptr;
    Image frame;
    ScriptTask root;
    root.onFrame = [&](const uint32_t n) {
        if (n == 0) {
            texture = pictureTexture(u"immediate", picture, 64, 32);
            EXPECT_NE(texture, nullptr);
        }
        return n < 1;
    };
    root.onDraw = [&] {
        // Texel for texel, a part of the texture, and turned a quarter clockwise about the
        // centre of the whole texture, which lands on pixel (300, 300).
        texture->draw(100, 60, 0.0f, 0, 0, 64, 32);
        texture->draw(200, 60, 0.0f, 16, 8, 8, 4);
        texture->draw(300, 300, 0.0f, 64, 32, 32, 16, 1.0f, 0.0f, 0, 0, 64, 32);
        frame = zqtest::readRenderTarget(*ZqGlSystem::getD3dDevice());
    };
    ASSERT_EQ(runFrameworkCode(root), 0u);
    Image expected(1024, 768, BACKGROUND);
    putRect(expected, 100, 60, 64, 32, picture, 64);
    putRect(expected, 200, 60, 8, 4, picture, 64, 16, 8);
    // Texel (u, v) of the turned picture lands on pixel (315 - v, 268 + u).
    for (uint32_t v = 0; v < 32; ++v) {
        for (uint32_t u = 0; u < 64; ++u) {
            expected.at(315 - v, 268 + u) = picture[v * 64 + u];
        }
    }
    EXPECT_TRUE(zqtest::imagesMatch(frame, expected, "zqglsprite_immediate", 1));
}

TEST(ZqGlSprite, BatchDrawsSpritesAtPositionsAndThroughMatrices) {
    gpu::test::clearAll();
    const std::vector<uint32_t> picture = opaquePicture(64, 64);
    ZqGlTexture* texture = nullptr;
    ZqGlSprite* whole = nullptr;
    ZqGlSprite* part = nullptr;
    Image frame;
    ScriptTask root;
    root.onFrame = [&](const uint32_t n) {
        if (n == 0) {
            texture = pictureTexture(u"batch", picture, 64, 64);
            whole = ZqGlSprite::create(texture, 0, 0, 64, 64);
            part = ZqGlSprite::create(texture, 32, 16, 16, 32);
            EXPECT_TRUE(whole != nullptr && part != nullptr);
        }
        // The sprites and the texture go with the pools at shut-down.
        return n < 1;
    };
    root.onDraw = [&] {
        ZqGlSprite::begin();
        ZqGlShader* const shader = ZqGlShader::getCurrent();
        ASSERT_EQ(shader, ZqGlShader::getDefaultShader());
        ASSERT_EQ(ZqGlShader::getCurrentTechniqueNr(), ZqGlShader::TECHNIQUE_TEX);
        // The screen in pixels, top-left origin (the projection the frame gives the batch
        // camera): x to 2x / 1024 - 1, y to 1 - 2y / 768.
        const ZqMatrix screen(2.0f / 1024, 0, 0, 0, 0, -2.0f / 768, 0, 0, 0, 0, -1.0f, 0, -1.0f,
                              1.0f, 0, 1.0f);
        shader->setParamMatrix(ZqGlShader::PARAM_VIEW_PROJ, screen);
        whole->draw(10, 20, 0.0f);
        whole->draw(500, 400, 0.0f);
        part->draw(ZqMatrix(700.0f, 100.0f, 0.0f));
        ZqGlSprite::end();
        frame = zqtest::readRenderTarget(*ZqGlSystem::getD3dDevice());
    };
    ASSERT_EQ(runFrameworkCode(root), 0u);
    Image expected(1024, 768, BACKGROUND);
    putRect(expected, 10, 20, 64, 64, picture, 64);
    putRect(expected, 500, 400, 64, 64, picture, 64);
    putRect(expected, 700, 100, 16, 32, picture, 64, 32, 16);
    EXPECT_TRUE(zqtest::imagesMatch(frame, expected, "zqglsprite_batch", 1));
}

} // namespace
