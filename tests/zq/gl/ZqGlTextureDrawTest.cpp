// Textures and primitives drawn on the real device and read back: a PNG texture texel for
// texel, a DXT1 DDS with its own mip levels and one with levels filtered on the CPU, and a
// render target drawn into and then onto the frame, before and after a forced device reset.
// The device draws without an effect here (its built-in stage takes texture stage 0), so
// what is checked is the texture's contents and the primitive's vertices.
#include "tests/support/GoldenImage.h"
#include "tests/support/ImageFiles.h"
#include "tests/zq/gl/FrameworkRun.h"
#include "tools/dds/DdsWriter.h"
#include "zq/gl/ZqGlPrimitive.h"
#include "zq/gl/ZqGlSpriteQuad.h"
#include "zq/gl/ZqGlTexture.h"
#include "zq/platform/gpu/gpu_test.h"

#include <gtest/gtest.h>

#include <vector>

namespace gpu = zqp::gpu;
using zqp::image::Format;
using zqtest::Image;
using zqtest::runFrameworkCode;
using zqtest::ScriptTask;

namespace {

constexpr uint32_t BACKGROUND = 0xFF000000u;

ZqGlTexture* fromMemory(const char16_t* name, const std::vector<uint8_t>& file,
                        const uint32_t mipCount = 0) {
    return ZqGlTexture::create(name, file.data(), static_cast<uint32_t>(file.size()), mipCount);
}

// An opaque picture (the test picture with alpha forced to 255).
std::vector<uint32_t> opaquePicture(const uint32_t w, const uint32_t h) {
    std::vector<uint32_t> p = zqtest::testPicture(w, h);
    for (uint32_t& v : p) {
        v |= 0xFF000000u;
    }
    return p;
}

// A DDS whose levels are solid colours, one colour per level.
std::vector<uint8_t> levelColoursDds(const Format format, const uint32_t size,
                                     const std::vector<uint32_t>& colours) {
    std::vector<uint8_t> data;
    for (uint32_t mip = 0; mip < colours.size(); ++mip) {
        const uint32_t side = std::max(1u, size >> mip);
        std::vector<uint8_t> argb(static_cast<size_t>(side) * side * 4);
        for (size_t i = 0; i < argb.size(); i += 4) {
            zqtool::putArgb(&argb[i], colours[mip]);
        }
        std::vector<uint8_t> level(zqp::image::levelSize(format, side, side));
        zqp::image::fromArgb(format, argb.data(), side * 4, side, side, level.data(),
                             zqp::image::rowPitch(format, side));
        data.insert(data.end(), level.begin(), level.end());
    }
    zqtool::DdsDesc desc;
    desc.format = format;
    desc.width = size;
    desc.height = size;
    desc.levels = static_cast<uint32_t>(colours.size());
    return zqtool::writeDds(desc, data.data(), data.size());
}

// The device's built-in stage showing texture stage 0 alone, with nothing culled, blended or
// depth-tested, and point sampling (mip levels chosen by point too).
void plainTextureStates(gpu::Device& device) {
    device.setRenderState(gpu::RenderState::CullMode, gpu::CULLMODE_NONE);
    device.setRenderState(gpu::RenderState::AlphaBlendEnable, 0);
    device.setRenderState(gpu::RenderState::AlphaTestEnable, 0);
    device.setRenderState(gpu::RenderState::ZEnable, gpu::ZBUFFERMODE_OFF);
    device.setRenderState(gpu::RenderState::Lighting, 0);
    device.setVertexShader(nullptr);
    device.setPixelShader(nullptr);
    device.setTextureStageState(0, gpu::TextureStageState::ColorOp, gpu::TOP_SELECTARG1);
    device.setTextureStageState(0, gpu::TextureStageState::ColorArg1, gpu::TA_TEXTURE);
    device.setTextureStageState(0, gpu::TextureStageState::AlphaOp, gpu::TOP_SELECTARG1);
    device.setTextureStageState(0, gpu::TextureStageState::AlphaArg1, gpu::TA_TEXTURE);
    for (const auto state : {gpu::SamplerState::MagFilter, gpu::SamplerState::MinFilter,
                             gpu::SamplerState::MipFilter}) {
        device.setSamplerState(0, state, gpu::TEXFILTER_POINT);
    }
    device.setSamplerState(0, gpu::SamplerState::AddressU, gpu::TEXADDR_CLAMP);
    device.setSamplerState(0, gpu::SamplerState::AddressV, gpu::TEXADDR_CLAMP);
}

// Draws the whole texture as a w x h rectangle with its top-left corner at pixel (x, y) of
// the current render target, through a primitive made for it.
void drawTexture(ZqGlTexture* const texture, const float x, const float y, const float w,
                 const float h) {
    gpu::Device& device = *ZqGlSystem::getD3dDevice();
    zq_sprite::Target target;
    target.halfWidth = ZqGlSystem::getRenderTargetWidthHalf();
    target.halfHeight = ZqGlSystem::getRenderTargetHeightHalf();
    target.halfWidthReciprocal = ZqGlSystem::getRenderTargetWidthHalfReciprocal();
    target.halfHeightReciprocal = ZqGlSystem::getRenderTargetHeightHalfReciprocal();
    zq_sprite::Quad quad;
    zq_sprite::screenQuad(target, texture->getWidth(), texture->getHeight(), x, y, 0.0f, w, h, 0, 0,
                          texture->getWidth(), texture->getHeight(), quad);
    ZqGlPrimitive* const primitive = ZqGlPrimitive::createForce(
        u"drawTexture", ZqGlPrimitive::TYPE_TRIANGLESTRIP, 0x201, quad, 4, nullptr, 0);
    ASSERT_NE(primitive, nullptr);
    plainTextureStates(device);
    device.setTexture(0, texture->getD3dTexture().get());
    primitive->draw();
    device.setTexture(0, nullptr);
    primitive->release();
}

// The expected frame: background with rectangles of pixels put at their places.
void put(Image& frame, const uint32_t x0, const uint32_t y0, const uint32_t w, const uint32_t h,
         const std::vector<uint32_t>& pixels) {
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            frame.at(x0 + x, y0 + y) = pixels[static_cast<size_t>(y) * w + x];
        }
    }
}

