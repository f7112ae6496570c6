#include "zq/platform/font/font.h"

#include "tests/support/TestFont.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace font = zqp::font;

namespace {

// Family "ZqTestSans": cell = em = 1000 units (ascent 800, descent 200), so a cell height of
// h pixels is an em of h pixels and 100 units is h / 10 pixels.
zqtest::FontPlan testPlan() {
    zqtest::FontPlan plan;
    plan.otherFamilies = {u"テストサンズ"};
    plan.glyphs = {
        {U'A', 600, {{100, 0, 500, 700}}},
        {U'g', 400, {{100, -200, 300, 500}}},
        {U'H', 700, {{100, 0, 200, 700}, {500, 0, 600, 700}, {200, 300, 500, 400}}},
        {U' ', 300, {}},
        {U'\U0001F600', 1000, {{0, 0, 1000, 800}}},
    };
    return plan;
}

std::shared_ptr<font::Registration> registerTestFont(const zqtest::FontPlan& plan = testPlan()) {
    const std::vector<uint8_t> bytes = zqtest::writeTestFont(plan);
    return font::Registration::add(bytes.data(), bytes.size());
}

std::unique_ptr<font::Font> makeFont(const std::u16string& face, const int32_t height,
                                     const int32_t width = 0,
                                     const uint32_t weight = font::WEIGHT_NORMAL,
                                     const bool italic = false) {
    font::Request r;
    r.faceName = face;
    r.height = height;
    r.width = width;
    r.weight = weight;
    r.italic = italic;
    return font::Font::create(r);
}

// The glyph's coverage, row after row.
std::vector<uint8_t> pixelsOf(const font::Font& f, const font::Glyph& g) {
    std::vector<uint8_t> out;
    const font::Page& p = f.page(g.page);
    for (uint32_t row = 0; row < g.height; ++row) {
        for (uint32_t col = 0; col < g.width; ++col) {
            out.push_back(p.coverage[(size_t{g.y} + row) * p.width + g.x + col]);
        }
    }
    return out;
}

uint32_t inkOf(const font::Font& f, const font::Glyph& g) {
    uint32_t sum = 0;
    for (const uint8_t v : pixelsOf(f, g)) {
        sum += v;
    }
    return sum;
}

} // namespace

TEST(PlatformFont, FaceNamesMapToInstalledFamilies) {
    const struct {
        std::u16string asked;
        std::u16string family;
        std::string file;
    } cases[] = {
        {u"MS P Gothic", u"IPAPGothic", "ipagp.ttf"},
        {u"ms p gothic", u"IPAPGothic", "ipagp.ttf"},
        {u"Geneva", u"DejaVu Sans", "DejaVuSans.ttf"},
        {u"DejaVu Sans", u"DejaVu Sans", "DejaVuSans.ttf"},
    };
    for (const auto& c : cases) {
        const auto f = makeFont(c.asked, 16);
        ASSERT_NE(f, nullptr);
        const font::Description& d = f->description();
        EXPECT_EQ(d.faceName, c.family);
        EXPECT_NE(d.file.find(c.file), std::string::npos) << d.file;
        EXPECT_EQ(d.height, 16);
        EXPECT_EQ(d.ascent + d.descent, 16);
        EXPECT_GT(d.averageWidth, 0);
    }
    // A name nobody knows still gets a face: the one the font configuration prefers.
    const auto other = makeFont(u"No Such Face 123", 16);
    ASSERT_NE(other, nullptr);
    EXPECT_FALSE(other->description().faceName.empty());
    EXPECT_FALSE(other->description().file.empty());
}

TEST(PlatformFont, GothicIsProportionalWithJapaneseGlyphs) {
    const auto f = makeFont(u"MS P Gothic", 24);
    ASSERT_NE(f, nullptr);
    EXPECT_LT(f->glyph(U'i').advance, f->glyph(U'W').advance);
    // Hiragana, katakana and a kanji: drawn, about one em wide.
    for (const char32_t c : {U'あ', U'ア', U'字'}) {
        const font::Glyph& g = f->glyph(c);
        EXPECT_GT(g.width, 8) << static_cast<uint32_t>(c);
        EXPECT_GT(inkOf(*f, g), 255u * 20) << static_cast<uint32_t>(c);
        EXPECT_GE(g.advance, 18);
    }
    // The sans serif's "l" is one upright stroke: every row of it holds the same ink.
    const auto sans = makeFont(u"Geneva", 32);
    ASSERT_NE(sans, nullptr);
    const font::Glyph& l = sans->glyph(U'l');
    ASSERT_GT(l.height, 16);
    const std::vector<uint8_t> px = pixelsOf(*sans, l);
    for (uint32_t row = 1; row < l.height; ++row) {
        for (uint32_t col = 0; col < l.width; ++col) {
            EXPECT_EQ(px[row * l.width + col], px[col]) << row << "," << col;
        }
    }
}

