#include "zq/file/ZqFile.h"
#include "zq/gl/ZqGlFont.h"
#include "zq/math/ZqRect.h"

#include "tests/support/TestFont.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
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

class ZqGlFontTest : public testing::Test {
protected:
    void SetUp() override {
        ZqGlFont::sysInit();
        const std::vector<uint8_t> data = testFontData();
        m_font = ZqGlFont::create(0, 0, 16, data.data(), static_cast<unsigned>(data.size()),
                                  u"ZqTestSans");
        ASSERT_NE(m_font, nullptr);
    }
    void TearDown() override { ZqGlFont::sysQuit(); }

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
}

TEST_F(ZqGlFontTest, PrintingMovesTheCursorLikeAConsole) {
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
}

TEST_F(ZqGlFontTest, PutcharMovesDownWithoutReturning) {
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
}

TEST_F(ZqGlFontTest, TextThatDoesNotFitIsRefusedWithoutDrawing) {
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
}

TEST_F(ZqGlFontTest, CreatingAFontResetsCursorAndColour) {
    ZqGlFont::setLocation(5, 6);
    ZqGlFont::setColor(0x80112233u);
    ZqGlFont* const f = ZqGlFont::create(0, 0, 12, u"Geneva");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(cursor(), std::make_pair(0, 0));
    EXPECT_EQ(ZqGlFont::m_color, 0xFFFFFFFFu);
    f->release();
}

TEST_F(ZqGlFontTest, RenderRect) {
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
}

TEST_F(ZqGlFontTest, PoolAndRefusals) {
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
}

TEST_F(ZqGlFontTest, FontsFromAFile) {
    ZqFile::sysInit();
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
    ZqGlFont* const f = ZqGlFont::create(0, 0, 10, (base + u"/test.ttf").c_str(), u"ZqTestSans");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::u16string(f->getFontName()), u"ZqTestSans");
    EXPECT_EQ(f->getRenderWidth(u"AgA"), 16);
    EXPECT_EQ(ZqGlFont::create(0, 0, 10, (base + u"/bad.ttf").c_str(), u"ZqTestSans"), nullptr);
    EXPECT_EQ(ZqGlFont::create(0, 0, 10, (base + u"/none.ttf").c_str(), u"ZqTestSans"), nullptr);
    EXPECT_EQ(ZqGlFont::getNrInstances(), 2u);
    ZqFile::sysQuit();
    std::filesystem::remove_all(folder);
}
