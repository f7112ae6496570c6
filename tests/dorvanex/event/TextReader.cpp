#include "TextReader.h"

#include "tools/dataset/DataSetText.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace zqtest {
namespace {

// A glyph's ink cropped to its bounding box: w x h font pixels, row-major.
struct Ink {
    uint32_t w = 0, h = 0;
    std::vector<uint8_t> bits;
    bool operator==(const Ink& o) const { return w == o.w && h == o.h && bits == o.bits; }
};

Ink fontInk(const char c) {
    uint8_t rows[zqds::FONT_H] = {};
    Ink ink;
    if (!zqds::getFontGlyph(c, rows)) {
        return ink;
    }
    uint32_t x0 = zqds::FONT_W, x1 = 0, y0 = zqds::FONT_H, y1 = 0;
    for (uint32_t y = 0; y < zqds::FONT_H; ++y) {
        for (uint32_t x = 0; x < zqds::FONT_W; ++x) {
            if ((rows[y] >> (zqds::FONT_W - 1 - x) & 1) != 0) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x + 1);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y + 1);
            }
        }
    }
    if (x0 >= x1) {
        return ink;
    }
    ink.w = x1 - x0;
    ink.h = y1 - y0;
    for (uint32_t y = y0; y < y1; ++y) {
        for (uint32_t x = x0; x < x1; ++x) {
            ink.bits.push_back(static_cast<uint8_t>(rows[y] >> (zqds::FONT_W - 1 - x) & 1));
        }
    }
    return ink;
}

bool isInk(const uint32_t pixel, const uint32_t rgb, const int tolerance) {
    for (int s = 0; s < 24; s += 8) {
        const int a = static_cast<int>((pixel >> s) & 0xFF);
        const int b = static_cast<int>((rgb >> s) & 0xFF);
        if (std::abs(a - b) > tolerance) {
            return false;
        }
    }
    return true;
}

} // namespace

bool fontGlyphsAreDistinct(std::string* const clash) {
    const std::string& all = zqds::getFontCharacters();
    for (size_t i = 0; i < all.size(); ++i) {
        for (size_t j = i + 1; j < all.size(); ++j) {
            if (all[i] != ' ' && fontInk(all[i]) == fontInk(all[j])) {
                if (clash != nullptr) {
                    *clash = std::string(1, all[i]) + all[j];
                }
                return false;
            }
        }
    }
    return true;
}

std::string readText(const Image& image, const TextArea& area, const uint32_t scale,
                     const uint32_t rgb, const int tolerance) {
    const int32_t x0 = std::max(0, area.x);
    const int32_t y0 = std::max(0, area.y);
    const int32_t x1 = std::min(static_cast<int32_t>(image.width), area.x + area.width);
    const int32_t y1 = std::min(static_cast<int32_t>(image.height), area.y + area.height);
    const auto ink = [&](const int32_t x, const int32_t y) {
        return isInk(image.at(static_cast<uint32_t>(x), static_cast<uint32_t>(y)), rgb, tolerance);
    };
    const auto columnHasInk = [&](const int32_t x) {
        for (int32_t y = y0; y < y1; ++y) {
            if (ink(x, y)) {
                return true;
            }
        }
        return false;
    };
    const std::string& all = zqds::getFontCharacters();
    std::string text;
    int32_t lastEnd = -1;
    const int32_t s = static_cast<int32_t>(scale);
    for (int32_t x = x0; x < x1;) {
        if (!columnHasInk(x)) {
            ++x;
            continue;
        }
        int32_t end = x;
        while (end < x1 && columnHasInk(end)) {
            ++end;
        }
        // A gap wider than a glyph's own spacing is a blank.
        if (lastEnd >= 0 && x - lastEnd > 5 * s) {
            text += ' ';
        }
        int32_t top = y1, bottom = y0;
        for (int32_t y = y0; y < y1; ++y) {
            for (int32_t i = x; i < end; ++i) {
                if (ink(i, y)) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y + 1);
                }
            }
        }
        Ink seen;
        seen.w = static_cast<uint32_t>((end - x + s / 2) / s);
        seen.h = static_cast<uint32_t>((bottom - top + s / 2) / s);
        for (uint32_t fy = 0; fy < seen.h; ++fy) {
            for (uint32_t fx = 0; fx < seen.w; ++fx) {
                seen.bits.push_back(ink(x + static_cast<int32_t>(fx) * s + s / 2,
                                        top + static_cast<int32_t>(fy) * s + s / 2)
                                        ? 1
                                        : 0);
            }
        }
        char found = '?';
        for (const char c : all) {
            if (c != ' ' && fontInk(c) == seen) {
                found = c;
                break;
            }
        }
        text += found;
        lastEnd = end;
        x = end;
    }
    return text;
}

} // namespace zqtest
