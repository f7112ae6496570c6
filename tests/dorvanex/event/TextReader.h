// Reads text back out of a read-back picture by matching its glyphs against the data set's
// own font: the ink (pixels of the text's colour) in a rectangle is cut into glyphs at the
// columns without ink, and each glyph's ink, cropped and sampled at the font's pixel size,
// must equal one font glyph's ink exactly. Wide gaps read as one blank.
#pragma once

#include "tests/support/GoldenImage.h"

#include <cstdint>
#include <string>

namespace zqtest {

struct TextArea {
    int32_t x = 0, y = 0, width = 0, height = 0;
};

// The text in the area drawn at `scale` in rgb (each channel within tolerance); '?' for ink
// that matches no glyph. Leading and trailing blanks are not seen.
std::string readText(const Image& image, const TextArea& area, uint32_t scale, uint32_t rgb,
                     int tolerance = 24);

// Whether every font glyph's cropped ink differs from every other's (the reader relies on it).
bool fontGlyphsAreDistinct(std::string* clash);

} // namespace zqtest
