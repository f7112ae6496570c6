#include "tests/support/TestFont.h"

#include <algorithm>
#include <map>

namespace zqtest {

namespace {

// Big-endian byte sink.
struct Out {
    std::vector<uint8_t> b;
    void u8(const uint32_t v) { b.push_back(static_cast<uint8_t>(v)); }
    void u16(const uint32_t v) {
        u8(v >> 8);
        u8(v);
    }
    void i16(const int32_t v) { u16(static_cast<uint16_t>(static_cast<int16_t>(v))); }
    void u32(const uint32_t v) {
        u16(v >> 16);
        u16(v & 0xFFFFu);
    }
    void zeros(const size_t n) { b.insert(b.end(), n, 0); }
    void pad4() {
        while (b.size() % 4 != 0) {
            u8(0);
        }
    }
};

struct Bounds {
    int16_t x0 = 0;
    int16_t y0 = 0;
    int16_t x1 = 0;
    int16_t y1 = 0;
};

Bounds boundsOf(const FontGlyph& g) {
    Bounds r;
    bool first = true;
    for (const FontBox& b : g.boxes) {
        const int16_t bx0 = std::min(b.x0, b.x1);
        const int16_t bx1 = std::max(b.x0, b.x1);
        const int16_t by0 = std::min(b.y0, b.y1);
        const int16_t by1 = std::max(b.y0, b.y1);
        if (first) {
            r = {bx0, by0, bx1, by1};
            first = false;
        } else {
            r = {std::min(r.x0, bx0), std::min(r.y0, by0), std::max(r.x1, bx1),
                 std::max(r.y1, by1)};
        }
    }
    return r;
}

std::vector<uint8_t> glyphData(const FontGlyph& g) {
    Out o;
    if (g.boxes.empty()) {
        return o.b;
    }
    const Bounds r = boundsOf(g);
    o.i16(static_cast<int16_t>(g.boxes.size()));
    o.i16(r.x0);
    o.i16(r.y0);
    o.i16(r.x1);
    o.i16(r.y1);
    for (size_t i = 0; i < g.boxes.size(); ++i) {
        o.u16(static_cast<uint16_t>(i * 4 + 3));
    }
    o.u16(0); // no instructions
    const size_t points = g.boxes.size() * 4;
    for (size_t i = 0; i < points; ++i) {
        o.u8(0x01); // on the curve, coordinates as 16-bit deltas
    }
    // Each box clockwise: up the left side, across the top, down the right side.
    std::vector<int16_t> xs;
    std::vector<int16_t> ys;
    for (const FontBox& b : g.boxes) {
        const int16_t x0 = std::min(b.x0, b.x1);
        const int16_t x1 = std::max(b.x0, b.x1);
        const int16_t y0 = std::min(b.y0, b.y1);
        const int16_t y1 = std::max(b.y0, b.y1);
        xs.insert(xs.end(), {x0, x0, x1, x1});
        ys.insert(ys.end(), {y0, y1, y1, y0});
    }
    int16_t last = 0;
    for (const int16_t x : xs) {
        o.i16(x - last);
        last = x;
    }
    last = 0;
    for (const int16_t y : ys) {
        o.i16(y - last);
        last = y;
    }
    o.pad4();
    return o.b;
}

void nameString(Out& strings, Out& records, const uint16_t language, const uint16_t id,
                const std::u16string& text) {
    records.u16(3); // platform: Microsoft
    records.u16(1); // Unicode BMP
    records.u16(language);
    records.u16(id);
    records.u16(static_cast<uint16_t>(text.size() * 2));
    records.u16(static_cast<uint16_t>(strings.b.size()));
    for (const char16_t c : text) {
        strings.u16(c);
    }
}

} // namespace

std::vector<uint8_t> writeTestFont(const FontPlan& plan) {
    // Glyph order: the missing-glyph shape first, then the rest by code point.
    std::vector<FontGlyph> glyphs;
    const auto notdef = std::find_if(plan.glyphs.begin(), plan.glyphs.end(),
                                     [](const FontGlyph& g) { return g.codePoint == 0; });
    glyphs.push_back(notdef != plan.glyphs.end() ? *notdef
                                                 : FontGlyph{0, 500, {FontBox{100, 0, 400, 700}}});
    std::map<char32_t, FontGlyph> byCode;
    for (const FontGlyph& g : plan.glyphs) {
        if (g.codePoint != 0) {
            byCode[g.codePoint] = g;
        }
    }
    for (const auto& entry : byCode) {
        glyphs.push_back(entry.second);
    }
    const auto numGlyphs = static_cast<uint16_t>(glyphs.size());

    Bounds all;
    uint16_t maxAdvance = 0;
    size_t maxPoints = 0;
    size_t maxContours = 0;
    for (const FontGlyph& g : glyphs) {
        maxAdvance = std::max(maxAdvance, g.advance);
        maxPoints = std::max(maxPoints, g.boxes.size() * 4);
        maxContours = std::max(maxContours, g.boxes.size());
        if (!g.boxes.empty()) {
            const Bounds r = boundsOf(g);
            all = {std::min(all.x0, r.x0), std::min(all.y0, r.y0), std::max(all.x1, r.x1),
                   std::max(all.y1, r.y1)};
        }
    }

    std::map<std::string, std::vector<uint8_t>> tables;

    Out glyf;
    Out loca;
    Out hmtx;
    for (const FontGlyph& g : glyphs) {
        loca.u32(static_cast<uint32_t>(glyf.b.size()));
        const std::vector<uint8_t> data = glyphData(g);
        glyf.b.insert(glyf.b.end(), data.begin(), data.end());
        hmtx.u16(g.advance);
        hmtx.i16(g.boxes.empty() ? 0 : boundsOf(g).x0);
    }
    loca.u32(static_cast<uint32_t>(glyf.b.size()));
    tables["glyf"] = glyf.b;
    tables["loca"] = loca.b;
    tables["hmtx"] = hmtx.b;

    Out head;
    head.u32(0x00010000u);
    head.u32(0x00010000u);
    head.u32(0);           // checksum adjustment (not checked by readers)
    head.u32(0x5F0F3CF5u); // magic
    head.u16(0x0003);      // baseline and left side bearing at 0; fractional sizes allowed
    head.u16(plan.unitsPerEm);
    head.zeros(16); // created, modified
    head.i16(all.x0);
    head.i16(all.y0);
    head.i16(all.x1);
    head.i16(all.y1);
    head.u16((plan.weight >= 600 ? 1 : 0) | (plan.italic ? 2 : 0));
    head.u16(8); // lowest readable size
    head.i16(2);
    head.i16(1); // long offsets in loca
    head.i16(0);
    tables["head"] = head.b;

    Out hhea;
    hhea.u32(0x00010000u);
    hhea.i16(plan.ascent);
    hhea.i16(-plan.descent);
    hhea.i16(0);
    hhea.u16(maxAdvance);
    hhea.i16(all.x0);
    hhea.i16(0);
    hhea.i16(all.x1);
    hhea.i16(1);
    hhea.i16(0);
    hhea.i16(0);
    hhea.zeros(8);
    hhea.i16(0);
    hhea.u16(numGlyphs);
    tables["hhea"] = hhea.b;

    Out maxp;
    maxp.u32(0x00010000u);
    maxp.u16(numGlyphs);
    maxp.u16(static_cast<uint16_t>(maxPoints));
    maxp.u16(static_cast<uint16_t>(maxContours));
    maxp.u16(0);
    maxp.u16(0);
    maxp.u16(2); // zones
    maxp.zeros(10);
    // A non-zero instruction size keeps FreeType on the TrueType hinter, which leaves glyphs
    // without instructions as drawn; with 0 it would auto-hint them.
    maxp.u16(1);
    maxp.zeros(4);
    tables["maxp"] = maxp.b;

    Out os2;
    os2.u16(4);
    os2.i16(plan.averageWidth);
    os2.u16(plan.weight);
    os2.u16(5);
    os2.u16(0);
    os2.zeros(16); // sub- and superscript
    os2.i16(50);
    os2.i16(250);
    os2.i16(0);
    os2.zeros(10); // panose
    os2.zeros(16); // Unicode ranges
    os2.u8('Z');
    os2.u8('Q');
    os2.u8('T');
    os2.u8('F');
    os2.u16((plan.italic ? 0x01 : 0) | (plan.weight >= 600 ? 0x20 : 0) |
            (!plan.italic && plan.weight < 600 ? 0x40 : 0));
    os2.u16(byCode.empty()
                ? 0
                : static_cast<uint16_t>(std::min<char32_t>(byCode.begin()->first, 0xFFFF)));
    os2.u16(byCode.empty()
                ? 0
                : static_cast<uint16_t>(std::min<char32_t>(byCode.rbegin()->first, 0xFFFF)));
    os2.i16(plan.ascent);
    os2.i16(-plan.descent);
    os2.i16(0);
    os2.u16(static_cast<uint16_t>(plan.ascent));
    os2.u16(static_cast<uint16_t>(plan.descent));
    os2.u32(1);
    os2.u32(0);
    os2.i16(500);
    os2.i16(700);
    os2.u16(0);
    os2.u16(32);
    os2.u16(1);
    tables["OS/2"] = os2.b;

    // One format-12 subtable (all of Unicode), one group per glyph.
    Out cmap;
    cmap.u16(0);
    cmap.u16(1);
    cmap.u16(3);
    cmap.u16(10);
    cmap.u32(12);
    cmap.u16(12);
    cmap.u16(0);
    cmap.u32(static_cast<uint32_t>(16 + 12 * byCode.size()));
    cmap.u32(0);
    cmap.u32(static_cast<uint32_t>(byCode.size()));
    uint32_t gid = 1;
    for (const auto& entry : byCode) {
        cmap.u32(entry.first);
        cmap.u32(entry.first);
        cmap.u32(gid++);
    }
    tables["cmap"] = cmap.b;

    Out records;
    Out strings;
    uint16_t count = 0;
    nameString(strings, records, 0x409, 1, plan.family);
    nameString(strings, records, 0x409, 2, plan.style);
    nameString(strings, records, 0x409, 4, plan.family + u" " + plan.style);
    std::u16string ps;
    for (const char16_t c : plan.family + u"-" + plan.style) {
        if (c > 32 && c < 127) {
            ps.push_back(c);
        }
    }
    nameString(strings, records, 0x409, 6, ps);
    count = 4;
    for (const std::u16string& other : plan.otherFamilies) {
        nameString(strings, records, 0x411, 1, other);
        ++count;
    }
    Out name;
    name.u16(0);
    name.u16(count);
    name.u16(static_cast<uint16_t>(6 + records.b.size()));
    name.b.insert(name.b.end(), records.b.begin(), records.b.end());
    name.b.insert(name.b.end(), strings.b.begin(), strings.b.end());
    tables["name"] = name.b;

    Out post;
    post.u32(0x00030000u);
    post.u32(plan.italic ? 0xFFF40000u : 0); // -12 degrees
    post.i16(-100);
    post.i16(50);
    post.zeros(20);
    tables["post"] = post.b;

    // The directory, tables in tag order, each 4-byte aligned.
    Out font;
    const auto n = static_cast<uint16_t>(tables.size());
    uint16_t power = 1;
    uint16_t log2 = 0;
    while (power * 2 <= n) {
        power *= 2;
        ++log2;
    }
    font.u32(0x00010000u);
    font.u16(n);
    font.u16(power * 16);
    font.u16(log2);
    font.u16(n * 16 - power * 16);
    uint32_t offset = 12 + 16u * n;
    for (const auto& [tag, data] : tables) {
        for (const char c : tag) {
            font.u8(static_cast<uint8_t>(c));
        }
        uint32_t sum = 0;
        for (size_t i = 0; i < data.size(); i += 4) {
            uint32_t word = 0;
            for (size_t k = 0; k < 4; ++k) {
                word = (word << 8) | (i + k < data.size() ? data[i + k] : 0);
            }
            sum += word;
        }
        font.u32(sum);
        font.u32(offset);
        font.u32(static_cast<uint32_t>(data.size()));
        offset += static_cast<uint32_t>((data.size() + 3) & ~size_t{3});
    }
    for (const auto& entry : tables) {
        font.b.insert(font.b.end(), entry.second.begin(), entry.second.end());
        font.pad4();
    }
    return font.b;
}

} // namespace zqtest