void fill(Image& frame, const uint32_t x0, const uint32_t y0, const uint32_t w, const uint32_t h,
          const uint32_t colour) {
    put(frame, x0, y0, w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h, colour));
}

TEST(ZqGlTextureDraw, PngTextureLandsTexelForTexel) {
    gpu::test::clearAll();
    const std::vector<uint32_t> picture = opaquePicture(64, 32);
    const std::vector<uint8_t> png =
        zqtest::encodeImage(zqtest::ImageFile::Png, 64, 32, picture, 3);
    ZqGlTexture* texture = nullptr;
    Image frame;
    ScriptTask root;
    root.onFrame = [&](const uint32_t n) {
        if (n == 0) {
            texture = fromMemory(u"png", png);
            EXPECT_NE(texture, nullptr);
        }
        return n < 1;
    };
    root.onDraw = [&] {
        ZqGlSystem::clear(gpu::clear::TARGET, BACKGROUND, 1.0f, 0);
        drawTexture(texture, 100, 60, 64, 32);
        frame = zqtest::readRenderTarget(*ZqGlSystem::getD3dDevice());
    };
    ASSERT_EQ(runFrameworkCode(root), 0u);
    Image expected(1024, 768, BACKGROUND);
    put(expected, 100, 60, 64, 32, picture);
    EXPECT_TRUE(zqtest::imagesMatch(frame, expected, "zqgltexture_png", 0));
}

