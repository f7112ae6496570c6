#include "tests/support/GoldenImage.h"
#include "zq/file/ZqFile.h"
#include "zq/gl/ZqGlFont.h"
#include "zq/gl/ZqGlLine.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/math/ZqRect.h"
#include "zq/platform/gpu/gpu_test.h"

#include "tests/support/TestFont.h"
#include "tests/zq/gl/FrameworkRun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

// The test face: a cell of 16 pixels is an em of 16 (1000 units), so "A" (advance 600) steps
// 10 pixels (9.6 rounded), "g" (400) 6 and the space (300) 5.
std::vector<uint8_t> testFontData() {
    zqtest::FontPlan plan;
    plan.glyphs = {
        {U'A', 600, {{100, 0, 500, 700}}},
        {U'g', 400, {{100, -200, 300, 500}}},
        {U' ', 300, {}},
    };
    return zqtest::writeTestFont(plan);
}

// Runs each test body once inside a frame's drawing, with the graphics device started by the
// framework (fonts and their sprite start with it).
class ZqGlFontTest : public testing::Test {
protected:
    void inFrame(const std::function<void()>& body) {
        zqtest::ScriptTask root;
        bool done = false;
        root.onFrame = [&](const uint32_t frame) { return frame == 0; };
        root.onDraw = [&] {
            if (done) {
                return;
            }
            done = true;
            const std::vector<uint8_t> data = testFontData();
            m_font = ZqGlFont::create(0, 0, 16, data.data(), static_cast<unsigned>(data.size()),
                                      u"ZqTestSans");
            ASSERT_NE(m_font, nullptr);
            body();
        };
        ASSERT_EQ(zqtest::runFrameworkCode(root, 320, 240), 0u);
        EXPECT_TRUE(done);
    }

    static std::pair<int, int> cursor() {
        int x = -1;
        int y = -1;
        ZqGlFont::getLocation(&x, &y);
        return {x, y};
    }

    ZqGlFont* m_font = nullptr;
};

} // namespace

TEST_F(ZqGlFontTest, DescribesTheFaceItUses) {
    inFrame([&] {
        EXPECT_EQ(m_font->getHeight(), 16);
        EXPECT_EQ(m_font->getWidth(), 8); // average width 500 units
        EXPECT_EQ(std::u16string(m_font->getFontName()), u"ZqTestSans");

        const struct {
            ZqGlFont::ATB atb;
            int width;
            int height;
            const char16_t* asked;
            std::u16string chosen;
            uint16_t reportedHeight;
        } cases[] = {
            {0, 0, 16, u"MS P Gothic", u"IPAPGothic", 16},
            {ZqGlFont::ATB_BOLD, 0, 24, u"Geneva", u"DejaVu Sans", 24},
            {ZqGlFont::ATB_ITALIC, 8, 20, u"Geneva", u"DejaVu Sans", 20},
        };
        for (const auto& c : cases) {
            ZqGlFont* const f = ZqGlFont::create(c.atb, c.width, c.height, c.asked);
            ASSERT_NE(f, nullptr);
            EXPECT_EQ(std::u16string(f->getFontName()), c.chosen);
            EXPECT_EQ(f->getHeight(), c.reportedHeight);
            if (c.width != 0) {
                EXPECT_EQ(f->getWidth(), c.width);
            }
            f->release();
        }
    });
}

TEST_F(ZqGlFontTest, PrintingMovesTheCursorLikeAConsole) {
    inFrame([&] {
        // Two letters, a line feed, two more: the second line starts at the first line's x.
        EXPECT_EQ(m_font->printf(10, 20, u"AA\nAg"), 5);
        EXPECT_EQ(cursor(), std::make_pair(10 + 16, 36));
        // The next call continues where this one ended; its line feed returns to that x.
        EXPECT_EQ(m_font->printf(u"%s\n%d", u"g", 7), 3);
        EXPECT_EQ(cursor(), std::make_pair(26 + 8, 52)); // "7" is not in the face: the missing box
        ZqGlFont::setLocation(0, 0);
        EXPECT_EQ(m_font->simplePrintf(u"A A"), 3);
        EXPECT_EQ(cursor(), std::make_pair(25, 0));
        EXPECT_EQ(m_font->simplePrintf(100, 50, u"\n\n"), 2);
        EXPECT_EQ(cursor(), std::make_pair(100, 82));
    });
}

