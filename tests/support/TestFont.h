// A writer of small TrueType fonts for tests: every glyph is a set of filled boxes in font
// units, so the pixels a rasteriser must produce are known exactly (a box edge at a whole
// pixel gives full coverage inside and none outside). No hinting instructions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zqtest {

struct FontBox {
    int16_t x0 = 0;
    int16_t y0 = 0; // y runs up from the baseline
    int16_t x1 = 0;
    int16_t y1 = 0;
};

struct FontGlyph {
    char32_t codePoint = 0; // 0: the missing-glyph shape (glyph 0)
    uint16_t advance = 0;
    std::vector<FontBox> boxes;
};

struct FontPlan {
    std::u16string family = u"ZqTestSans";
    std::u16string style = u"Regular";
    // Further family names, stored as Japanese-language entries.
    std::vector<std::u16string> otherFamilies;
    uint16_t unitsPerEm = 1000;
    int16_t ascent = 800;  // also usWinAscent
    int16_t descent = 200; // positive, below the baseline
    int16_t averageWidth = 500;
    uint16_t weight = 400;
    bool italic = false;
    // Glyph 0 is the entry with code point 0, or else a box of 100..400 x 0..700, advance 500.
    std::vector<FontGlyph> glyphs;
};

std::vector<uint8_t> writeTestFont(const FontPlan& plan);

} // namespace zqtest