TEST(ZqGlTextureDraw, DxtMipLevelsFromTheFileAndFilteredOnTheCpu) {
    gpu::test::clearAll();
    // Level colours in 5-6-5 steps, so that DXT1 keeps them exactly.
    const std::vector<uint32_t> levels = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
    const std::vector<uint8_t> own = levelColoursDds(Format::Dxt1, 64, levels);
    // One level of four quadrant colours: filtered levels keep them in their quadrants, and
    // down to 8x8 every block is one colour, which DXT1 holds exactly.
    std::vector<uint32_t> quadrants(64 * 64);
    for (uint32_t y = 0; y < 64; ++y) {
        for (uint32_t x = 0; x < 64; ++x) {
            quadrants[y * 64 + x] = x < 32 ? (y < 32 ? 0xFFFF0000u : 0xFF00FF00u)
                                           : (y < 32 ? 0xFF0000FFu : 0xFFFFFF00u);
        }
    }
    const std::vector<uint8_t> bgra = zqtest::toBgra(quadrants);
    const std::vector<uint8_t> single = zqtool::makeDds(Format::Dxt1, 64, 64, bgra.data(), 1);
    ZqGlTexture* fileMips = nullptr;
    ZqGlTexture* cpuMips = nullptr;
    Image frame;
    ScriptTask root;
    root.onFrame = [&](const uint32_t n) {
        if (n == 0) {
            fileMips = fromMemory(u"own", own);
            cpuMips = fromMemory(u"single", single, 6);
            EXPECT_NE(fileMips, nullptr);
            EXPECT_NE(cpuMips, nullptr);
            EXPECT_EQ(fileMips->getNrMipmapLevels(), 4u);
            EXPECT_EQ(cpuMips->getNrMipmapLevels(), 6u);
            EXPECT_EQ(cpuMips->getFormat(), static_cast<uint32_t>(Format::Dxt1));
        }
        return n < 1;
    };
    root.onDraw = [&] {
        ZqGlSystem::clear(gpu::clear::TARGET, BACKGROUND, 1.0f, 0);
        drawTexture(fileMips, 0, 0, 64, 64);   // level 0
        drawTexture(fileMips, 100, 0, 32, 32); // level 1
        drawTexture(fileMips, 200, 0, 16, 16); // level 2
        drawTexture(fileMips, 300, 0, 8, 8);   // level 3
        drawTexture(cpuMips, 0, 100, 64, 64);
        drawTexture(cpuMips, 100, 100, 8, 8); // level 3: 8x8, each quadrant one block
        frame = zqtest::readRenderTarget(*ZqGlSystem::getD3dDevice());
    };
    ASSERT_EQ(runFrameworkCode(root), 0u);
    Image expected(1024, 768, BACKGROUND);
    fill(expected, 0, 0, 64, 64, levels[0]);
    fill(expected, 100, 0, 32, 32, levels[1]);
    fill(expected, 200, 0, 16, 16, levels[2]);
    fill(expected, 300, 0, 8, 8, levels[3]);
    put(expected, 0, 100, 64, 64, quadrants);
    fill(expected, 100, 100, 4, 4, 0xFFFF0000u);
    fill(expected, 100, 104, 4, 4, 0xFF00FF00u);
    fill(expected, 104, 100, 4, 4, 0xFF0000FFu);
    fill(expected, 104, 104, 4, 4, 0xFFFFFF00u);
    EXPECT_TRUE(zqtest::imagesMatch(frame, expected, "zqgltexture_dxt1_mips", 0));
}

TEST(ZqGlTextureDraw, RenderTargetIsDrawnIntoAndOntoTheFrameAcrossAReset) {
    gpu::test::clearAll();
    const std::vector<uint32_t> picture = opaquePicture(32, 32);
    const std::vector<uint8_t> png =
        zqtest::encodeImage(zqtest::ImageFile::Png, 32, 32, picture, 3);
    constexpr uint32_t TARGET_COLOUR = 0xFF204080u;
    ZqGlTexture* texture = nullptr;
    ZqGlTexture* target = nullptr;
    std::vector<Image> frames;
    ScriptTask root;
    root.onFrame = [&](const uint32_t n) {
        if (n == 0) {
            texture = fromMemory(u"png", png);
            target = ZqGlTexture::createRenderTarget(96, 48, 22, true);
            EXPECT_TRUE(texture != nullptr && target != nullptr);
            // The present of this frame finds the device lost; it is reset at once.
            gpu::test::failNext(gpu::test::Call::Present, gpu::Result::DeviceLost, 1);
            gpu::test::failNext(gpu::test::Call::TestCooperativeLevel, gpu::Result::DeviceNotReset,
                                1);
        }
        return n < 1;
    };
    root.onDraw = [&] {
        ZqGlSystem::setRenderTarget(target);
        EXPECT_EQ(ZqGlSystem::getRenderTargetWidth(), 96.0f);
        ZqGlSystem::clear(gpu::clear::TARGET | gpu::clear::ZBUFFER, TARGET_COLOUR, 1.0f, 0);
        drawTexture(texture, 8, 8, 32, 32);
        ZqGlSystem::setRenderTarget(nullptr);
        ZqGlSystem::clear(gpu::clear::TARGET, BACKGROUND, 1.0f, 0);
        drawTexture(target, 500, 400, 96, 48);
        frames.push_back(zqtest::readRenderTarget(*ZqGlSystem::getD3dDevice()));
    };
    ASSERT_EQ(runFrameworkCode(root), 0u);
    Image expected(1024, 768, BACKGROUND);
    fill(expected, 500, 400, 96, 48, TARGET_COLOUR);
    put(expected, 508, 408, 32, 32, picture);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_TRUE(zqtest::imagesMatch(frames[0], expected, "zqgltexture_target", 0));
    EXPECT_TRUE(zqtest::imagesMatch(frames[1], expected, "zqgltexture_target_after_reset", 0));
}

} // namespace