TEST_F(ZqGlFontTest, PutcharMovesDownWithoutReturning) {
    inFrame([&] {
        ZqGlFont::setLocation(30, 40);
        EXPECT_EQ(m_font->putchar('A'), 'A');
        EXPECT_EQ(cursor(), std::make_pair(40, 40));
        EXPECT_EQ(m_font->putchar('\n'), '\n');
        EXPECT_EQ(cursor(), std::make_pair(40, 56));
        EXPECT_EQ(m_font->putchar('g'), 'g');
        EXPECT_EQ(cursor(), std::make_pair(46, 56));
        // Past the basic plane, and past Unicode: one glyph each (here the missing box, 8 px).
        EXPECT_EQ(m_font->putchar(0x1F600), 0x1F600);
        EXPECT_EQ(m_font->putchar(-5), -5);
        EXPECT_EQ(cursor(), std::make_pair(62, 56));
    });
}

TEST_F(ZqGlFontTest, TextThatDoesNotFitIsRefusedWithoutDrawing) {
    inFrame([&] {
        const std::u16string fits(ZqGlFont::MAX_TEXT, u'A');
        const std::u16string tooLong(ZqGlFont::MAX_TEXT + 1, u'A');
        ZqGlFont::setLocation(0, 0);
        EXPECT_EQ(m_font->printf(u"%s", tooLong.c_str()), -1);
        EXPECT_EQ(cursor(), std::make_pair(0, 0));
        EXPECT_EQ(m_font->simplePrintf(u"%s!", fits.c_str()), -1);
        EXPECT_EQ(cursor(), std::make_pair(0, 0));
        EXPECT_EQ(m_font->printf(u"%s", fits.c_str()), ZqGlFont::MAX_TEXT);
        EXPECT_EQ(cursor(), std::make_pair(ZqGlFont::MAX_TEXT * 10, 0));
        // The (x, y) form moves the cursor even when the format is refused.
        EXPECT_EQ(m_font->printf(7, 9, u"%n", nullptr), -1);
        EXPECT_EQ(cursor(), std::make_pair(7, 9));
        EXPECT_EQ(m_font->printf(nullptr), -1);
    });
}

TEST_F(ZqGlFontTest, CreatingAFontResetsCursorAndColour) {
    inFrame([&] {
        ZqGlFont::setLocation(5, 6);
        ZqGlFont::setColor(0x80112233u);
        ZqGlFont* const f = ZqGlFont::create(0, 0, 12, u"Geneva");
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(cursor(), std::make_pair(0, 0));
        EXPECT_EQ(ZqGlFont::m_color, 0xFFFFFFFFu);
        f->release();
    });
}

TEST_F(ZqGlFontTest, RenderRect) {
    inFrame([&] {
        const struct {
            const char16_t* text;
            ZqRect rect;
        } cases[] = {
            {u"AAg", {0, 0, 26, 16}},
            {u"g\nAA\nA", {0, 0, 20, 48}},
            {u"", {0, 0, 0, 0}},
            {nullptr, {0, 0, 0, 0}},
        };
        for (const auto& c : cases) {
            ZqRect r(-1, -1, -1, -1);
            m_font->getRenderRect(&r, c.text);
            EXPECT_EQ(r, c.rect);
            EXPECT_EQ(m_font->getRenderWidth(c.text), c.rect.right);
        }
        m_font->getRenderRect(nullptr, u"A");
    });
}

TEST_F(ZqGlFontTest, PoolAndRefusals) {
    inFrame([&] {
        const std::string garbage = "not a font";
        EXPECT_EQ(ZqGlFont::create(0, 0, 16, garbage.data(), static_cast<unsigned>(garbage.size()),
                                   u"ZqTestSans"),
                  nullptr);
        EXPECT_EQ(ZqGlFont::create(0, 0, 16, nullptr, 10u, u"ZqTestSans"), nullptr);
        // Larger than 32,767 pixels: refused, and the element is back in the pool.
        EXPECT_EQ(ZqGlFont::create(0, 0, 40000, u"Geneva"), nullptr);
        EXPECT_EQ(ZqGlFont::create(0, 40000, 16, u"Geneva"), nullptr);
        EXPECT_EQ(ZqGlFont::getNrInstances(), 1u);

        std::vector<ZqGlFont*> fonts;
        while (ZqGlFont* const f = ZqGlFont::create(0, 0, 10, u"Geneva")) {
            fonts.push_back(f);
        }
        EXPECT_EQ(fonts.size() + 1, ZqGlFont::NR_FONTS);
        EXPECT_EQ(fonts.back()->release(), 0u);
        EXPECT_EQ(fonts.back()->release(), 0u); // a second release changes nothing
        fonts.pop_back();
        EXPECT_EQ(ZqGlFont::getNrInstances(), ZqGlFont::NR_FONTS - 1);
        EXPECT_NE(ZqGlFont::create(0, 0, 10, u"Geneva"), nullptr);
        // The pool's end releases whatever is still in use.
    });
}

