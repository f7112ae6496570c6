#include "DataSetText.h"

#include "DataSetBuilder.h"

#include <algorithm>

namespace zqds {
namespace {

struct FontGlyph {
    char c;
    uint8_t rows[FONT_H];
};

// Bit 4 of a row is the glyph's left column.
constexpr FontGlyph FONT[] = {
    {' ', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'D', {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
    {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04}},
    {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {'a', {0x00, 0x00, 0x0E, 0x01, 0x0F, 0x11, 0x0F}},
    {'b', {0x10, 0x10, 0x16, 0x19, 0x11, 0x11, 0x1E}},
    {'c', {0x00, 0x00, 0x0E, 0x10, 0x10, 0x11, 0x0E}},
    {'d', {0x01, 0x01, 0x0D, 0x13, 0x11, 0x11, 0x0F}},
    {'e', {0x00, 0x00, 0x0E, 0x11, 0x1F, 0x10, 0x0E}},
    {'f', {0x06, 0x09, 0x08, 0x1C, 0x08, 0x08, 0x08}},
    {'g', {0x00, 0x0F, 0x11, 0x11, 0x0F, 0x01, 0x0E}},
    {'h', {0x10, 0x10, 0x16, 0x19, 0x11, 0x11, 0x11}},
    {'i', {0x04, 0x00, 0x0C, 0x04, 0x04, 0x04, 0x0E}},
    {'j', {0x02, 0x00, 0x06, 0x02, 0x02, 0x12, 0x0C}},
    {'k', {0x10, 0x10, 0x12, 0x14, 0x18, 0x14, 0x12}},
    {'l', {0x0C, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'m', {0x00, 0x00, 0x1A, 0x15, 0x15, 0x11, 0x11}},
    {'n', {0x00, 0x00, 0x16, 0x19, 0x11, 0x11, 0x11}},
    {'o', {0x00, 0x00, 0x0E, 0x11, 0x11, 0x11, 0x0E}},
    {'p', {0x00, 0x00, 0x1E, 0x11, 0x1E, 0x10, 0x10}},
    {'q', {0x00, 0x00, 0x0D, 0x13, 0x0F, 0x01, 0x01}},
    {'r', {0x00, 0x00, 0x16, 0x19, 0x10, 0x10, 0x10}},
    {'s', {0x00, 0x00, 0x0E, 0x10, 0x0E, 0x01, 0x1E}},
    {'t', {0x08, 0x08, 0x1C, 0x08, 0x08, 0x09, 0x06}},
    {'u', {0x00, 0x00, 0x11, 0x11, 0x11, 0x13, 0x0D}},
    {'v', {0x00, 0x00, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'w', {0x00, 0x00, 0x11, 0x11, 0x15, 0x15, 0x0A}},
    {'x', {0x00, 0x00, 0x11, 0x0A, 0x04, 0x0A, 0x11}},
    {'y', {0x00, 0x00, 0x11, 0x11, 0x0F, 0x01, 0x0E}},
    {'z', {0x00, 0x00, 0x1F, 0x02, 0x04, 0x08, 0x1F}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {'\'', {0x04, 0x04, 0x08, 0x00, 0x00, 0x00, 0x00}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {'/', {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'!', {0x04, 0x04, 0x04, 0x04, 0x04, 0x00, 0x04}},
    {'?', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x00, 0x04}},
};

uint32_t blendOver(const uint32_t dst, const uint32_t src) {
    return (src >> 24) == 0 ? dst : src;
}

} // namespace

bool getFontGlyph(const char c, uint8_t (&rows)[FONT_H]) {
    for (const FontGlyph& g : FONT) {
        if (g.c == c) {
            std::copy(std::begin(g.rows), std::end(g.rows), rows);
            return true;
        }
    }
    return false;
}

const std::string& getFontCharacters() {
    static const std::string all = [] {
        std::string s;
        for (const FontGlyph& g : FONT) {
            s += g.c;
        }
        return s;
    }();
    return all;
}

void Canvas::put(const int32_t x, const int32_t y, const uint32_t argb) {
    if (x >= 0 && y >= 0 && static_cast<uint32_t>(x) < width && static_cast<uint32_t>(y) < height) {
        uint32_t& p = pixels[static_cast<size_t>(y) * width + static_cast<uint32_t>(x)];
        p = blendOver(p, argb);
    }
}

void Canvas::fill(const int32_t x, const int32_t y, const int32_t w, const int32_t h,
                  const uint32_t argb) {
    for (int32_t j = 0; j < h; ++j) {
        for (int32_t i = 0; i < w; ++i) {
            put(x + i, y + j, argb);
        }
    }
}

void Canvas::ramp(const int32_t x, const int32_t y, const int32_t w, const int32_t h,
                  const uint32_t fromRgb, const uint32_t toRgb) {
    for (int32_t i = 0; i < w; ++i) {
        uint32_t rgb = 0;
        for (int s = 0; s < 24; s += 8) {
            const int32_t a = static_cast<int32_t>((fromRgb >> s) & 0xFF);
            const int32_t b = static_cast<int32_t>((toRgb >> s) & 0xFF);
            const int32_t v = w > 1 ? a + (b - a) * i / (w - 1) : a;
            rgb |= static_cast<uint32_t>(v) << s;
        }
        fill(x + i, y, 1, h, 0xFF000000u | rgb);
    }
}

uint32_t textWidth(const std::string& text, const uint32_t scale) {
    return text.empty() ? 0 : static_cast<uint32_t>(text.size()) * FONT_ADVANCE * scale - scale + 2;
}

uint32_t textHeight(const uint32_t scale) {
    return FONT_H * scale + 2;
}

namespace {

// One glyph from font column `from` to `to`, its top left at (x, y) in pixels: first the
// outline (every pixel next to ink), then the ink.
void drawGlyphColumns(Canvas& canvas, const int32_t x, const int32_t y,
                      const uint8_t (&rows)[FONT_H], const uint32_t from, const uint32_t to,
                      const uint32_t scale, const uint32_t rgb) {
    const int32_t s = static_cast<int32_t>(scale);
    for (int pass = 0; pass < 2; ++pass) {
        for (uint32_t fy = 0; fy < FONT_H; ++fy) {
            for (uint32_t fx = from; fx < to; ++fx) {
                if ((rows[fy] >> (FONT_W - 1 - fx) & 1) == 0) {
                    continue;
                }
                const int32_t px = x + static_cast<int32_t>(fx - from) * s;
                const int32_t py = y + static_cast<int32_t>(fy) * s;
                if (pass == 0) {
                    canvas.fill(px - 1, py - 1, s + 2, s + 2, 0xFF000000u | OUTLINE_RGB);
                } else {
                    canvas.fill(px, py, s, s, 0xFF000000u | rgb);
                }
            }
        }
    }
}

} // namespace

void drawText(Canvas& canvas, const int32_t x, const int32_t y, const std::string& text,
              const uint32_t scale, const uint32_t rgb) {
    // Outlines of all glyphs first, so that no outline covers a neighbour's ink.
    for (int pass = 0; pass < 2; ++pass) {
        int32_t at = x + 1;
        for (const char c : text) {
            uint8_t rows[FONT_H] = {};
            if (getFontGlyph(c, rows)) {
                if (pass == 0) {
                    drawGlyphColumns(canvas, at, y + 1, rows, 0, FONT_W, scale, OUTLINE_RGB);
                } else {
                    const int32_t s = static_cast<int32_t>(scale);
                    for (uint32_t fy = 0; fy < FONT_H; ++fy) {
                        for (uint32_t fx = 0; fx < FONT_W; ++fx) {
                            if ((rows[fy] >> (FONT_W - 1 - fx) & 1) != 0) {
                                canvas.fill(at + static_cast<int32_t>(fx) * s,
                                            y + 1 + static_cast<int32_t>(fy) * s, s, s,
                                            0xFF000000u | rgb);
                            }
                        }
                    }
                }
            }
            at += static_cast<int32_t>(FONT_ADVANCE * scale);
        }
    }
}

void drawTextCentred(Canvas& canvas, const int32_t x, const int32_t y, const int32_t w,
                     const int32_t h, const std::string& text, const uint32_t scale,
                     const uint32_t rgb) {
    const int32_t tw = static_cast<int32_t>(textWidth(text, scale));
    const int32_t th = static_cast<int32_t>(textHeight(scale));
    drawText(canvas, x + (w - tw) / 2, y + (h - th) / 2, text, scale, rgb);
}

void drawGlyphFitted(Canvas& canvas, const int32_t x, const int32_t y, const int32_t w,
                     const int32_t h, const char c, const uint32_t scale, const uint32_t rgb) {
    uint8_t rows[FONT_H] = {};
    if (!getFontGlyph(c, rows)) {
        return;
    }
    uint32_t from = FONT_W, to = 0;
    for (uint32_t fx = 0; fx < FONT_W; ++fx) {
        for (const uint8_t r : rows) {
            if ((r >> (FONT_W - 1 - fx) & 1) != 0) {
                from = std::min(from, fx);
                to = std::max(to, fx + 1);
            }
        }
    }
    if (from >= to) {
        return;
    }
    const int32_t gw = static_cast<int32_t>((to - from) * scale);
    const int32_t gh = static_cast<int32_t>(FONT_H * scale);
    drawGlyphColumns(canvas, x + (w - gw) / 2, y + (h - gh) / 2, rows, from, to, scale, rgb);
}

std::vector<uint8_t> canvasPng(const Canvas& canvas) {
    const size_t stride = 1 + 4ull * canvas.width;
    std::vector<uint8_t> raw(stride * canvas.height, 0);
    for (uint32_t y = 0; y < canvas.height; ++y) {
        for (uint32_t x = 0; x < canvas.width; ++x) {
            const uint32_t p = canvas.pixels[static_cast<size_t>(y) * canvas.width + x];
            uint8_t* const out = &raw[y * stride + 1 + 4ull * x];
            out[0] = static_cast<uint8_t>(p >> 16);
            out[1] = static_cast<uint8_t>(p >> 8);
            out[2] = static_cast<uint8_t>(p);
            out[3] = static_cast<uint8_t>(p >> 24);
        }
    }
    return encodeRgbaPng(canvas.width, canvas.height, raw);
}

const std::vector<Caption>& getCaptions() {
    // {layout row, layer or cell, is a cell, caption}. Layout 73's banners are shared by the
    // events, so each reads for all of them.
    static const std::vector<Caption> captions = {
        {73, 11, false, "DRAW"},     {73, 15, false, "FOUL"},     {73, 19, false, "P1 FOUL"},
        {73, 20, false, "P1 FOUL"},  {73, 21, false, "P2 FOUL"},  {73, 22, false, "P2 FOUL"},
        {73, 28, false, "YOU LOSE"}, {73, 29, false, "GAME SET"}, {73, 33, false, "SET"},
        {73, 34, false, "ROUND 1"},  {73, 35, false, "ROUND 2"},  {73, 41, false, "START"},
        {73, 68, false, "YOU WIN"},  {73, 71, false, "P1 WINS"},  {73, 72, false, "P2 WINS"},
    };
    return captions;
}

const char* findLayerCaption(const uint32_t layoutRow, const uint32_t layer) {
    for (const Caption& c : getCaptions()) {
        if (c.layoutRow == layoutRow && !c.isCell && c.index == layer) {
            return c.text;
        }
    }
    return nullptr;
}

const Nation& getNation(const uint32_t character) {
    // Codes by character number; the ground colour of the plate, then its text colour.
    static constexpr Nation NATIONS[NR_CHARACTERS] = {
        {"CHN", 0xC8102E, 0xFFDE00}, {"JPN", 0xF4F4F4, 0xBC002D}, {"KOR", 0x0047A0, 0xFFFFFF},
        {"JAM", 0x009B3A, 0xFED100}, {"KEN", 0x006600, 0xFFFFFF}, {"USA", 0x3C3B6E, 0xFFFFFF},
        {"RUS", 0xD52B1E, 0xFFFFFF}, {"FRA", 0x0055A4, 0xFFFFFF}, {"ENG", 0xFFFFFF, 0xCE1124},
        {"ITA", 0x008C45, 0xFFFFFF},
    };
    return NATIONS[character < NR_CHARACTERS ? character : 0];
}

} // namespace zqds