TEST(PlatformFont, BoxGlyphsRasteriseToExactPixels) {
    const auto reg = registerTestFont();
    ASSERT_NE(reg, nullptr);
    const auto f = makeFont(u"ZqTestSans", 10);
    ASSERT_NE(f, nullptr);
    const font::Description& d = f->description();
    EXPECT_EQ(d.faceName, u"ZqTestSans");
    EXPECT_TRUE(d.file.empty());
    EXPECT_EQ(d.height, 10);
    EXPECT_EQ(d.ascent, 8);
    EXPECT_EQ(d.descent, 2);
    EXPECT_EQ(d.averageWidth, 5);

    // (glyph, left, top, width, height, advance): top counts from the cell's top, whose
    // baseline is 8 pixels down.
    const std::tuple<char32_t, int, int, int, int, int> cases[] = {
        {U'A', 1, 1, 4, 7, 6}, {U'g', 1, 3, 2, 7, 4},
        {U'H', 1, 1, 5, 7, 7}, {U'\U0001F600', 0, 0, 10, 8, 10},
        {U'Z', 1, 1, 3, 7, 5}, // not in the face: the missing-glyph box
    };
    for (const auto& [c, left, top, width, height, advance] : cases) {
        SCOPED_TRACE(static_cast<uint32_t>(c));
        const font::Glyph& g = f->glyph(c);
        EXPECT_EQ(g.advance, advance);
        EXPECT_EQ(g.left, left);
        EXPECT_EQ(g.top, top);
        ASSERT_EQ(g.width, width);
        ASSERT_EQ(g.height, height);
        if (c == U'H') {
            // Two stems and a bar: the columns between them are empty except for rows 3..4.
            const std::vector<uint8_t> px = pixelsOf(*f, g);
            for (int row = 0; row < height; ++row) {
                EXPECT_EQ(px[row * width + 0], 255);
                EXPECT_EQ(px[row * width + 4], 255);
                const uint8_t bar = row == 3 ? 255 : 0;
                EXPECT_EQ(px[row * width + 2], bar) << row;
            }
            continue;
        }
        for (const uint8_t v : pixelsOf(*f, g)) {
            EXPECT_EQ(v, 255);
        }
    }
    // Space: a step and no pixels.
    EXPECT_EQ(f->glyph(U' ').width, 0);
    EXPECT_EQ(f->glyph(U' ').advance, 3);
}

TEST(PlatformFont, HeightAndWidthRules) {
    const auto reg = registerTestFont();
    ASSERT_NE(reg, nullptr);
    // (height, width) -> (cell, ascent, A's bitmap width, A's advance, average width)
    const std::tuple<int32_t, int32_t, int, int, int, int, int> cases[] = {
        {20, 0, 20, 16, 8, 12, 10},
        {-20, 0, 20, 16, 8, 12, 10}, // the em; here equal to the cell
        {0, 0, font::DEFAULT_HEIGHT, 13, 7, 10, 8},
        {10, 10, 10, 8, 8, 12, 10},  // average width 10: the em is 20 wide
        {10, -10, 10, 8, 8, 12, 10}, // the sign of the width is ignored
    };
    for (const auto& [h, w, cell, ascent, aWidth, aAdvance, avg] : cases) {
        SCOPED_TRACE(testing::Message() << h << " x " << w);
        const auto f = makeFont(u"ZqTestSans", h, w);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->description().height, cell);
        EXPECT_EQ(f->description().ascent, ascent);
        EXPECT_EQ(f->description().averageWidth, avg);
        EXPECT_NEAR(f->glyph(U'A').width, aWidth, 1);
        EXPECT_EQ(f->glyph(U'A').advance, aAdvance);
    }
    // A face whose cell is larger than its em: a positive height sizes the cell, a negative
    // one the em.
    zqtest::FontPlan tall = testPlan();
    tall.family = u"ZqTallSans";
    tall.ascent = 1500;
    tall.descent = 500;
    const auto tallReg = registerTestFont(tall);
    ASSERT_NE(tallReg, nullptr);
    const auto cell = makeFont(u"ZqTallSans", 20);
    const auto em = makeFont(u"ZqTallSans", -20);
    ASSERT_NE(cell, nullptr);
    ASSERT_NE(em, nullptr);
    EXPECT_EQ(cell->description().height, 20);
    EXPECT_EQ(cell->description().ascent, 15);
    EXPECT_EQ(cell->glyph(U'A').advance, 6);
    EXPECT_EQ(em->description().height, 40);
    EXPECT_EQ(em->description().ascent, 30);
    EXPECT_EQ(em->glyph(U'A').advance, 12);
}