TEST_F(ZqGlFontTest, FontsFromAFile) {
    inFrame([&] {
        std::string folder = (std::filesystem::temp_directory_path() / "zqfont-XXXXXX").string();
        ASSERT_NE(mkdtemp(folder.data()), nullptr);
        const std::vector<uint8_t> data = testFontData();
        {
            std::ofstream out(folder + "/test.ttf", std::ios::binary);
            out.write(reinterpret_cast<const char*>(data.data()),
                      static_cast<std::streamsize>(data.size()));
            std::ofstream bad(folder + "/bad.ttf", std::ios::binary);
            bad << "not a font";
        }
        const std::u16string base(folder.begin(), folder.end());
        ZqGlFont* const f =
            ZqGlFont::create(0, 0, 10, (base + u"/test.ttf").c_str(), u"ZqTestSans");
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(std::u16string(f->getFontName()), u"ZqTestSans");
        EXPECT_EQ(f->getRenderWidth(u"AgA"), 16);
        EXPECT_EQ(ZqGlFont::create(0, 0, 10, (base + u"/bad.ttf").c_str(), u"ZqTestSans"), nullptr);
        EXPECT_EQ(ZqGlFont::create(0, 0, 10, (base + u"/none.ttf").c_str(), u"ZqTestSans"),
                  nullptr);
        EXPECT_EQ(ZqGlFont::getNrInstances(), 2u);
        std::filesystem::remove_all(folder);
    });
}

TEST_F(ZqGlFontTest, GlyphsLandOnTheirPixelsInTheTextColour) {
    inFrame([&] {
        const std::vector<uint8_t> data = testFontData();
        ZqGlFont* const f = ZqGlFont::create(0, 0, 10, data.data(),
                                             static_cast<unsigned>(data.size()), u"ZqTestSans");
        ASSERT_NE(f, nullptr);
        ZqGlSystem::clear(1, 0xFF000000u, 1.0f, 0);
        ZqGlFont::begin();
        ZqGlFont::setColor(0xFFFF0000u);
        EXPECT_EQ(f->printf(10, 20, u"AA\ng"), 4);
        ZqGlFont::setColor(0x8000FF00u);
        EXPECT_EQ(f->printf(40, 20, u"A"), 1);
        ZqGlFont::end();
        // Outside a batch a call draws at once.
        ZqGlFont::setColor(0xFF0000FFu);
        EXPECT_EQ(f->putchar('A'), 'A');
        const zqtest::Image actual = zqtest::readRenderTarget(*ZqGlSystem::getD3dDevice());

        // The test face at 10 pixels: "A" is 4 x 7 one pixel right of and below the pen's
        // cell corner, and steps 6; "g" is 2 x 7, three rows down.
        zqtest::Image expected(320, 240, 0xFF000000u);
        const auto box = [&](const int x, const int y, const int w, const int h, const uint32_t c) {
            for (int j = y; j < y + h; ++j) {
                for (int i = x; i < x + w; ++i) {
                    expected.at(i, j) = c;
                }
            }
        };
        box(11, 21, 4, 7, 0xFFFF0000u);
        box(17, 21, 4, 7, 0xFFFF0000u);
        box(11, 33, 2, 7, 0xFFFF0000u);
        box(41, 21, 4, 7, 0xFF008000u); // half of green over black
        box(47, 21, 4, 7, 0xFF0000FFu); // putchar carried on after the last print
        EXPECT_TRUE(zqtest::imagesMatch(actual, expected, "zqgl_font_pixels", 1));
    });
}

