// The layout player on real GL, headless, through CDldTask's flush: a one-pixel checkerboard
// cell drawn unscaled comes back texel for texel, and a written layout with nested, turned,
// scaled and faded layers, a clipping layer and the four blend modes matches its golden
// picture.
#include "dorvanex/dld/CDldDraw.h"
#include "dorvanex/dld/CDldElementList.h"
#include "dorvanex/dld/CDldFile.h"
#include "dorvanex/dld/CDldLayer.h"
#include "dorvanex/dld/CDldTask.h"
#include "tests/dorvanex/dld/DldLayouts.h"
#include "tests/support/GameRun.h"
#include "tests/support/GoldenImage.h"
#include "tests/support/ImageFiles.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/gl/ZqGlTexture.h"

#include <gtest/gtest.h>

#include <functional>

using namespace dldtest;

namespace {

constexpr uint16_t W = 192;
constexpr uint16_t H = 160;

void inFrame(const std::function<void()>& body) {
    EXPECT_TRUE(zqtest::GameRun::inFrame(body, W, H));
}

// A texture with alpha, made from a PNG file in memory; named so that tests may share it.
ZqGlTexture* makeTexture(const uint32_t w, const uint32_t h,
                         const std::function<uint32_t(uint32_t, uint32_t)>& pixel,
                         const char16_t* const name) {
    std::vector<uint32_t> argb(static_cast<size_t>(w) * h);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            argb[static_cast<size_t>(y) * w + x] = pixel(x, y);
        }
    }
    const std::vector<uint8_t> png = zqtest::encodeImage(zqtest::ImageFile::Png, w, h, argb);
    return ZqGlTexture::create(name, png.data(), static_cast<uint32_t>(png.size()), 1);
}

// Draws the list through the layout task onto a cleared back buffer and reads it back.
zqtest::Image drawThroughTask(CDldElementList& list, const uint32_t clearColor) {
    CDldTask task;
    task.init();
    ZqGlSystem::clear(1 | 2 | 4, clearColor, 1.0f, 0);
    list.drawAll();
    task.draw(0.0f);
    zqtest::Image image = zqtest::readRenderTarget(*ZqGlSystem::getD3dDevice());
    task.quit();
    return image;
}

} // namespace

TEST(CDldRender, CheckerboardCellReadsBackExactly) {
    inFrame([] {
        ZqGlTexture* const texture = makeTexture(
            16, 16,
            [](const uint32_t x, const uint32_t y) {
                return ((x + y) & 1) != 0 ? 0xFFFFFFFFu : 0xFF000000u | (x * 16) << 8 | y * 16;
            },
            u"dldchecker");
        ASSERT_NE(texture, nullptr);
        dldw::Layout l;
        l.textures = 1;
        l.cells = {{0, 0, 0, 16, 16}};
        dldw::Layer top = layer(0, 0, 60, 10);
        dldw::Track t = cellTrack(0, 0, 10);
        t.keys[0] = addKeys(l, dldfmt::KEY_POSITION, {{0, 20, 30}});
        top.tracks = {t};
        l.layers = {top};
        const std::vector<uint8_t> image = build(l);
        CDldFile* file = CDldFile::create(image.data(), image.size());
        file->addTexture(texture);
        CDldElementList* list = nullptr;
        ASSERT_TRUE(CDldElementList::create(1, &list));
        list->addLayer(file, 0, 3)->getLayer()->play(CDldLayer::END_LOOP);
        const zqtest::Image shot = drawThroughTask(*list, 0xFF402010u);
        ASSERT_EQ(shot.width, W);
        for (uint32_t y = 0; y < 16; ++y) {
            for (uint32_t x = 0; x < 16; ++x) {
                const uint32_t expected = ((x + y) & 1) != 0 ? 0xFFFFFFu : (x * 16) << 8 | y * 16;
                ASSERT_EQ(shot.at(20 + x, 30 + y) & 0xFFFFFFu, expected) << x << "," << y;
            }
        }
        EXPECT_EQ(shot.at(19, 30) & 0xFFFFFFu, 0x402010u);
        EXPECT_EQ(shot.at(36, 30) & 0xFFFFFFu, 0x402010u);
        dldRelease(list);
        dldRelease(file);
        texture->release();
    });
}

