#include "dorvanex/event/CScoreBase.h"

#include "dorvanex/dld/CDldElementList.h"
#include "dorvanex/dld/CDldFile.h"
#include "dorvanex/dld/CDldFrame.h"
#include "dorvanex/event/HudLayouts.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr float DASH_BELOW = 0.0001f;
constexpr char NO_VALUE_TEXT[] = "--.--";

} // namespace

void formatScoreText(char* const out, const uint32_t size, const char* const format,
                     const double value) {
    if (size == 0) {
        return;
    }
    // snprintf cuts at size - 1 and terminates.
    std::snprintf(out, size, format, value);
}

void formatScoreInt(char* const out, const uint32_t size, const char* const format,
                    const int64_t value) {
    if (size == 0) {
        return;
    }
    std::snprintf(out, size, format, static_cast<long long>(value));
}

uint32_t countIntegerDigits(const double value) {
    double v = std::fabs(value);
    if (!(v < 1.0e18)) {
        return 19;
    }
    uint64_t whole = static_cast<uint64_t>(v);
    uint32_t n = 1;
    while (whole >= 10) {
        whole /= 10;
        ++n;
    }
    return n;
}

CScoreBase::~CScoreBase() {
    // The list and every frame in it go with the score.
    CScoreBase::release();
}

void CScoreBase::makeDefaultGlyphTable(const bool secondRow, CScoreCell (&out)[hud::NR_GLYPHS]) {
    const uint16_t row = secondRow ? hud::SECOND_ROW_Y : hud::FIRST_ROW_Y;
    for (uint32_t g = 0; g < hud::NR_GLYPHS; ++g) {
        out[g] = {static_cast<uint16_t>(20 * g), row, 18, hud::DEFAULT_GLYPH_H};
    }
    out[hud::GLYPH_POINT] = {232, row, 6, hud::DEFAULT_GLYPH_H};
    out[hud::GLYPH_APOSTROPHE] = {200, row, 12, hud::DEFAULT_GLYPH_H};
    out[hud::GLYPH_ALT_POINT] = {214, row, 12, hud::DEFAULT_GLYPH_H};
}

bool CScoreBase::create(ZqGlTexture* const texture, const uint32_t digitCount,
                        const CScoreCell* const glyphTable, const bool secondRow) {
    release();
    if (texture == nullptr) {
        return false;
    }
    m_secondRow = secondRow;
    if (glyphTable != nullptr) {
        std::memcpy(m_glyphs, glyphTable, sizeof(m_glyphs));
    } else {
        makeDefaultGlyphTable(secondRow, m_glyphs);
    }
    setDigitCount(digitCount);
    return buildFrames(texture, hud::NR_GLYPHS);
}

bool CScoreBase::buildFrames(ZqGlTexture* const texture, const uint32_t elements) {
    if (!CDldElementList::create(elements, &m_pList)) {
        return false;
    }
    for (uint32_t g = 0; g < hud::NR_GLYPHS; ++g) {
        const CScoreCell& c = m_glyphs[g];
        CDldElement* const e =
            m_pList->addRect(texture, c.x, c.y, c.width, c.height, hud::SCORE_PRIORITY);
        m_frames[g] = e != nullptr ? e->getFrame() : nullptr;
        if (m_frames[g] == nullptr) {
            release();
            return false;
        }
        m_frames[g]->getTransform().setScale(m_scaleX, m_scaleY);
    }
    return true;
}

void CScoreBase::release() {
    for (CDldFrame*& f : m_frames) {
        f = nullptr;
    }
    dldRelease(m_pList);
}

void CScoreBase::setDigitCount(const uint32_t count) {
    m_digitCount = count < hud::MAX_DIGITS ? count : hud::MAX_DIGITS;
}

void CScoreBase::setText(const char* const text) {
    std::memset(m_text, 0, sizeof(m_text));
    if (text != nullptr) {
        for (uint32_t i = 0; i < hud::MAX_DIGITS && text[i] != 0; ++i) {
            m_text[i] = text[i];
        }
    }
}

void CScoreBase::setValue(const float value, const bool alternate) {
    m_altPoint = alternate;
    char text[hud::TEXT_SIZE] = {};
    if (!std::isfinite(value) || (!alternate && value < DASH_BELOW)) {
        std::memcpy(text, NO_VALUE_TEXT, sizeof(NO_VALUE_TEXT));
    } else if (value >= 10.0f) {
        formatScoreText(text, sizeof(text), "%.2f", value);
    } else {
        formatScoreText(text, sizeof(text), "0%.2f", value);
    }
    text[m_digitCount] = 0;
    setText(text);
}

uint32_t CScoreBase::glyphOf(const char c) const {
    if (c >= '0' && c <= '9') {
        return static_cast<uint32_t>(c - '0');
    }
    switch (c) {
    case '.':
    case '"':
        return m_altPoint ? hud::GLYPH_ALT_POINT : hud::GLYPH_POINT;
    case '\'':
        return hud::GLYPH_APOSTROPHE;
    case '-':
        return hud::GLYPH_MINUS;
    case ' ':
        return hud::GLYPH_BLANK;
    default:
        return 0;
    }
}

