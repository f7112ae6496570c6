#include "DataSetHud.h"

#include "DataSetText.h"
#include "dorvanex/dld/CDldFormat.h"
#include "dorvanex/scene/CResourceManifest.h"
#include "tools/dld/DldWriter.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace zqds {
namespace {

constexpr uint32_t NO_TEXTURE = dldfmt::CELL_NO_TEXTURE;
constexpr uint32_t OPAQUE = 0xFF000000u;

// Rows of the art made here.
constexpr uint32_t ROW_DIGITS = 163;
constexpr uint32_t ROW_RESULT = 42;
constexpr uint32_t ROW_RESULT_GLYPHS = 43;
constexpr uint32_t ROW_RESULT_SHEETS = 44;
constexpr uint32_t ROW_PANEL = 50;
constexpr uint32_t ROW_PANEL_PARTS_0 = 51;
constexpr uint32_t ROW_PANEL_PARTS_1 = 52;
constexpr uint32_t ROW_PANEL_PLATES = 53;
constexpr uint32_t ROW_BOARD = 58;
constexpr uint32_t ROW_BOARD_ART = 59;
constexpr uint32_t ROW_BANNER = 60;
constexpr uint32_t ROW_BANNER_ART = 61;

// The glyphs of a digit strip by glyph number: digits, point, apostrophe, alternate point,
// minus, blank.
constexpr char STRIP_GLYPHS[15] = {'0', '1', '2', '3',  '4', '5', '6', '7',
                                   '8', '9', '.', '\'', '.', '-', ' '};

// A layout under construction: cells by index (unset ones have no texture), layers by index.
class LayoutMaker {
public:
    LayoutMaker(const uint32_t textures, const uint32_t cells, const uint32_t layers) {
        m_layout.textures = textures;
        m_layout.cells.assign(cells, dldw::Cell{NO_TEXTURE, 0, 0, 1, 1});
        m_layout.layers.assign(layers, dldw::Layer{});
        for (dldw::Layer& l : m_layout.layers) {
            l.width = 64;
            l.height = 64;
            l.frames = 1;
        }
    }
    void cell(const uint32_t i, const uint32_t texture, const uint32_t x, const uint32_t y,
              const uint32_t w, const uint32_t h) {
        m_layout.cells.at(i) = {texture, static_cast<uint16_t>(x), static_cast<uint16_t>(y),
                                static_cast<uint16_t>(w), static_cast<uint16_t>(h)};
    }
    dldw::Layer& layer(const uint32_t i, const uint32_t frames) {
        dldw::Layer& l = m_layout.layers.at(i);
        l.frames = frames;
        l.width = 640;
        l.height = 480;
        return l;
    }
    int32_t keys(const uint32_t kind, const std::vector<dldw::Key>& keys) {
        m_layout.keyTracks.push_back({kind, keys});
        return static_cast<int32_t>(m_layout.keyTracks.size() - 1);
    }
    int32_t at(const int32_t x, const int32_t y) { return keys(dldfmt::KEY_POSITION, {{0, x, y}}); }
    // A cell shown from frame first to end (exclusive) with the given key tracks.
    static dldw::Track track(const uint32_t cell, const int16_t first, const int16_t end,
                             const int32_t position, const int32_t scale = dldw::DEFAULT_KEYS,
                             const int32_t alpha = dldw::DEFAULT_KEYS) {
        dldw::Track t;
        t.index = static_cast<uint16_t>(cell);
        t.first = first;
        t.end = end;
        t.keys[dldfmt::KEY_POSITION] = position;
        t.keys[dldfmt::KEY_SCALE] = scale;
        t.keys[dldfmt::KEY_ALPHA] = alpha;
        return t;
    }
    std::vector<uint8_t> build() const {
        std::vector<uint8_t> image;
        std::string error;
        if (!dldw::build(m_layout, image, &error)) {
            throw std::runtime_error("score layout: " + error);
        }
        return image;
    }

private:
    dldw::Layout m_layout;
};

// A strip of the 15 glyphs: glyph g at x0 + advance(g), each drawn fitted in its cell.
void drawStrip(Canvas& c, const uint32_t y, const uint32_t cellW, const uint32_t cellH,
               const uint32_t narrowW, const uint32_t scale, const uint32_t rgb) {
    for (uint32_t g = 0; g < 15; ++g) {
        const bool narrow = g >= 10 && g <= 12;
        drawGlyphFitted(c, static_cast<int32_t>(g * cellW), static_cast<int32_t>(y),
                        static_cast<int32_t>(narrow ? narrowW : cellW), static_cast<int32_t>(cellH),
                        STRIP_GLYPHS[g], scale, rgb);
    }
}

// A character plate: the nation's ground with its code, or a dark empty plate.
void drawPlate(Canvas& c, const int32_t x, const int32_t y, const int32_t w, const int32_t h,
               const uint32_t character) {
    if (character >= NR_CHARACTERS) {
        c.fill(x, y, w, h, OPAQUE | 0x404040);
        c.fill(x + 2, y + 2, w - 4, h - 4, OPAQUE | 0x202020);
        return;
    }
    const Nation& n = getNation(character);
    c.fill(x, y, w, h, OPAQUE | n.ground);
    drawTextCentred(c, x, y, w, h, n.code, LABEL_SCALE, n.text);
}

// Row 163: the default glyph table's cells on row 0 (white) and row 32 (amber).
std::vector<uint8_t> makeDigitTexture() {
    Canvas c(512, 64);
    struct Glyph {
        uint32_t x, w;
        char c;
    };
    const Glyph glyphs[] = {{200, 12, '\''}, {214, 12, '.'}, {232, 6, '.'}, {260, 18, '-'}};
    for (const uint32_t row : {0u, 32u}) {
        const uint32_t rgb = row == 0 ? WHITE_RGB : AMBER_RGB;
        for (uint32_t d = 0; d < 10; ++d) {
            drawGlyphFitted(c, static_cast<int32_t>(20 * d), static_cast<int32_t>(row), 18, 32,
                            static_cast<char>('0' + d), DIGIT_TEXTURE_SCALE, rgb);
        }
        for (const Glyph& g : glyphs) {
            drawGlyphFitted(c, static_cast<int32_t>(g.x), static_cast<int32_t>(row),
                            static_cast<int32_t>(g.w), 32, g.c, DIGIT_TEXTURE_SCALE, rgb);
        }
    }
    return canvasPng(c);
}

// Layout 42: cell 12 the glyph cell size, 57 the glyph strip (texture 0), 58 the unit strip,
// 52 the portrait sheet and 55 the rank strip (texture 1). Other cells and the 32 layers are
// small stand-ins, a cell each.
constexpr uint32_t RESULT_CELL_W = 24;
constexpr uint32_t RESULT_CELL_H = 36;
constexpr uint32_t PORTRAIT = 48;
constexpr uint32_t PORTRAIT_Y = 32;
constexpr uint32_t RANK_Y = 232;
constexpr uint32_t RANK_W = 48;
constexpr uint32_t RANK_H = 24;

std::vector<uint8_t> makeResultLayout() {
    constexpr uint32_t CELLS = 59;
    constexpr uint32_t LAYERS = 32;
    LayoutMaker m(2, CELLS, LAYERS);
    for (uint32_t i = 0; i < CELLS; ++i) {
        m.cell(i, i % 2, 0, 0, 16, 16);
    }
    m.cell(12, 0, 0, 0, RESULT_CELL_W, RESULT_CELL_H);
    m.cell(57, 0, 0, 0, 15 * RESULT_CELL_W, RESULT_CELL_H);
    m.cell(58, 1, 0, 0, 6 * 56, 28);
    m.cell(52, 1, 0, PORTRAIT_Y, 3 * PORTRAIT, 4 * PORTRAIT);
    m.cell(55, 1, 0, RANK_Y, 5 * RANK_W, RANK_H);
    for (uint32_t l = 0; l < LAYERS; ++l) {
        m.layer(l, 2).tracks.push_back(LayoutMaker::track(l, 0, 2, dldw::DEFAULT_KEYS));
    }
    return m.build();
}

std::vector<uint8_t> makeResultGlyphs() {
    Canvas c(512, 64);
    drawStrip(c, 0, RESULT_CELL_W, RESULT_CELL_H, 18, RESULT_GLYPH_SCALE, WHITE_RGB);
    return canvasPng(c);
}

std::vector<uint8_t> makeResultSheets() {
    Canvas c(512, 256);
    for (uint32_t u = 0; u < 6; ++u) {
        drawTextCentred(c, static_cast<int32_t>(56 * u), 0, 56, 28, UNIT_LABELS[u], LABEL_SCALE,
                        LABEL_RGB);
    }
    for (uint32_t ch = 0; ch < NR_CHARACTERS; ++ch) {
        drawPlate(c, static_cast<int32_t>(ch % 3 * PORTRAIT),
                  static_cast<int32_t>(PORTRAIT_Y + ch / 3 * PORTRAIT), PORTRAIT, PORTRAIT, ch);
    }
    const char* const ranks[5] = {"1st", "1st", "2nd", "3rd", "4th"};
    for (uint32_t r = 0; r < 5; ++r) {
        drawTextCentred(c, static_cast<int32_t>(r * RANK_W), RANK_Y, RANK_W, RANK_H, ranks[r],
                        LABEL_SCALE, r == 0 ? 0xFFD700 : WHITE_RGB);
    }
    return canvasPng(c);
}

// Layout 50, the event panel.
namespace panel {
constexpr uint32_t CELLS = 226;
constexpr uint32_t LAYERS = 89;
constexpr uint32_t INTRO_FRAMES = 30;
constexpr int16_t ANCHORS_FROM = 20;
// Texture 1's parts.
constexpr uint32_t GAUGE_FRAME_CELL = 224, BAR_CELL = 225, GAUGE_ANCHOR = 121;
constexpr uint32_t PANEL_BOX_CELL = 107, MAX_CELL = 110, NEEDLE_CELL = 111, BEST_CELL = 112;
constexpr uint32_t PLATE_CELL = 106, PLATES_CELL = 127, BEST_ANCHOR = 114, TICKET_CELL = 202;
constexpr uint32_t FIRST_SLOT = 122, TITLE_CELLS = 130;
constexpr uint32_t BAR_H = 100, BAR_W = 16;
constexpr uint32_t TICKET_W = 32, TICKET_H = 20, SLOT_STEP = 36;
// Intro layers and the title each shows (index into the titles; 10 reads "100M / 110M H").
struct Intro {
    uint32_t layer, title;
};
constexpr Intro INTROS[] = {{61, 10}, {63, 2}, {62, 3}, {10, 4}, {65, 5}, {66, 6},
                            {64, 7},  {56, 8}, {12, 9}, {80, 0}, {81, 1}, {83, 2},
                            {82, 3},  {85, 5}, {86, 6}, {84, 7}};
// Where the intro's last frames put the other layers: {anchor, x, y}.
struct Anchor {
    uint32_t id;
    int32_t x, y;
};
constexpr Anchor ANCHORS[] = {{2, 16, 16},   {9, 16, 16},    {3, 16, 360},   {10, 16, 360},
                              {80, 16, 16},  {81, 88, 16},   {82, 112, 16},  {83, 16, 360},
                              {84, 88, 360}, {85, 112, 360}, {86, 440, 16},  {87, 440, 440},
                              {88, 440, 16}, {89, 600, 70},  {90, 600, 400}, {91, 600, 70},
                              {92, 0, 0},    {93, 0, 0},     {100, 240, 16}};
} // namespace panel

std::vector<uint8_t> makePanelLayout() {
    using namespace panel;
    LayoutMaker m(3, CELLS, LAYERS);
    // Texture 0: the titles, 24 pixels a row.
    const char* titles[11];
    for (uint32_t i = 0; i < 10; ++i) {
        titles[i] = EVENT_TITLES[i];
    }
    titles[10] = "100M / 110M H";
    for (uint32_t i = 0; i < 11; ++i) {
        m.cell(TITLE_CELLS + i, 0, 0, 24 * i, textWidth(titles[i], 3), textHeight(3));
    }
    m.cell(GAUGE_FRAME_CELL, 1, 0, 0, 20, BAR_H + 4);
    m.cell(BAR_CELL, 1, 24, 0, BAR_W, BAR_H);
    for (uint32_t k = 0; k < 5; ++k) {
        m.cell(FIRST_SLOT + k, 1, 48, 0, TICKET_W, TICKET_H);
    }
    m.cell(TICKET_CELL, 1, 48, 0, TICKET_W, TICKET_H);
    m.cell(BEST_CELL, 1, 96, 0, 64, 20);
    m.cell(NEEDLE_CELL, 1, 0, 120, 100, 4);
    m.cell(MAX_CELL, 1, 0, 128, 40, 18);
    m.cell(PANEL_BOX_CELL, 1, 0, 160, 64, 40);
    m.cell(PLATE_CELL, 2, 0, 0, 48, 24);
    m.cell(PLATES_CELL, 2, 0, 0, 5 * 48, 2 * 24);

    const int32_t origin = m.at(0, 0);
    for (const Intro& in : INTROS) {
        dldw::Layer& l = m.layer(in.layer, INTRO_FRAMES);
        for (const Anchor& a : ANCHORS) {
            l.tracks.push_back(
                LayoutMaker::track(a.id, ANCHORS_FROM, INTRO_FRAMES, m.at(a.x, a.y)));
        }
        const int32_t slide =
            m.keys(dldfmt::KEY_POSITION,
                   {{0, -260, 220}, {static_cast<int16_t>(INTRO_FRAMES - 1), 192, 220}});
        l.tracks.push_back(LayoutMaker::track(TITLE_CELLS + in.title, 0, INTRO_FRAMES, slide));
    }
    for (const uint32_t p : {5u, 11u, 71u}) {
        dldw::Layer& l = m.layer(p, 60);
        l.tracks.push_back(LayoutMaker::track(PLATE_CELL, 0, 60, m.at(8, 8)));
        l.tracks.push_back(LayoutMaker::track(PANEL_BOX_CELL, 0, 60, origin));
    }
    {
        dldw::Layer& l = m.layer(67, 100);
        const int32_t grow = m.keys(dldfmt::KEY_SCALE, {{0, 0, 100}, {99, 100, 100}});
        l.tracks.push_back(LayoutMaker::track(GAUGE_ANCHOR, 0, 100, m.at(0, BAR_H + 8), grow));
        l.tracks.push_back(LayoutMaker::track(BAR_CELL, 0, 100, m.at(2, 2)));
        l.tracks.push_back(LayoutMaker::track(GAUGE_FRAME_CELL, 0, 100, origin));
    }
    m.layer(72, 60).tracks.push_back(LayoutMaker::track(NEEDLE_CELL, 0, 60, origin));
    m.layer(69, 30).tracks.push_back(LayoutMaker::track(MAX_CELL, 0, 15, origin));
    {
        dldw::Layer& l = m.layer(73, 20);
        const int32_t fade = m.keys(dldfmt::KEY_ALPHA, {{0, 255, 0}, {19, 0, 0}});
        for (uint32_t k = 0; k < 5; ++k) {
            l.tracks.push_back(LayoutMaker::track(FIRST_SLOT + k, 0, 20,
                                                  m.at(static_cast<int32_t>(SLOT_STEP * k), 0),
                                                  dldw::DEFAULT_KEYS, fade));
        }
    }
    m.layer(77, 60).tracks.push_back(LayoutMaker::track(TICKET_CELL, 0, 60, origin));
    {
        dldw::Layer& l = m.layer(88, 60);
        l.tracks.push_back(LayoutMaker::track(BEST_ANCHOR, 0, 60, m.at(70, 0)));
        l.tracks.push_back(LayoutMaker::track(BEST_CELL, 0, 60, m.at(0, 6)));
    }
    return m.build();
}

std::vector<uint8_t> makePanelTitles() {
    Canvas c(256, 512);
    for (uint32_t i = 0; i < 11; ++i) {
        drawText(c, 0, static_cast<int32_t>(24 * i), i < 10 ? EVENT_TITLES[i] : "100M / 110M H", 3,
                 WHITE_RGB);
    }
    return canvasPng(c);
}

std::vector<uint8_t> makePanelParts() {
    using namespace panel;
    Canvas c(256, 256);
    c.fill(0, 0, 20, BAR_H + 4, OPAQUE | 0xA0A0A0);
    c.fill(2, 2, 16, BAR_H, OPAQUE | 0x202020);
    // The bar: green at the bottom to red at the top.
    for (uint32_t y = 0; y < BAR_H; ++y) {
        const uint32_t red = 255 * (BAR_H - 1 - y) / (BAR_H - 1);
        c.fill(24, static_cast<int32_t>(y), BAR_W, 1, OPAQUE | red << 16 | (255 - red) << 8);
    }
    c.fill(48, 0, TICKET_W, TICKET_H, OPAQUE | OUTLINE_RGB);
    c.fill(49, 1, TICKET_W - 2, TICKET_H - 2, OPAQUE | 0xF0C020);
    c.fill(54, 6, TICKET_W - 12, TICKET_H - 12, OPAQUE | 0xC08000);
    c.fill(96, 0, 64, 20, OPAQUE | 0x203060);
    drawTextCentred(c, 96, 0, 64, 20, "BEST", LABEL_SCALE, BEST_LABEL_RGB);
    c.ramp(0, 120, 100, 4, 0xFFFFFF, 0xFF4040);
    drawTextCentred(c, 0, 128, 40, 18, "MAX", LABEL_SCALE, 0xFF4040);
    c.fill(0, 160, 64, 40, OPAQUE | 0x8090C0);
    c.fill(2, 162, 60, 36, OPAQUE | 0x203050);
    return canvasPng(c);
}

std::vector<uint8_t> makePanelPlates() {
    Canvas c(256, 64);
    for (uint32_t ch = 0; ch < NR_CHARACTERS; ++ch) {
        drawPlate(c, static_cast<int32_t>(ch % 5 * 48), static_cast<int32_t>(ch / 5 * 24), 48, 24,
                  ch);
    }
    return canvasPng(c);
}

// Layout 58, the record board.
namespace board {
constexpr uint32_t FACE = 48;
constexpr uint32_t GLYPH_W = 20, GLYPH_H = 30, STRIP_Y = 200;
constexpr uint32_t BADGE_X = 160, BADGE_W = 48, BADGE_H = 24;
constexpr uint32_t TITLE_X = 160, TITLE_Y = 80, TITLE_CELL = 16;
constexpr uint32_t SLIDE_FRAMES = 20, HOLD_FRAMES = 60;
} // namespace board

std::vector<uint8_t> makeBoardLayout() {
    using namespace board;
    LayoutMaker m(1, 17, 30);
    for (uint32_t r = 0; r < 4; ++r) {
        m.cell(r, 0, 0, 0, FACE, FACE);
        m.cell(4 + r, 0, 0, STRIP_Y, GLYPH_W, GLYPH_H);
        m.cell(8 + r, 0, BADGE_X, 0, BADGE_W, BADGE_H);
    }
    m.cell(12, 0, 0, 0, 3 * FACE, 4 * FACE);
    m.cell(14, 0, 0, STRIP_Y, 15 * GLYPH_W, GLYPH_H);
    m.cell(15, 0, BADGE_X, 0, BADGE_W, 3 * BADGE_H);
    m.cell(TITLE_CELL, 0, TITLE_X, TITLE_Y, textWidth("STANDINGS", 3), textHeight(3));
    // {cell, x, y} of the board at rest.
    struct Place {
        uint32_t cell;
        int32_t x, y;
    };
    std::vector<Place> places = {{TITLE_CELL, 100, 40}};
    for (int32_t r = 0; r < 4; ++r) {
        const int32_t y = 80 + 56 * r;
        places.push_back({static_cast<uint32_t>(r), 100, y});
        places.push_back({static_cast<uint32_t>(8 + r), 152, y + 12});
        places.push_back({static_cast<uint32_t>(4 + r), 206, y + 9});
    }
    const auto slide = [&m](const Place& p, const int32_t from, const int32_t to) {
        return m.keys(
            dldfmt::KEY_POSITION,
            {{0, p.x + from, p.y}, {static_cast<int16_t>(SLIDE_FRAMES - 1), p.x + to, p.y}});
    };
    for (uint32_t b = 0; b < 10; ++b) {
        dldw::Layer& in = m.layer(3 * b, SLIDE_FRAMES);
        dldw::Layer& hold = m.layer(3 * b + 1, HOLD_FRAMES);
        dldw::Layer& out = m.layer(3 * b + 2, SLIDE_FRAMES);
        for (const Place& p : places) {
            in.tracks.push_back(LayoutMaker::track(p.cell, 0, SLIDE_FRAMES, slide(p, -480, 0)));
            hold.tracks.push_back(LayoutMaker::track(p.cell, 0, HOLD_FRAMES, m.at(p.x, p.y)));
            out.tracks.push_back(LayoutMaker::track(p.cell, 0, SLIDE_FRAMES, slide(p, 0, 640)));
        }
    }
    return m.build();
}

std::vector<uint8_t> makeBoardArt() {
    using namespace board;
    Canvas c(512, 256);
    for (uint32_t ch = 0; ch <= NR_CHARACTERS; ++ch) {
        drawPlate(c, static_cast<int32_t>(ch % 3 * FACE), static_cast<int32_t>(ch / 3 * FACE), FACE,
                  FACE, ch);
    }
    drawStrip(c, STRIP_Y, GLYPH_W, GLYPH_H, GLYPH_W, BOARD_GLYPH_SCALE, WHITE_RGB);
    const char* const badges[3] = {"1P", "2P", "COM"};
    const uint32_t grounds[3] = {0x2050C0, 0xC03030, 0x606060};
    for (uint32_t i = 0; i < 3; ++i) {
        const int32_t y = static_cast<int32_t>(i * BADGE_H);
        c.fill(BADGE_X, y, BADGE_W, BADGE_H, OPAQUE | grounds[i]);
        drawTextCentred(c, BADGE_X, y, BADGE_W, BADGE_H, badges[i], LABEL_SCALE, WHITE_RGB);
    }
    drawText(c, TITLE_X, TITLE_Y, "STANDINGS", 3, 0xFFE040);
    return canvasPng(c);
}

// Layout 60: the one banner; layer 1 slides in, 2 blinks, 3 slides out.
constexpr uint32_t BANNER_W = 300, BANNER_H = 28;
constexpr const char* BANNER_TEXT = "RANKING SERVER OFFLINE";

std::vector<uint8_t> makeBannerLayout() {
    LayoutMaker m(1, 1, 4);
    m.cell(0, 0, 0, 0, BANNER_W, BANNER_H);
    constexpr int32_t X = 170, Y = 8, ABOVE = -static_cast<int32_t>(BANNER_H);
    const int32_t in = m.keys(dldfmt::KEY_POSITION, {{0, X, ABOVE}, {19, X, Y}});
    const int32_t out = m.keys(dldfmt::KEY_POSITION, {{0, X, Y}, {19, X, ABOVE}});
    m.layer(1, 20).tracks.push_back(LayoutMaker::track(0, 0, 20, in));
    m.layer(2, 40).tracks.push_back(LayoutMaker::track(0, 0, 30, m.at(X, Y)));
    m.layer(3, 20).tracks.push_back(LayoutMaker::track(0, 0, 20, out));
    return m.build();
}

std::vector<uint8_t> makeBannerArt() {
    Canvas c(512, 32);
    c.fill(0, 0, BANNER_W, BANNER_H, OPAQUE | 0x801818);
    drawTextCentred(c, 0, 0, BANNER_W, BANNER_H, BANNER_TEXT, LABEL_SCALE, WHITE_RGB);
    return canvasPng(c);
}

// Layouts with captions: every captioned layer shows its caption centred on a 640 x 480
// screen for 30 frames; other layers show a small stand-in cell for 2 frames. The captions
// are drawn at scale 4, one 32-pixel row each, into the layout's first texture.
constexpr uint32_t CAPTION_SCALE = 4;
constexpr uint32_t CAPTION_ROW_H = 32;
constexpr uint32_t CAPTION_ATLAS = 512;
constexpr uint32_t STAND_IN_CELLS = 32;
constexpr uint32_t STAND_IN_LAYERS = 32;

bool hasCaptions(const uint32_t layoutRow) {
    for (const Caption& c : getCaptions()) {
        if (c.layoutRow == layoutRow) {
            return true;
        }
    }
    return false;
}

// The captions of one layout in atlas order.
std::vector<Caption> captionsOf(const uint32_t layoutRow) {
    std::vector<Caption> out;
    for (const Caption& c : getCaptions()) {
        if (c.layoutRow == layoutRow) {
            out.push_back(c);
        }
    }
    return out;
}

// The layout whose atlas this texture row is (the texture right after a captioned layout).
bool isCaptionAtlas(const uint32_t row) {
    return row > 0 && hasCaptions(row - 1) &&
           getResourceKindOfName(getResourceEntry(row).name) == KIND_TEXTURE;
}

std::vector<uint8_t> makeCaptionLayout(const uint32_t row) {
    const std::vector<Caption> captions = captionsOf(row);
    uint32_t layers = STAND_IN_LAYERS;
    uint32_t cells = STAND_IN_CELLS + static_cast<uint32_t>(captions.size());
    for (const Caption& c : captions) {
        if (c.isCell) {
            cells = std::max(cells, c.index + 1);
        } else {
            layers = std::max(layers, c.index + 1);
        }
    }
    LayoutMaker m(1, cells, layers);
    // Stand-in cells: the atlas's last, empty corner.
    for (uint32_t i = 0; i < cells; ++i) {
        m.cell(i, 0, CAPTION_ATLAS - 16, CAPTION_ATLAS - 16, 16, 16);
    }
    std::vector<bool> captioned(layers, false);
    for (uint32_t i = 0; i < captions.size(); ++i) {
        const Caption& c = captions[i];
        const uint32_t w = textWidth(c.text, CAPTION_SCALE);
        const uint32_t h = textHeight(CAPTION_SCALE);
        const uint32_t cell = c.isCell ? c.index : STAND_IN_CELLS + i;
        m.cell(cell, 0, 0, i * CAPTION_ROW_H, w, h);
        if (!c.isCell) {
            captioned[c.index] = true;
            m.layer(c.index, 30)
                .tracks.push_back(LayoutMaker::track(
                    cell, 0, 30,
                    m.at(static_cast<int32_t>(320 - w / 2), static_cast<int32_t>(240 - h / 2))));
        }
    }
    for (uint32_t l = 0; l < layers; ++l) {
        if (!captioned[l]) {
            m.layer(l, 2).tracks.push_back(
                LayoutMaker::track(l % STAND_IN_CELLS, 0, 2, dldw::DEFAULT_KEYS));
        }
    }
    return m.build();
}

std::vector<uint8_t> makeCaptionAtlas(const uint32_t row) {
    Canvas c(CAPTION_ATLAS, CAPTION_ATLAS);
    const std::vector<Caption> captions = captionsOf(row - 1);
    for (uint32_t i = 0; i < captions.size(); ++i) {
        drawText(c, 0, static_cast<int32_t>(i * CAPTION_ROW_H), captions[i].text, CAPTION_SCALE,
                 WHITE_RGB);
    }
    return canvasPng(c);
}

} // namespace