TEST(PlatformFont, BoldAndItalicAreSynthesisedOnAnUprightRegularFace) {
    const auto reg = registerTestFont();
    ASSERT_NE(reg, nullptr);
    const auto plain = makeFont(u"ZqTestSans", 40);
    const auto bold = makeFont(u"ZqTestSans", 40, 0, font::WEIGHT_BOLD);
    const auto italic = makeFont(u"ZqTestSans", 40, 0, font::WEIGHT_NORMAL, true);
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(bold, nullptr);
    ASSERT_NE(italic, nullptr);
    EXPECT_EQ(bold->description().weight, font::WEIGHT_BOLD);
    EXPECT_TRUE(italic->description().italic);

    const font::Glyph& p = plain->glyph(U'A');
    const font::Glyph& b = bold->glyph(U'A');
    EXPECT_GT(b.width, p.width);
    EXPECT_GE(b.advance, p.advance);
    EXPECT_GT(inkOf(*bold, b), inkOf(*plain, p));

    // Slanted: the ink of the top row sits further right than that of the bottom row.
    const font::Glyph& i = italic->glyph(U'A');
    const std::vector<uint8_t> px = pixelsOf(*italic, i);
    const auto centre = [&](const uint32_t row) {
        double sum = 0.0;
        double weighted = 0.0;
        for (uint32_t col = 0; col < i.width; ++col) {
            sum += px[row * i.width + col];
            weighted += px[row * i.width + col] * col;
        }
        return weighted / sum;
    };
    EXPECT_GT(centre(0), centre(i.height - 1) + 2.0);

    // A face that is bold already is not made bolder.
    zqtest::FontPlan heavy = testPlan();
    heavy.family = u"ZqHeavySans";
    heavy.weight = 700;
    const auto heavyReg = registerTestFont(heavy);
    const auto heavyBold = makeFont(u"ZqHeavySans", 40, 0, font::WEIGHT_BOLD);
    ASSERT_NE(heavyBold, nullptr);
    EXPECT_EQ(heavyBold->glyph(U'A').width, p.width);
}

TEST(PlatformFont, LayoutAndMeasure) {
    const auto reg = registerTestFont();
    const auto f = makeFont(u"ZqTestSans", 10);
    ASSERT_NE(f, nullptr);
    const struct {
        std::u16string text;
        int32_t width;
        int32_t lines;
    } cases[] = {
        {u"", 0, 0},
        {u"A", 6, 1},
        {u"AA g", 19, 1},
        {u"A\nAAH", 19, 2},
        {u"AAH\nA", 19, 2},
        {u"A\r\nA\rA", 6, 3},
        {u"A\n", 6, 2},
        {u"\tA\x7f", 6, 1},                           // control characters take no room
        {u"\U0001F600A", 16, 1},                      // a surrogate pair is one glyph
        {std::u16string(1, u'\xD800') + u"A", 11, 1}, // a lone surrogate is U+FFFD (missing)
    };
    for (const auto& c : cases) {
        const font::Extent e = f->measure(c.text);
        EXPECT_EQ(e.width, c.width) << testing::PrintToString(c.text);
        EXPECT_EQ(e.lines, c.lines) << testing::PrintToString(c.text);
    }

    std::vector<std::tuple<int32_t, int32_t, uint16_t>> placed;
    f->layout(u"A g\nHA", 10, 20, [&](const font::Glyph& g, const int32_t x, const int32_t y) {
        placed.emplace_back(x, y, g.width);
    });
    const std::vector<std::tuple<int32_t, int32_t, uint16_t>> expected = {
        {11, 21, 4}, // A
        {20, 23, 2}, // g after A (6) and the space (3)
        {11, 31, 5}, // H on the next line, one cell lower
        {18, 31, 4}, // A after H (7)
    };
    EXPECT_EQ(placed, expected);
}

TEST(PlatformFont, RegisteredFacesComeFirstAndGoWithTheRegistration) {
    zqtest::FontPlan plan = testPlan();
    plan.family = u"Geneva";
    auto reg = registerTestFont(plan);
    ASSERT_NE(reg, nullptr);
    ASSERT_EQ(reg->faceCount(), 1u);
    EXPECT_EQ(reg->familyNames(0).front(), u"Geneva");

    auto f = makeFont(u"GENEVA", 10);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->description().file.empty());
    EXPECT_EQ(f->glyph(U'A').advance, 6);

    // Any family name the data carries finds it, the Japanese one too.
    const auto ja = makeFont(u"テストサンズ", 10);
    ASSERT_NE(ja, nullptr);
    EXPECT_EQ(ja->description().faceName, u"テストサンズ");

    reg.reset();
    // The font made before still draws from the data it shares.
    EXPECT_EQ(f->glyph(U'H').advance, 7);
    const auto after = makeFont(u"Geneva", 10);
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(after->description().faceName, u"DejaVu Sans");
}

