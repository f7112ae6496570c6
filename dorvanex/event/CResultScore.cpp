#include "dorvanex/event/CResultScore.h"

#include "dorvanex/dld/CDldElementList.h"
#include "dorvanex/dld/CDldFile.h"
#include "dorvanex/dld/CDldFrame.h"
#include "dorvanex/event/HudLayouts.h"

#include <cmath>
#include <cstring>

namespace {

constexpr float DASH_BELOW = 0.0001f;
constexpr uint32_t RESULT_ELEMENTS = hud::NR_GLYPHS + 1;

bool hasValue(const float value) {
    return std::isfinite(value) && value >= DASH_BELOW;
}

// The integer part as a whole number, saturated to what the text can show.
int64_t integerPart(const float value) {
    const double v = std::trunc(static_cast<double>(value));
    return v >= 1.0e15 ? int64_t{999999999999999} : static_cast<int64_t>(v);
}

} // namespace

void CResultScore::setEvent(const uint32_t event) {
    if (event >= hud::NR_EVENTS) {
        return;
    }
    m_event = event;
    setDigitCount(hud::EVENT_FORMATS[event].resultDigits);
    m_unit = hud::EVENT_FORMATS[event].unit;
}

bool CResultScore::createFromLayout(const uint32_t event, CDldFile* layout) {
    release();
    setEvent(event);
    setText(nullptr);
    CDldCell units;
    if (!buildFromLayoutStrip(layout, hud::RESULT_LAYOUT_ROW, hud::RESULT_CELL_SIZE,
                              hud::RESULT_CELL_STRIP, hud::RESULT_NARROW_W, RESULT_ELEMENTS)) {
        return false;
    }
    if (!readHudCell(layout, hud::RESULT_CELL_UNITS, units)) {
        release();
        return false;
    }
    ZqGlTexture* const unitTexture = getHudCellTexture(*layout, units);
    const uint32_t unit = m_unit < hud::NR_UNITS ? m_unit : 0;
    CDldElement* const e =
        m_pList->addRect(unitTexture, static_cast<uint16_t>(units.x + unit * hud::UNIT_W), units.y,
                         hud::UNIT_W, hud::UNIT_H, hud::SCORE_PRIORITY);
    m_pUnit = e != nullptr ? e->getFrame() : nullptr;
    if (m_pUnit == nullptr) {
        release();
        return false;
    }
    m_pUnit->getTransform().setScale(m_unitScaleX, m_unitScaleY);
    return true;
}

void CResultScore::release() {
    m_pUnit = nullptr;
    CScoreBase::release();
}

void CResultScore::setValue(const float value, bool) {
    m_altPoint = false;
    if (m_event >= hud::NR_EVENTS) {
        return;
    }
    const hud::EventFormat& format = hud::EVENT_FORMATS[m_event];
    const uint32_t digits = m_digitCount;
    char text[hud::TEXT_SIZE] = {};
    float digitW = digitWidth();
    if (!hasValue(value)) {
        std::memcpy(text, hud::RESULT_DASHES[m_event], std::strlen(hud::RESULT_DASHES[m_event]));
        digitW = minusWidth();
    } else if (format.decimal) {
        const bool pad = countIntegerDigits(value) + 3 < digits;
        formatScoreText(text, sizeof(text), pad ? " %.2f" : "%.2f", value);
    } else {
        const bool pad = countIntegerDigits(value) < digits;
        formatScoreInt(text, sizeof(text), pad ? " %lld" : "%lld", integerPart(value));
    }
    text[digits] = 0;
    setText(text);
    m_width = format.decimal && digits > 0 ? static_cast<float>(digits - 1) * digitW + pointWidth()
                                           : static_cast<float>(digits) * digitW;
}

void CResultScore::setScale(const float sx, const float sy) {
    m_unitScaleX = sx;
    m_unitScaleY = sy;
    CScoreBase::setScale(sx, sy);
}

void CResultScore::forEachExtraFrame(void (*const apply)(CDldFrame&, const void*),
                                     const void* const arg) {
    if (m_pUnit != nullptr) {
        apply(*m_pUnit, arg);
    }
}

void CResultScore::draw() {
    CScoreBase::draw();
    if (m_pUnit == nullptr) {
        return;
    }
    m_pUnit->hide();
    if (!m_visible) {
        return;
    }
    m_pUnit->getTransform().setPosition(m_x + m_width * m_unitScaleX, m_y);
    m_pUnit->show();
    m_pUnit->setPriority(static_cast<int32_t>(m_priority));
    m_pUnit->draw();
}

void CScoreAdvanced::setEvent(const uint32_t event) {
    if (event >= hud::NR_EVENTS) {
        return;
    }
    m_event = event;
    setDigitCount(hud::EVENT_FORMATS[event].advancedDigits);
    m_unit = hud::EVENT_FORMATS[event].unit;
}

void CScoreAdvanced::setValue(const float value, const bool alternate) {
    m_altPoint = alternate;
    char text[hud::TEXT_SIZE] = {};
    const uint32_t n = countIntegerDigits(hasValue(value) ? value : 0.0f);
    const bool decimal = m_event < hud::NR_EVENTS && hud::EVENT_FORMATS[m_event].decimal;
    if (m_leaveUnits) {
        formatScoreInt(text, sizeof(text), "%lld", hasValue(value) ? integerPart(value) : 0);
        setDigitCount(n);
        m_width = static_cast<float>(m_digitCount) * digitWidth();
    } else if (decimal) {
        if (hasValue(value)) {
            formatScoreText(text, sizeof(text), "%.2f", value);
            setDigitCount(n + 3);
            m_width = static_cast<float>(n + 2) * digitWidth() + pointWidth();
        } else {
            std::memcpy(text, "--.--", 5);
            setDigitCount(5);
            m_width = pointWidth() + 4.0f * minusWidth();
        }
    } else if (hasValue(value)) {
        formatScoreInt(text, sizeof(text), "%lld", integerPart(value));
        setDigitCount(n);
        m_width = static_cast<float>(m_digitCount) * digitWidth();
    } else {
        std::memcpy(text, "--", 2);
        setDigitCount(2);
        m_width = 2.0f * minusWidth();
    }
    text[m_digitCount] = 0;
    setText(text);
}

void CScoreAdvanced::forEachExtraFrame(void (*const apply)(CDldFrame&, const void*),
                                       const void* const arg) {
    if (m_leaveUnits) {
        return;
    }
    for (CDldFrame* const f : m_units) {
        if (f != nullptr) {
            apply(*f, arg);
        }
    }
}

void CScoreAdvanced::release() {
    for (CDldFrame*& f : m_units) {
        f = nullptr;
    }
    CScoreBase::release();
}

void CScoreAdvanced::draw() {
    CScoreBase::draw();
    for (CDldFrame* const f : m_units) {
        if (f != nullptr && !m_leaveUnits) {
            f->hide();
        }
    }
    if (!m_visible || m_leaveUnits || m_unit >= hud::NR_UNITS || m_units[m_unit] == nullptr) {
        return;
    }
    CDldFrame* const f = m_units[m_unit];
    f->getTransform().setPosition(m_x + m_width, m_y - 2.0f);
    f->show();
    f->setPriority(static_cast<int32_t>(m_priority));
    f->draw();
}
