#include "dorvanex/event/CRankBoard.h"

#include "dorvanex/core/input/CInputManager.h"
#include "dorvanex/dld/CDldDraw.h"
#include "dorvanex/dld/CDldElementList.h"
#include "dorvanex/dld/CDldFile.h"
#include "dorvanex/dld/CDldLayer.h"
#include "dorvanex/event/HudLayouts.h"
#include "dorvanex/scene/CResourceManager.h"

namespace {

constexpr uint32_t BOARD_ELEMENTS = 1;
constexpr uint32_t LARGE_DIGITS = 5;
constexpr uint32_t SMALL_DIGITS = 2;
// Cell ids of the board's callback.
constexpr uint32_t ID_ROW = 4;
constexpr uint32_t ID_BADGE = 8;
constexpr uint32_t ID_END = 12;
constexpr int32_t NR_BADGE_ROWS = 3;
constexpr int32_t NR_FACES = 11;

} // namespace

void requestRankBoardLayout() {
    static const CResourceManager::Pair LIST[] = {
        {static_cast<int32_t>(hud::BOARD_LAYOUT_ROW), KIND_LAYOUT}, {0, 0}};
    CResourceManager::getInstance()->requestList(LIST, CResourceManager::BANK_CHAPTER);
}

CRankBoard::CRankBoard(const uint32_t board, const float limitMs, const CRankRecord* const records,
                       const uint32_t count)
    : m_board(board), m_limit(limitMs) {
    if (records != nullptr) {
        for (uint32_t i = 0; i < count && i < NR_ROWS; ++i) {
            m_records[i] = records[i];
        }
    }
}

CRankBoard::~CRankBoard() {
    releaseElementList();
}

bool CRankBoard::createElementList() {
    releaseElementList();
    return CDldElementList::create(BOARD_ELEMENTS, &m_pList);
}

void CRankBoard::releaseElementList() {
    for (CRankScore& row : m_rows) {
        row.release();
    }
    m_pLayer = nullptr;
    dldRelease(m_pList);
    m_state = State::Idle;
    m_rowsShown = false;
}

void CRankBoard::setRecords(const CRankRecord* const records, const uint32_t count) {
    if (records != nullptr) {
        for (uint32_t i = 0; i < count && i < NR_ROWS; ++i) {
            m_records[i] = records[i];
        }
    }
    m_hasData = true;
}

void CRankBoard::start(const bool largeRows, CDldFile* layout) {
    if (layout == nullptr) {
        layout = findHudLayout(hud::BOARD_LAYOUT_ROW);
    }
    // A second start builds the board afresh rather than looking for room in the old list.
    if (m_pList == nullptr || m_pLayer != nullptr) {
        createElementList();
    }
    m_pLayer = nullptr;
    if (m_pList != nullptr && layout != nullptr && m_pList->getCapacity() > 0) {
        const uint32_t first = m_board * hud::BOARD_LAYERS_PER_BOARD;
        // A board number whose layers the layout lacks makes no layer.
        if (first + 2 < layout->getTables().getLayerCount()) {
            CDldElement* const e = m_pList->addLayer(layout, first, hud::BOARD_DEPTH);
            m_pLayer = e != nullptr ? e->getLayer() : nullptr;
        }
        if (m_pLayer != nullptr) {
            m_pLayer->setUserCallback(&cellCallback, this);
        }
    }
    for (CRankScore& row : m_rows) {
        row.createFromLayout(largeRows ? LARGE_DIGITS : SMALL_DIGITS, layout);
        row.setVisible(false);
    }
}

void CRankBoard::playLayer(const uint32_t offset, const uint32_t endMode) {
    if (m_pLayer != nullptr) {
        m_pLayer->setIndex(m_board * hud::BOARD_LAYERS_PER_BOARD + offset);
        m_pLayer->play(endMode);
    }
}

bool CRankBoard::isLayerEnded() const {
    // No layer: nothing to wait for.
    return m_pLayer == nullptr || m_pLayer->isEnd();
}

bool CRankBoard::holdButtonPressed() const {
    for (const uint32_t b :
         {CInputManager::BUTTON_1, CInputManager::BUTTON_0, CInputManager::BUTTON_2}) {
        if (isPlayerButtonOn(0, b)) {
            return true;
        }
    }
    return false;
}

