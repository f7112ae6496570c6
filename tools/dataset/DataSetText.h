// The data set's text: a 5 x 7 bitmap font (capitals, lower case, digits and . ' - / : ! ?)
// drawn at a whole-pixel scale with a dark outline so that it reads over any background, an
// RGBA canvas to draw it on, and the two tables the builder draws from: the captions of
// layout layers and cells, and the nation of each character (code and colours). Tests read
// texts back by matching glyph cells against this same font. Plain code; no device.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zqds {

// Font metrics in font pixels: each glyph is 5 x 7 and advances 6.
constexpr uint32_t FONT_W = 5;
constexpr uint32_t FONT_H = 7;
constexpr uint32_t FONT_ADVANCE = 6;
constexpr uint32_t OUTLINE_RGB = 0x101010;

// The rows of a character's glyph (bit 4 the left column); false for a character the font
// lacks (the blank has an empty glyph and answers true).
bool getFontGlyph(char c, uint8_t (&rows)[FONT_H]);
// Every character the font draws, blank first.
const std::string& getFontCharacters();

// RGBA pixels (0xAARRGGBB), top row first; transparent at creation.
struct Canvas {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> pixels;

    Canvas(uint32_t w, uint32_t h, uint32_t fill = 0)
        : width(w), height(h), pixels(size_t{w} * h, fill) {}
    // Pixels outside the canvas are left alone.
    void put(int32_t x, int32_t y, uint32_t argb);
    void fill(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t argb);
    // A horizontal ramp of two colours.
    void ramp(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t fromRgb, uint32_t toRgb);
};

// Width and height in pixels of a text at a scale (the outline adds one pixel on each side).
uint32_t textWidth(const std::string& text, uint32_t scale);
uint32_t textHeight(uint32_t scale);
// Draws the text with its outline's top left at (x, y) (the ink starts one pixel in): each
// font pixel a scale x scale square of rgb, ringed by a one-pixel dark outline.
void drawText(Canvas& canvas, int32_t x, int32_t y, const std::string& text, uint32_t scale,
              uint32_t rgb);
// The same centred in a rectangle.
void drawTextCentred(Canvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h,
                     const std::string& text, uint32_t scale, uint32_t rgb);
// One glyph's ink (its columns that have pixels) centred in a rectangle; for the narrow
// cells of the digit strips.
void drawGlyphFitted(Canvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h, char c,
                     uint32_t scale, uint32_t rgb);

// The canvas as a PNG file.
std::vector<uint8_t> canvasPng(const Canvas& canvas);

// A caption: text drawn into a layout's texture and shown by one of its layers (isCell
// false) or cells.
struct Caption {
    uint32_t layoutRow;
    uint32_t index;
    bool isCell;
    const char* text;
};
const std::vector<Caption>& getCaptions();
// The caption of a layout's layer, or null.
const char* findLayerCaption(uint32_t layoutRow, uint32_t layer);

// A character's nation: code and plate colours (ground, text).
struct Nation {
    const char* code;
    uint32_t ground;
    uint32_t text;
};
constexpr uint32_t NR_CHARACTERS = 10;
const Nation& getNation(uint32_t character);

} // namespace zqds