TEST(PlatformFont, BadDataIsRefused) {
    const std::vector<uint8_t> good = zqtest::writeTestFont(testPlan());
    const std::string garbage = "this is not a font at all, only some text";
    EXPECT_EQ(font::Registration::add(nullptr, 10), nullptr);
    EXPECT_EQ(font::Registration::add(good.data(), 0), nullptr);
    EXPECT_EQ(font::Registration::add(garbage.data(), garbage.size()), nullptr);
    for (const size_t cut : {size_t{4}, size_t{12}, size_t{100}, good.size() / 2}) {
        EXPECT_EQ(font::Registration::add(good.data(), cut), nullptr) << cut;
    }
    // The caller's copy may go away at once: the registration keeps its own.
    std::vector<uint8_t> copy = good;
    const auto reg = font::Registration::add(copy.data(), copy.size());
    std::fill(copy.begin(), copy.end(), 0xCD);
    copy.clear();
    ASSERT_NE(reg, nullptr);
    const auto f = makeFont(u"ZqTestSans", 10);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->glyph(U'A').width, 4);
}

TEST(PlatformFont, SizesAtTheLimits) {
    const auto reg = registerTestFont();
    EXPECT_EQ(makeFont(u"ZqTestSans", font::MAX_PIXEL_SIZE + 1), nullptr);
    EXPECT_EQ(makeFont(u"ZqTestSans", 10, 40000), nullptr);

    // A glyph too large for any page is not rasterised (nor allocated), but still advances.
    const auto huge = makeFont(u"ZqTestSans", 30000);
    ASSERT_NE(huge, nullptr);
    EXPECT_EQ(huge->glyph(U'A').width, 0);
    EXPECT_EQ(huge->glyph(U'A').advance, 18000);
    EXPECT_EQ(huge->pageCount(), 0u);

    // A glyph larger than a shared page gets a page of its own; the next small one a new
    // shared page.
    const auto big = makeFont(u"ZqTestSans", 1000);
    ASSERT_NE(big, nullptr);
    const font::Glyph& a = big->glyph(U'A');
    ASSERT_EQ(a.width, 400);
    ASSERT_EQ(a.height, 700);
    EXPECT_EQ(big->page(a.page).height, 702u);
    const font::Glyph& g = big->glyph(U' ');
    EXPECT_EQ(g.width, 0);
    EXPECT_EQ(big->pageCount(), 1u);
    const auto small = makeFont(u"ZqTestSans", 10);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(small->glyph(U'A').width, 4);
}

TEST(PlatformFont, AtlasPagesHoldManyGlyphsWithoutOverlap) {
    zqtest::FontPlan plan = testPlan();
    plan.family = u"ZqManySans";
    for (char32_t c = 0x4E00; c < 0x4E00 + 300; ++c) {
        // Boxes of varying size so that shelves differ in height.
        const auto s = static_cast<int16_t>(300 + (c % 7) * 100);
        plan.glyphs.push_back({c, 1000, {{0, 0, s, s}}});
    }
    const auto reg = registerTestFont(plan);
    ASSERT_NE(reg, nullptr);
    const auto f = makeFont(u"ZqManySans", 50);
    ASSERT_NE(f, nullptr);
    std::vector<const font::Glyph*> glyphs;
    for (char32_t c = 0x4E00; c < 0x4E00 + 300; ++c) {
        glyphs.push_back(&f->glyph(c));
    }
    EXPECT_GT(f->pageCount(), 1u);
    std::vector<std::vector<uint8_t>> used(f->pageCount());
    for (size_t p = 0; p < f->pageCount(); ++p) {
        used[p].assign(size_t{f->page(p).width} * f->page(p).height, 0);
    }
    for (size_t k = 0; k < glyphs.size(); ++k) {
        const font::Glyph& g = *glyphs[k];
        const int side = (300 + static_cast<int>((0x4E00 + k) % 7) * 100) / 20;
        ASSERT_EQ(g.width, side) << k;
        ASSERT_EQ(g.height, side) << k;
        const font::Page& page = f->page(g.page);
        ASSERT_LE(g.x + g.width, page.width);
        ASSERT_LE(g.y + g.height, page.height);
        for (uint32_t row = 0; row < g.height; ++row) {
            for (uint32_t col = 0; col < g.width; ++col) {
                const size_t at = (size_t{g.y} + row) * page.width + g.x + col;
                ASSERT_EQ(used[g.page][at], 0) << "glyph " << k << " overlaps";
                used[g.page][at] = 1;
                ASSERT_EQ(page.coverage[at], 255);
            }
        }
    }
}