void CRankBoard::show() {
    if (!m_hasData) {
        return;
    }
    for (uint32_t r = 0; r < NR_ROWS; ++r) {
        m_rows[r].setVisible(true);
        m_rows[r].setValue(m_records[r].value, false);
    }
    m_timer = 0.0f;
    m_state = State::Intro;
    playLayer(0, CDldLayer::END_STOP);
}

bool CRankBoard::update(const float dt, const int32_t readInput) {
    if (m_state == State::Idle) {
        return false;
    }
    if (m_pList != nullptr) {
        m_pList->updateAll(dt);
    }
    switch (m_state) {
    case State::Intro:
        m_timer += dt;
        if (isLayerEnded()) {
            m_state = State::Hold;
            playLayer(1, CDldLayer::END_LOOP);
        }
        break;
    case State::Hold:
        m_timer += dt;
        if (m_timer >= m_limit || (readInput != 0 && holdButtonPressed())) {
            m_state = State::Outro;
            playLayer(2, CDldLayer::END_HIDE);
        }
        break;
    case State::Outro:
        if (isLayerEnded()) {
            for (CRankScore& row : m_rows) {
                row.setVisible(false);
            }
            m_rowsShown = false;
            m_timer = 0.0f;
            m_hasData = false;
            m_state = State::Idle;
            return false;
        }
        break;
    case State::Idle:
        return false;
    }
    return true;
}

void CRankBoard::draw() {
    if (m_state != State::Idle && m_pList != nullptr) {
        m_pList->drawAll();
    }
    if (m_rowsShown) {
        for (CRankScore& row : m_rows) {
            row.draw();
        }
    }
}

// Ids 0..3 draw row r's face, 4..7 place row r (4 also marks the rows placed), 8..11 draw row
// r's badge; every other cell draws as it is.
void CRankBoard::cellCallback(const CDldCellInfo& info, void* const user) {
    CRankBoard* const self = static_cast<CRankBoard*>(user);
    const CDldFile* const file = self->m_pLayer != nullptr ? self->m_pLayer->getFile() : nullptr;
    if (file == nullptr || info.info == nullptr || info.matrix == nullptr) {
        return;
    }
    if (info.cell >= ID_END) {
        dldDrawCellById(*file, info.cell, *info.info, *info.matrix, info.clip);
        return;
    }
    const uint32_t r = info.cell % NR_ROWS;
    const CRankRecord& record = self->m_records[r];
    if (info.cell >= ID_ROW && info.cell < ID_BADGE) {
        if (info.cell == ID_ROW) {
            self->m_rowsShown = true;
        }
        const HudPlace place = getHudPlace(*info.matrix);
        self->m_rows[r].setPosition(place.x, place.y);
        return;
    }
    CDldCell step;
    CDldCell sheet;
    CDldCell cell;
    if (info.cell < ID_ROW) {
        if (record.secondId < 0 || record.secondId >= NR_FACES ||
            !readHudCell(file, hud::BOARD_CELL_FACE_SIZE, step) ||
            !readHudCell(file, hud::BOARD_CELL_FACES, sheet)) {
            return;
        }
        const int32_t column = record.secondId % static_cast<int32_t>(hud::FACE_COLUMNS);
        const int32_t line = record.secondId / static_cast<int32_t>(hud::FACE_COLUMNS);
        cell = {sheet.texture, static_cast<uint16_t>(sheet.x + column * step.width),
                static_cast<uint16_t>(sheet.y + line * step.height), step.width, step.height};
    } else {
        if (!readHudCell(file, hud::BOARD_CELL_BADGE_H, step) ||
            !readHudCell(file, hud::BOARD_CELL_BADGES, sheet)) {
            return;
        }
        const int32_t line =
            record.firstId == 0 || record.firstId == 1 ? record.firstId : NR_BADGE_ROWS - 1;
        cell = {sheet.texture, sheet.x, static_cast<uint16_t>(sheet.y + line * step.height),
                sheet.width, step.height};
    }
    dldDrawCell(*file, cell, *info.info, *info.matrix, info.clip);
}