TEST(CDldRender, WrittenLayoutMatchesGolden) {
    inFrame([] {
        // A soft disc and a stripe texture.
        ZqGlTexture* const disc = makeTexture(
            32, 32,
            [](const uint32_t x, const uint32_t y) {
                const int dx = static_cast<int>(x) - 16, dy = static_cast<int>(y) - 16;
                const int d2 = dx * dx + dy * dy;
                const uint32_t a = d2 >= 256 ? 0 : static_cast<uint32_t>(255 - d2 * 255 / 256);
                return a << 24 | 0xE0u << 16 | (x * 8) << 8 | (y * 8);
            },
            u"dlddisc");
        ZqGlTexture* const stripes = makeTexture(
            16, 16,
            [](const uint32_t x, const uint32_t) {
                return (x / 4) % 2 != 0 ? 0xFF30C0F0u : 0xC0F04060u;
            },
            u"dldstripes");
        ASSERT_NE(disc, nullptr);
        ASSERT_NE(stripes, nullptr);
        dldw::Layout l;
        l.textures = 2;
        l.cells = {{0, 0, 0, 32, 32}, {1, 0, 0, 16, 16}};
        // Layer 1: a turned, scaled, fading stripe; layer 2 clips 24 x 24 around a big disc.
        dldw::Layer spinner = layer(0, 0, 60, 60);
        dldw::Track s = cellTrack(1, 0, 60);
        s.keys[1] = addKeys(l, dldfmt::KEY_SCALE, {{0, 100, 100}, {10, 200, 150}});
        s.keys[2] = addKeys(l, dldfmt::KEY_ROTATION, {{0, 0}, {10, 60}});
        s.keys[3] = addKeys(l, dldfmt::KEY_ALPHA, {{0, 255}, {10, 128}});
        s.keys[4] = addKeys(l, dldfmt::KEY_PIVOT, {{0, 8, 8}});
        spinner.tracks = {s};
        dldw::Layer clipper = layer(24, 24, 60, 60, true);
        dldw::Track big = cellTrack(0, 0, 60);
        big.keys[0] = addKeys(l, dldfmt::KEY_POSITION, {{0, -8, -8}});
        big.keys[1] = addKeys(l, dldfmt::KEY_SCALE, {{0, 150, 150}});
        clipper.tracks = {big};
        dldw::Layer top = layer(0, 0, 60, 60);
        auto at = [&](dldw::Track t, const int32_t x, const int32_t y) {
            t.keys[0] = addKeys(l, dldfmt::KEY_POSITION, {{0, x, y}});
            return t;
        };
        dldw::Track nestedSpin = at(layerTrack(1, 0, 60), 40, 30);
        dldw::Track nestedClip = at(layerTrack(2, 0, 60), 90, 10);
        // The four blend modes over a row of discs (mode 0 via flags 0 keeps the parent's).
        top.tracks = {nestedSpin, nestedClip};
        for (uint32_t mode = 0; mode < 4; ++mode) {
            dldw::Track d = at(cellTrack(0, 0, 60), static_cast<int32_t>(8 + mode * 36), 70);
            d.flags = mode == 0 ? 0 : mode;
            top.tracks.push_back(d);
        }
        // The discs again behind the row, so each blend has something to mix with.
        for (uint32_t mode = 0; mode < 4; ++mode) {
            top.tracks.push_back(at(cellTrack(1, 0, 60), static_cast<int32_t>(16 + mode * 36), 78));
        }
        l.layers = {top, spinner, clipper};
        const std::vector<uint8_t> image = build(l);
        CDldFile* file = CDldFile::create(image.data(), image.size());
        ASSERT_TRUE(file->getTables().isValid());
        file->addTexture(disc);
        file->addTexture(stripes);
        CDldElementList* list = nullptr;
        ASSERT_TRUE(CDldElementList::create(2, &list));
        CDldLayer* const layer = list->addLayer(file, 0, 3)->getLayer();
        layer->getRenderInfo().setAlpha(0.9f);
        layer->getRenderInfo().setFilter(1);
        layer->play(CDldLayer::END_LOOP);
        layer->update(100.0f); // frame 6
        const zqtest::Image shot = drawThroughTask(*list, 0x80203040u);
        EXPECT_TRUE(zqtest::matchesGolden(shot, "dorvanex/dld_layout.png", 2, 16));
        dldRelease(list);
        dldRelease(file);
        disc->release();
        stripes->release();
    });
}