bool isHudRow(const uint32_t row) {
    switch (row) {
    case ROW_DIGITS:
    case ROW_RESULT:
    case ROW_RESULT_GLYPHS:
    case ROW_RESULT_SHEETS:
    case ROW_PANEL:
    case ROW_PANEL_PARTS_0:
    case ROW_PANEL_PARTS_1:
    case ROW_PANEL_PLATES:
    case ROW_BOARD:
    case ROW_BOARD_ART:
    case ROW_BANNER:
    case ROW_BANNER_ART:
        return true;
    default:
        return hasCaptions(row) || isCaptionAtlas(row);
    }
}

std::vector<uint8_t> makeHudMember(const uint32_t row) {
    switch (row) {
    case ROW_DIGITS:
        return makeDigitTexture();
    case ROW_RESULT:
        return makeResultLayout();
    case ROW_RESULT_GLYPHS:
        return makeResultGlyphs();
    case ROW_RESULT_SHEETS:
        return makeResultSheets();
    case ROW_PANEL:
        return makePanelLayout();
    case ROW_PANEL_PARTS_0:
        return makePanelTitles();
    case ROW_PANEL_PARTS_1:
        return makePanelParts();
    case ROW_PANEL_PLATES:
        return makePanelPlates();
    case ROW_BOARD:
        return makeBoardLayout();
    case ROW_BOARD_ART:
        return makeBoardArt();
    case ROW_BANNER:
        return makeBannerLayout();
    case ROW_BANNER_ART:
        return makeBannerArt();
    default:
        if (hasCaptions(row)) {
            return makeCaptionLayout(row);
        }
        return isCaptionAtlas(row) ? makeCaptionAtlas(row) : std::vector<uint8_t>();
    }
}

} // namespace zqds
