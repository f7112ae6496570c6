#include "dorvanex/core/play/CLimitTimer.h"

#include "dorvanex/core/sound/CSoundManager.h"
#include "dorvanex/dld/CDldDraw.h"
#include "dorvanex/dld/CDldElementList.h"
#include "dorvanex/dld/CDldFile.h"
#include "dorvanex/dld/CDldLayer.h"
#include "dorvanex/scene/CResourceManager.h"

namespace {

constexpr char16_t WARNING_SOUND[] = u"SPCommonLimitedTime.adpcm.sound";
constexpr uint32_t NR_ELEMENTS = 2;
// The cells that show a digit; the sheet of the ten digits is the cell after them.
constexpr uint32_t NR_DIGIT_CELLS = 4;
constexpr uint32_t SHEET_CELL = 4;
constexpr uint32_t SHEET_COLUMNS = 5;

} // namespace

CLimitTimer::~CLimitTimer() {
    release();
}

bool CLimitTimer::create(CDldFile* layout) {
    release();
    if (layout == nullptr) {
        layout = CResourceManager::getInstance()->getLayout(LAYOUT_INDEX,
                                                            CResourceManager::BANK_RESIDENT);
    }
    if (layout == nullptr || !CDldElementList::create(NR_ELEMENTS, &m_pList)) {
        return false;
    }
    CDldElement* const out = m_pList->addLayer(layout, ROLL_OUT_LAYER, DRAW_DEPTH);
    CDldElement* const in = m_pList->addLayer(layout, ROLL_IN_LAYER, DRAW_DEPTH);
    m_pRollOut = out != nullptr ? out->getLayer() : nullptr;
    m_pRollIn = in != nullptr ? in->getLayer() : nullptr;
    if (m_pRollOut == nullptr || m_pRollIn == nullptr) {
        release();
        return false;
    }
    m_pRollOut->setUserCallback(&digitCallback, this);
    m_pRollIn->setUserCallback(&digitCallback, this);
    return true;
}

void CLimitTimer::release() {
    m_pRollOut = nullptr;
    m_pRollIn = nullptr;
    dldRelease(m_pList);
}

void CLimitTimer::setTime(const int32_t seconds) {
    m_remaining = static_cast<float>(seconds) * 1000.0f;
    m_previous = seconds;
    m_current = seconds;
    m_timeUp = false;
}

void CLimitTimer::start() {
    m_animation = ANIM_ROLL_BOTH;
    if (m_remaining <= WARNING_FROM_MS) {
        warn();
    }
    m_visible = true;
    m_running = true;
}

void CLimitTimer::warn() {
    playSeInGroup(WARNING_SOUND, CSoundManager::GROUP_COMMON, 0);
}

void CLimitTimer::update(const float dt) {
    if (m_running && !m_timeUp) {
        m_remaining -= dt;
        if (m_remaining < HIDE_BELOW_MS) {
            m_visible = false;
        }
        if (m_remaining < TIME_UP_BELOW_MS) {
            m_previous = 0;
            m_current = 0;
            m_remaining = 0.0f;
            m_timeUp = true;
        } else {
            const int32_t seconds = static_cast<int32_t>(m_remaining / 1000.0f) + 1;
            if (seconds != m_current) {
                m_previous = m_current;
                m_current = seconds;
                // A new tens digit rolls both places.
                m_animation = seconds % 10 == 9 ? ANIM_ROLL_BOTH : ANIM_ROLL_IN;
                if (seconds < 11) {
                    warn();
                }
            }
        }
        if (m_animation == ANIM_ROLL_IN || m_animation == ANIM_ROLL_BOTH) {
            if (m_animation == ANIM_ROLL_BOTH && m_pRollOut != nullptr) {
                m_pRollOut->play(CDldLayer::END_STOP);
            }
            if (m_pRollIn != nullptr) {
                m_pRollIn->play(CDldLayer::END_STOP);
            }
            m_animation = ANIM_DONE;
        }
    }
    if (m_pList != nullptr) {
        m_pList->updateAll(dt);
    }
}

void CLimitTimer::draw() {
    if (m_shown && m_visible && m_pList != nullptr) {
        m_pList->drawAll();
    }
}

// Cells 0 and 1 show the previous seconds' tens and units, cells 2 and 3 the current ones':
// the digit's place in the sheet cell's grid, in steps of cell 0's size. Other cells draw
// as they are.
void CLimitTimer::digitCallback(const CDldCellInfo& info, void* const user) {
    const CLimitTimer* const self = static_cast<const CLimitTimer*>(user);
    const CDldFile* const file = self->m_pRollIn != nullptr ? self->m_pRollIn->getFile() : nullptr;
    if (file == nullptr || info.info == nullptr || info.matrix == nullptr) {
        return;
    }
    if (info.cell >= NR_DIGIT_CELLS) {
        dldDrawCellById(*file, info.cell, *info.info, *info.matrix, info.clip);
        return;
    }
    const CDldTables& tables = file->getTables();
    if (tables.getCellCount() <= SHEET_CELL) {
        return;
    }
    const int32_t value = info.cell < 2 ? self->m_previous : self->m_current;
    const int32_t digit = ((info.cell % 2 == 0 ? value / 10 : value) % 10 + 10) % 10;
    const CDldCell step = tables.getCell(0);
    const CDldCell sheet = tables.getCell(SHEET_CELL);
    CDldCell cell;
    cell.texture = sheet.texture;
    cell.x = static_cast<uint16_t>(sheet.x + (digit % SHEET_COLUMNS) * step.width);
    cell.y = static_cast<uint16_t>(sheet.y + (digit / SHEET_COLUMNS) * step.height);
    cell.width = step.width;
    cell.height = step.height;
    dldDrawCell(*file, cell, *info.info, *info.matrix, info.clip);
}