TEST_F(ZqGlFontTest, TextInTwoFacesMatchesTheGoldenPicture) {
    inFrame([&] {
        ZqGlFont* const gothic = ZqGlFont::create(0, 0, 24, u"MS P Gothic");
        ZqGlFont* const geneva = ZqGlFont::create(ZqGlFont::ATB_BOLD, 0, 20, u"Geneva");
        ASSERT_NE(gothic, nullptr);
        ASSERT_NE(geneva, nullptr);
        ZqGlSystem::clear(1, 0xFF102040u, 1.0f, 0);
        ZqGlFont::begin();
        // White Gothic, continued by a second call and broken by a line feed.
        gothic->printf(8, 8, u"Gothic: あいう 漢字 ");
        gothic->printf(u"%d\nnext line", 42);
        // Yellow bold sans serif; its own line feeds return to x = 8.
        ZqGlFont::setColor(0xFFFFE040u);
        geneva->printf(8, 80, u"Geneva bold\n%s", u"second");
        ZqGlFont::setColor(0xC080FF80u);
        geneva->putchar('!');
        geneva->putchar('\n');
        geneva->putchar('?');
        ZqGlFont::end();
        const zqtest::Image actual = zqtest::readRenderTarget(*ZqGlSystem::getD3dDevice());
        EXPECT_TRUE(zqtest::matchesGolden(actual, "gl/font_two_faces.png", 2, 8));
    });
}

TEST(ZqGlFontReset, TextAndLinesDrawAfterADeviceReset) {
    zqtest::ScriptTask root;
    uint32_t frame = 0;
    ZqGlFont* font = nullptr;
    zqtest::Image img;
    const std::vector<uint8_t> data = testFontData();
    // A reset makes a new back buffer: the one of frame 0 is gone by frame 1.
    std::weak_ptr<zqp::gpu::Surface> firstBackBuffer;
    bool reset = false;
    root.onFrame = [&](const uint32_t f) {
        frame = f;
        if (f == 1) {
            reset = firstBackBuffer.expired();
        }
        if (f == 0) {
            std::shared_ptr<zqp::gpu::Surface> bb;
            ZqGlSystem::getD3dDevice()->getBackBuffer(0, bb);
            firstBackBuffer = bb;
            // This frame's present loses the device, which can be reset at once.
            zqp::gpu::test::failNext(zqp::gpu::test::Call::Present, zqp::gpu::Result::DeviceLost);
            zqp::gpu::test::failNext(zqp::gpu::test::Call::TestCooperativeLevel,
                                     zqp::gpu::Result::DeviceNotReset);
        }
        return f < 2;
    };
    root.onDraw = [&] {
        if (frame == 0) {
            font = ZqGlFont::create(0, 0, 10, data.data(), static_cast<unsigned>(data.size()),
                                    u"ZqTestSans");
            ASSERT_NE(font, nullptr);
            font->simplePrintf(10, 20, u"AA");
            ZqGlLine::simpleDraw(ZqVector2(10, 50), ZqVector2(30, 50));
            return;
        }
        if (frame == 1 && font != nullptr) {
            ZqGlSystem::clear(1, 0xFF000000u, 1.0f, 0);
            ZqGlFont::setColor(0xFFFF0000u);
            font->simplePrintf(10, 20, u"AA");
            ZqGlLine::simpleDraw(ZqVector2(10, 50), ZqVector2(30, 50));
            img = zqtest::readRenderTarget(*ZqGlSystem::getD3dDevice());
        }
    };
    ASSERT_EQ(zqtest::runFrameworkCode(root, 320, 240), 0u);
    zqp::gpu::test::clearAll();
    EXPECT_TRUE(reset);
    ASSERT_EQ(img.width, 320u);
    zqtest::Image expected(320, 240, 0xFF000000u);
    for (int y = 21; y < 28; ++y) {
        for (int x = 11; x < 15; ++x) {
            expected.at(x, y) = 0xFFFF0000u;
            expected.at(x + 6, y) = 0xFFFF0000u;
        }
    }
    for (int x = 10; x < 30; ++x) {
        expected.at(x, 50) = 0xFFFFFFFFu;
    }
    EXPECT_TRUE(zqtest::imagesMatch(img, expected, "zqgl_font_after_reset", 1));
}
