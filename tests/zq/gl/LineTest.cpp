// ZqGlLine in the running framework: 2D lines and pens in pixels, 3D lines and strips through a
// camera, the switch between the two inside one begin/end, the colour forms, the frame's reset
// of the settings, and the frame statistics graph drawn through it.
#include "tests/support/GoldenImage.h"
#include "tests/zq/gl/FrameworkRun.h"
#include "zq/gl/ZqGlCamera.h"
#include "zq/gl/ZqGlLine.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace gpu = zqp::gpu;
using zqtest::Image;

namespace {

constexpr uint16_t W = 320;
constexpr uint16_t H = 240;
constexpr uint32_t BLACK = 0xFF000000u;
constexpr uint32_t WHITE = 0xFFFFFFFFu;

void inFrame(const std::function<void()>& body) {
    zqtest::ScriptTask root;
    bool done = false;
    root.onFrame = [](const uint32_t frame) { return frame == 0; };
    root.onDraw = [&] {
        if (!done) {
            done = true;
            ZqGlSystem::clear(gpu::clear::TARGET, BLACK, 1.0f, 0);
            body();
        }
    };
    ASSERT_EQ(zqtest::runFrameworkCode(root, W, H), 0u);
    EXPECT_TRUE(done);
}

Image picture() {
    return zqtest::readRenderTarget(*ZqGlSystem::getD3dDevice());
}

void hline(Image& img, const int x0, const int x1, const int y, const uint32_t c) {
    for (int x = x0; x < x1; ++x) {
        img.at(x, y) = c;
    }
}

void vline(Image& img, const int x, const int y0, const int y1, const uint32_t c) {
    for (int y = y0; y < y1; ++y) {
        img.at(x, y) = c;
    }
}

bool samePoint(const ZqVector2& a, const ZqVector2& b) {
    return a.x == b.x && a.y == b.y;
}
bool samePoint(const ZqVector3& a, const ZqVector3& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

} // namespace

TEST(ZqGlLine, TwoDimensionalLinesAndThePen) {
    inFrame([] {
        ZqGlLine::begin();
        EXPECT_EQ(ZqGlLine::getDim(), ZqGlLine::DIM_NONE);
        ZqGlLine::setColor(WHITE);
        ZqGlLine::draw(ZqVector2(10, 10), ZqVector2(50, 10));
        EXPECT_EQ(ZqGlLine::getDim(), ZqGlLine::DIM_2D);
        EXPECT_TRUE(samePoint(ZqGlLine::getPos2(), ZqVector2(50, 10)));
        ZqGlLine::draw(ZqVector2(50, 30)); // on from the pen
        ZqGlLine::move(ZqVector2(60, 40));
        ZqGlLine::draw(ZqVector2(80, 40));
        const ZqVector2 strip[3] = {{10, 60}, {30, 60}, {30, 80}};
        ZqGlLine::draw(strip, 3);
        EXPECT_TRUE(samePoint(ZqGlLine::getPos2(), ZqVector2(30, 80)));
        // No points: nothing at all, the pen stays. One point: nothing drawn, the pen moves.
        ZqGlLine::draw(strip + 1, 0);
        EXPECT_TRUE(samePoint(ZqGlLine::getPos2(), ZqVector2(30, 80)));
        ZqGlLine::draw(static_cast<const ZqVector2*>(nullptr), 0);
        const ZqVector2 one(100, 100);
        ZqGlLine::draw(&one, 1);
        EXPECT_TRUE(samePoint(ZqGlLine::getPos2(), one));

        // The float colour forms: each channel to a byte, truncated, held to 0..255.
        ZqGlLine::setColor(1.0f, 0.5f, 0.25f, 1.0f);
        EXPECT_EQ(ZqGlLine::m_color, 0xFFFF7F3Fu);
        ZqGlLine::setColor(2.0f, -1.0f, 0.5f, 1.0f);
        EXPECT_EQ(ZqGlLine::m_color, 0xFFFF007Fu);
        ZqGlLine::setColor(ZqVector4(0.0f, 1.0f, 0.0f, 1.0f));
        EXPECT_EQ(ZqGlLine::m_color, 0xFF00FF00u);
        ZqGlLine::draw(ZqVector2(120, 10), ZqVector2(160, 10));
        ZqGlLine::end();
        EXPECT_EQ(ZqGlLine::getDim(), ZqGlLine::DIM_2D);
        // simpleDraw brings its own begin and end.
        ZqGlLine::setColor(0xFF0000FFu);
        ZqGlLine::simpleDraw(ZqVector2(120, 20), ZqVector2(160, 20));

        Image expected(W, H, BLACK);
        hline(expected, 10, 50, 10, WHITE);
        vline(expected, 50, 10, 30, WHITE);
        hline(expected, 60, 80, 40, WHITE);
        hline(expected, 10, 30, 60, WHITE);
        vline(expected, 30, 60, 80, WHITE);
        hline(expected, 120, 160, 10, 0xFF00FF00u);
        hline(expected, 120, 160, 20, 0xFF0000FFu);
        EXPECT_TRUE(zqtest::imagesMatch(picture(), expected, "zqgl_line_2d", 0));
    });
}

TEST(ZqGlLine, ThreeDimensionalLinesThroughTheCamera) {
    inFrame([] {
        // World units are pixels: x right, y down, the view along -z.
        ZqGlCamera* const camera = ZqGlCamera::create();
        ASSERT_NE(camera, nullptr);
        camera->setOrthoOffCenter(0, W, H, 0, 0.5f, 10.0f);
        ZqGlCamera::setCurrent(camera);

        ZqGlLine::begin();
        ZqGlLine::setColor(0xFFFF0000u);
        ZqGlLine::draw(ZqVector3(10, 10, -1), ZqVector3(50, 10, -1));
        EXPECT_EQ(ZqGlLine::getDim(), ZqGlLine::DIM_3D);
        EXPECT_TRUE(samePoint(ZqGlLine::getPos3(), ZqVector3(50, 10, -1)));
        // 250 points: strips of 100, 100 and 52 points that join without a gap.
        std::vector<ZqVector3> points;
        for (int i = 0; i < 250; ++i) {
            points.emplace_back(10.0f + static_cast<float>(i), 30.0f, -1.0f);
        }
        ZqGlLine::draw(points.data(), 250);
        EXPECT_TRUE(samePoint(ZqGlLine::getPos3(), points.back()));
        ZqGlLine::draw(points.data(), 0);
        EXPECT_TRUE(samePoint(ZqGlLine::getPos3(), points.back()));
        // A 2D line in between ends the effect; the next 3D line begins it again.
        ZqGlLine::setColor(WHITE);
        ZqGlLine::draw(ZqVector2(10, 70), ZqVector2(100, 70));
        EXPECT_EQ(ZqGlLine::getDim(), ZqGlLine::DIM_2D);
        ZqGlLine::setColor(0xFF00FF00u);
        ZqGlLine::move(ZqVector3(10, 50, -1));
        ZqGlLine::draw(ZqVector3(100, 50, -1));
        EXPECT_EQ(ZqGlLine::getDim(), ZqGlLine::DIM_3D);
        ZqGlLine::end();
        ZqGlLine::simpleDraw(ZqVector3(10, 90, -1), ZqVector3(100, 90, -1));

        const Image img = picture();
        // Line ends may round either way; the inner pixels are exact.
        for (int x = 12; x < 48; ++x) {
            EXPECT_EQ(img.at(x, 10), 0xFFFF0000u) << x;
            EXPECT_EQ(img.at(x, 9), BLACK) << x;
            EXPECT_EQ(img.at(x, 11), BLACK) << x;
        }
        for (int x = 12; x < 258; ++x) {
            EXPECT_EQ(img.at(x, 30), 0xFFFF0000u) << x;
        }
        for (int x = 12; x < 98; ++x) {
            EXPECT_EQ(img.at(x, 50), 0xFF00FF00u) << x;
            EXPECT_EQ(img.at(x, 70), WHITE) << x;
            EXPECT_EQ(img.at(x, 90), 0xFF00FF00u) << x;
        }
        camera->release();
    });
}

TEST(ZqGlLine, EveryFrameStartsWhiteSolidAndThin) {
    zqtest::ScriptTask root;
    uint32_t frame = 0;
    Image img;
    root.onFrame = [&](const uint32_t f) {
        frame = f;
        return f < 2;
    };
    root.onDraw = [&] {
        if (frame == 0) {
            ZqGlLine::setColor(0xFF00FF00u);
            ZqGlLine::setWidth(7.0f);
            ZqGlLine::setPattern(0x0F0F0F0Fu);
            ZqGlLine::setPatternScale(3.0f);
            ZqGlLine::setAntialiasEnable(true);
        } else if (frame == 1) {
            EXPECT_EQ(ZqGlLine::m_color, WHITE);
            ZqGlSystem::clear(gpu::clear::TARGET, BLACK, 1.0f, 0);
            ZqGlLine::simpleDraw(ZqVector2(10, 10), ZqVector2(100, 10));
            img = picture();
        }
    };
    ASSERT_EQ(zqtest::runFrameworkCode(root, W, H), 0u);
    ASSERT_EQ(img.width, W);
    Image expected(W, H, BLACK);
    hline(expected, 10, 100, 10, WHITE);
    EXPECT_TRUE(zqtest::imagesMatch(img, expected, "zqgl_line_reset", 0));
}

TEST(ZqGlLine, FrameStatisticsGraphDrawsThroughTheLines) {
    inFrame([] {
        ZqSystem::drawStateGraph(20.0f, 20.0f, 200.0f, 100.0f, nullptr, nullptr, nullptr, nullptr,
                                 nullptr);
        const Image img = picture();
        // The white box and its middle line.
        EXPECT_EQ(img.at(100, 20), WHITE);
        EXPECT_EQ(img.at(20, 60), WHITE);
        EXPECT_EQ(img.at(219, 60), WHITE);
        EXPECT_EQ(img.at(100, 70), WHITE);
        EXPECT_EQ(img.at(100, 40), BLACK);
    });
}
