// Screen-space drawing on a real device: line strips in pixels with width, pattern and
// antialiasing, and the states they leave behind.
#include "tests/support/GoldenImage.h"
#include "tests/zq/gl/FrameworkRun.h"
#include "zq/gl/ZqGlScreen.h"

#include <gtest/gtest.h>

#include <functional>

namespace gpu = zqp::gpu;

namespace {

// Runs body once inside a frame's drawing on a 320 x 240 picture cleared to black.
void inFrame(const std::function<void()>& body) {
    zqtest::ScriptTask root;
    bool done = false;
    root.onFrame = [](const uint32_t frame) { return frame == 0; };
    root.onDraw = [&] {
        if (done) {
            return;
        }
        done = true;
        ZqGlSystem::clear(gpu::clear::TARGET, 0xFF000000u, 1.0f, 0);
        body();
    };
    ASSERT_EQ(zqtest::runFrameworkCode(root, 320, 240), 0u);
    EXPECT_TRUE(done);
}

zqtest::Image picture() {
    return zqtest::readRenderTarget(*ZqGlSystem::getD3dDevice());
}

} // namespace

TEST(ZqGlScreenLine, ThinLinesCoverTheirPixels) {
    inFrame([] {
        ZqGlScreenLine line;
        ASSERT_TRUE(line.create());
        const ZqVector2 across[2] = {{10.0f, 10.0f}, {50.0f, 10.0f}};
        const ZqVector2 down[2] = {{60.0f, 10.0f}, {60.0f, 30.0f}};
        // A dashed line: the pattern's low four bits on, two pixels per step.
        const ZqVector2 dashed[2] = {{10.0f, 40.0f}, {74.0f, 40.0f}};
        ASSERT_TRUE(line.begin());
        line.draw(across, 2, 0xFFFFFFFFu);
        line.draw(down, 2, 0xFF00FF00u);
        line.setPattern(0x0F0F0F0Fu);
        line.setPatternScale(2.0f);
        line.draw(dashed, 2, 0xFFFF0000u);
        line.end();
        // Fewer than two points draw nothing, inside or outside a batch.
        line.draw(across, 1, 0xFFFFFFFFu);
        line.draw(nullptr, 5, 0xFFFFFFFFu);

        zqtest::Image expected(320, 240, 0xFF000000u);
        for (int x = 10; x < 50; ++x) {
            expected.at(x, 10) = 0xFFFFFFFFu;
        }
        for (int y = 10; y < 30; ++y) {
            expected.at(60, y) = 0xFF00FF00u;
        }
        for (int x = 10; x < 74; ++x) {
            if ((x - 10) % 16 < 8) {
                expected.at(x, 40) = 0xFFFF0000u;
            }
        }
        EXPECT_TRUE(zqtest::imagesMatch(picture(), expected, "zqgl_screen_thin", 0));
        line.release();
    });
}

TEST(ZqGlScreenLine, WideAntialiasedStripsMatchTheGoldenPicture) {
    inFrame([] {
        ZqGlScreenLine line;
        ASSERT_TRUE(line.create());
        const ZqVector2 zigzag[4] = {
            {20.0f, 200.0f}, {100.0f, 60.0f}, {180.0f, 200.0f}, {300.0f, 120.0f}};
        line.setWidth(9.0f);
        line.draw(zigzag, 4, 0xFF3080FFu); // outside a batch: draws at once
        line.setWidth(3.0f);
        line.setAntialias(true);
        const ZqVector2 slope[2] = {{20.0f, 20.0f}, {300.0f, 90.0f}};
        line.draw(slope, 2, 0xC0FFFF00u);
        line.setAntialias(false);
        line.setWidth(1.0f);
        line.setPattern(0x33333333u);
        const ZqVector2 dotted[3] = {{20.0f, 225.0f}, {300.0f, 225.0f}, {300.0f, 150.0f}};
        line.draw(dotted, 3, 0xFFFFFFFFu);
        EXPECT_TRUE(zqtest::matchesGolden(picture(), "gl/screen_lines.png", 2, 8));
        line.release();
    });
}

TEST(ZqGlScreenLine, StatesComeBackAfterTheBatch) {
    inFrame([] {
        gpu::Device& d = *ZqGlSystem::getD3dDevice();
        d.setRenderState(gpu::RenderState::AlphaBlendEnable, 0);
        d.setRenderState(gpu::RenderState::ZEnable, gpu::ZBUFFERMODE_ON);
        d.setRenderState(gpu::RenderState::CullMode, gpu::CULLMODE_CCW);
        d.setSamplerState(0, gpu::SamplerState::AddressU, gpu::TEXADDR_MIRROR);
        d.setTextureStageState(0, gpu::TextureStageState::AlphaOp, gpu::TOP_SELECTARG2);
        ZqGlScreenLine line;
        ZqGlScreenSprite sprite;
        ASSERT_TRUE(line.create());
        ASSERT_TRUE(sprite.create());
        const ZqVector2 points[2] = {{0.0f, 0.0f}, {10.0f, 10.0f}};
        line.draw(points, 2, 0xFFFFFFFFu);
        ASSERT_TRUE(sprite.begin(ZqGlScreenSprite::ALPHABLEND));
        EXPECT_FALSE(sprite.begin(ZqGlScreenSprite::ALPHABLEND)); // already open
        sprite.end();
        uint32_t v = 0;
        d.getRenderState(gpu::RenderState::AlphaBlendEnable, v);
        EXPECT_EQ(v, 0u);
        d.getRenderState(gpu::RenderState::ZEnable, v);
        EXPECT_EQ(v, uint32_t{gpu::ZBUFFERMODE_ON});
        d.getRenderState(gpu::RenderState::CullMode, v);
        EXPECT_EQ(v, uint32_t{gpu::CULLMODE_CCW});
        d.getSamplerState(0, gpu::SamplerState::AddressU, v);
        EXPECT_EQ(v, uint32_t{gpu::TEXADDR_MIRROR});
        d.getTextureStageState(0, gpu::TextureStageState::AlphaOp, v);
        EXPECT_EQ(v, uint32_t{gpu::TOP_SELECTARG2});
        line.release();
        sprite.release();
    });
}