const CScoreCell& CScoreBase::getGlyphCell(const uint32_t glyph) const {
    return m_glyphs[glyph < hud::NR_GLYPHS ? glyph : 0];
}

uint32_t CScoreBase::getDrawnGlyphs(uint32_t (&out)[hud::MAX_DIGITS]) const {
    uint32_t n = 0;
    for (uint32_t i = 0; i < m_digitCount && m_text[i] != 0; ++i) {
        out[n++] = glyphOf(m_text[i]);
    }
    return n;
}

void CScoreBase::draw() {
    for (CDldFrame* const f : m_frames) {
        if (f != nullptr) {
            f->hide();
        }
    }
    if (!m_visible || m_pList == nullptr) {
        return;
    }
    float advance = 0.0f;
    for (uint32_t i = 0; i < m_digitCount && m_text[i] != 0; ++i) {
        const uint32_t g = glyphOf(m_text[i]);
        CDldFrame* const f = m_frames[g];
        f->getTransform().setPosition(m_x + advance, m_y);
        f->show();
        f->setPriority(static_cast<int32_t>(m_priority));
        f->draw();
        advance += static_cast<float>(m_glyphs[g].width) * m_scaleX;
    }
}

void CScoreBase::applyToFrames(void (*const apply)(CDldFrame&, const void*),
                               const void* const arg) {
    for (CDldFrame* const f : m_frames) {
        if (f != nullptr) {
            apply(*f, arg);
        }
    }
    forEachExtraFrame(apply, arg);
}

void CScoreBase::forEachExtraFrame(void (*)(CDldFrame&, const void*), const void*) {}

void CScoreBase::setPosition(const float x, const float y) {
    m_x = x;
    m_y = y;
}

void CScoreBase::setScale(const float sx, const float sy) {
    m_scaleX = sx;
    m_scaleY = sy;
    const float scale[2] = {sx, sy};
    applyToFrames(
        [](CDldFrame& f, const void* const a) {
            const float* const s = static_cast<const float*>(a);
            f.getTransform().setScale(s[0], s[1]);
        },
        scale);
}

void CScoreBase::setPivot(const float x, const float y) {
    const float pivot[2] = {x, y};
    applyToFrames(
        [](CDldFrame& f, const void* const a) {
            const float* const p = static_cast<const float*>(a);
            f.getTransform().setPivot(p[0], p[1]);
        },
        pivot);
}

void CScoreBase::setAlpha(const float alpha) {
    applyToFrames(
        [](CDldFrame& f, const void* const a) {
            f.getRenderInfo().setAlpha(*static_cast<const float*>(a));
        },
        &alpha);
}

void CScoreBase::setBlend(const uint32_t mode) {
    applyToFrames(
        [](CDldFrame& f, const void* const a) {
            CDldRenderInfo& info = f.getRenderInfo();
            info.mode = (info.mode & ~CDldRenderInfo::BLEND_MASK) |
                        (*static_cast<const uint32_t*>(a) & CDldRenderInfo::BLEND_MASK);
        },
        &mode);
}

bool CScoreBase::buildFromLayoutStrip(CDldFile*& layout, const uint32_t row,
                                      const uint32_t sizeCell, const uint32_t stripCell,
                                      const uint16_t narrowWidth, const uint32_t elements) {
    if (layout == nullptr) {
        layout = findHudLayout(row);
    }
    CDldCell size;
    CDldCell strip;
    if (!readHudCell(layout, sizeCell, size) || !readHudCell(layout, stripCell, strip)) {
        return false;
    }
    ZqGlTexture* const texture = getHudCellTexture(*layout, strip);
    if (texture == nullptr) {
        return false;
    }
    m_glyphX = strip.x;
    m_glyphY = strip.y;
    m_cellW = size.width;
    m_cellH = size.height;
    for (uint32_t g = 0; g < hud::NR_GLYPHS; ++g) {
        const bool narrow = narrowWidth != 0 && g >= hud::GLYPH_POINT && g <= hud::GLYPH_ALT_POINT;
        m_glyphs[g] = {static_cast<uint16_t>(m_glyphX + g * m_cellW), strip.y,
                       narrow ? narrowWidth : size.width, size.height};
    }
    return buildFrames(texture, elements);
}

bool CRankScore::createFromLayout(const uint32_t digitCount, CDldFile* layout) {
    release();
    setDigitCount(digitCount);
    setText(nullptr);
    return buildFromLayoutStrip(layout, hud::BOARD_LAYOUT_ROW, hud::BOARD_CELL_GLYPH_SIZE,
                                hud::BOARD_CELL_STRIP, 0, hud::NR_GLYPHS);
}
