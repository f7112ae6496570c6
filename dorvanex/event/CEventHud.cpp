#include "dorvanex/event/CEventHud.h"

#include "dorvanex/core/play/CGameWork.h"
#include "dorvanex/dld/CDldDraw.h"
#include "dorvanex/dld/CDldElementList.h"
#include "dorvanex/dld/CDldFile.h"
#include "dorvanex/dld/CDldFrame.h"
#include "dorvanex/dld/CDldLayer.h"
#include "dorvanex/event/HudLayouts.h"

#include <cmath>

namespace {

constexpr uint32_t LAYOUT_ROW = 50;
// Intro layers by event, single and battle mode.
constexpr uint32_t INTRO_SINGLE[hud::NR_EVENTS] = {61, 61, 63, 62, 10, 65, 66, 64, 56, 12};
constexpr uint32_t INTRO_BATTLE[hud::NR_EVENTS] = {80, 81, 83, 82, 10, 85, 86, 84, 56, 12};
constexpr uint32_t PANEL_GAUGE = 71;
constexpr uint32_t PANEL_BOXING = 5;
constexpr uint32_t PANEL_OTHER = 11;
constexpr uint32_t LAYER_GAUGE = 67;
constexpr uint32_t LAYER_FOLLOWER = 72;
constexpr uint32_t LAYER_MARKER = 69;
constexpr uint32_t LAYER_TICKET_ROW = 73;
constexpr uint32_t LAYER_TICKET_ICON = 77;
constexpr uint32_t LAYER_BEST = 88;
constexpr uint32_t EVENT_BOXING = 4;

// Draw depths.
constexpr uint32_t DEPTH_INTRO = 16;
constexpr uint32_t DEPTH_PANEL = 16;
constexpr uint32_t DEPTH_GAUGE = 14;
constexpr uint32_t DEPTH_FOLLOWER = 15;
constexpr uint32_t DEPTH_MARKER = 17;
constexpr uint32_t DEPTH_ROW = 16;
constexpr uint32_t DEPTH_ICON[2] = {22, 18};
constexpr uint32_t DEPTH_MOVING = 17;
constexpr uint32_t DEPTH_BEST = 16;

// Cells.
constexpr uint32_t CELL_GAUGE_ANCHOR = 121;
constexpr uint32_t CELL_FIRST_SLOT = 122;
constexpr uint32_t CELL_MOVING_TICKET = 202;
constexpr uint32_t CELL_GAUGE_BAR = 225;
constexpr uint32_t CELL_PLATE = 106;
constexpr uint32_t CELL_PLATES = 127;
constexpr uint32_t CELL_BEST_ANCHOR = 114;
constexpr int32_t PLATE_COLUMNS = 5;

// Anchor ids of the intro layers.
constexpr uint32_t ANCHOR_PANEL[2][2] = {{2, 9}, {3, 10}}; // by player: single, battle
constexpr uint32_t ANCHOR_GAUGE_FIRST = 80;                // panel, gauge, marker per player
constexpr uint32_t ANCHOR_ROW_FIRST = 86;
constexpr uint32_t ANCHOR_ROW_SINGLE_DUEL = 88;
constexpr uint32_t ANCHOR_TARGET_FIRST = 89;
constexpr uint32_t ANCHOR_TARGET_SINGLE_DUEL = 91;
constexpr uint32_t ANCHOR_ICON_FIRST = 92;
constexpr uint32_t ANCHOR_BEST = 100;

// The best record: texture 163's second row, 6 digits, drawn above the panels.
constexpr uint32_t BEST_DIGITS = 6;
constexpr uint32_t BEST_PRIORITY = 17;

constexpr int32_t GAUGE_LAST_FRAME = 99;

float clampGauge(const float value) {
    if (!(value > 0.0f)) {
        return 0.0f; // also NaN
    }
    return value < 1.0f ? value : 1.0f;
}

void drawDefault(const CDldFile& file, const CDldCellInfo& info) {
    dldDrawCellById(file, info.cell, *info.info, *info.matrix, info.clip);
}

} // namespace

CEventHud::CEventHud(const uint32_t event) : m_event(event) {
    const CGameWork& work = CGameWork::getInstance();
    m_battle = work.isBattleMode();
    m_ticketsAtStart = work.getTicketsLeft();
    for (uint32_t p = 0; p < NR_PLAYERS; ++p) {
        m_players[p].context = {this, p};
    }
}

CEventHud::~CEventHud() {
    release();
}

bool CEventHud::isGaugeEvent(const uint32_t event) {
    return event == 0 || event == 1 || event == 2 || event == 3 || event == 6;
}

bool CEventHud::isDuelEvent(const uint32_t event) {
    return CGameWork::isDuelEvent(event);
}

uint32_t CEventHud::playerCount() const {
    return m_battle ? 2 : 1;
}

bool CEventHud::countsFromOtherEnd() const {
    const uint32_t e = m_event;
    return m_battle && (e == 0 || e == 2 || e == 4 || e == 5 || e == 8 || e == 9);
}

bool CEventHud::load() {
    if (!m_battle && !m_pBest) {
        m_pBest = std::make_unique<CScoreBase>();
    }
    if (m_pList == nullptr && !CDldElementList::create(NR_ELEMENTS, &m_pList)) {
        return false;
    }
    return true;
}

CDldLayer* CEventHud::addLayer(const uint32_t layer, const uint32_t depth,
                               void (*const callback)(const CDldCellInfo&, void*),
                               void* const data) {
    if (m_pFile == nullptr || layer >= m_pFile->getTables().getLayerCount()) {
        return nullptr;
    }
    CDldElement* const e = m_pList->addLayer(m_pFile, layer, depth);
    CDldLayer* const l = e != nullptr ? e->getLayer() : nullptr;
    if (l != nullptr && callback != nullptr) {
        l->setUserCallback(callback, data);
    }
    return l;
}

bool CEventHud::create(CDldFile* layout) {
    if (m_pList == nullptr && !load()) {
        return false;
    }
    if (layout == nullptr) {
        layout = findHudLayout(LAYOUT_ROW);
    }
    if (layout == nullptr) {
        // Nothing to show: the panel draws nothing and waits for nothing.
        m_introDone = true;
        return false;
    }
    layout->addRef();
    dldRelease(m_pFile);
    m_pFile = layout;

    const uint32_t e = m_event < hud::NR_EVENTS ? m_event : 0;
    m_pIntro =
        addLayer(m_battle ? INTRO_BATTLE[e] : INTRO_SINGLE[e], DEPTH_INTRO, &introCallback, this);
    const bool gauge = isGaugeEvent();
    const uint32_t panel = gauge ? PANEL_GAUGE : (e == EVENT_BOXING ? PANEL_BOXING : PANEL_OTHER);
    const uint32_t panels = m_battle || isDuelEvent() ? 2 : 1;
    for (uint32_t p = 0; p < panels; ++p) {
        m_players[p].panel = addLayer(panel, DEPTH_PANEL, &panelCallback, &m_players[p].context);
    }
    for (uint32_t p = 0; p < playerCount(); ++p) {
        Player& pl = m_players[p];
        if (gauge) {
            pl.gauge = addLayer(LAYER_GAUGE, DEPTH_GAUGE, &gaugeCallback, &pl.context);
            pl.follower = addLayer(LAYER_FOLLOWER, DEPTH_FOLLOWER, nullptr, nullptr);
            pl.marker = addLayer(LAYER_MARKER, DEPTH_MARKER, nullptr, nullptr);
        }
        pl.ticketRow = addLayer(LAYER_TICKET_ROW, DEPTH_ROW, &ticketRowCallback, &pl.context);
        pl.ticketIcon = addLayer(LAYER_TICKET_ICON, DEPTH_ICON[p], nullptr, nullptr);
        CDldElement* const moving = m_pList->addCell(m_pFile, CELL_MOVING_TICKET, DEPTH_MOVING);
        pl.movingTicket = moving != nullptr ? moving->getFrame() : nullptr;
        CDldCell slot;
        CDldCell ticket;
        if (pl.movingTicket != nullptr && readHudCell(m_pFile, CELL_FIRST_SLOT, slot) &&
            readHudCell(m_pFile, CELL_MOVING_TICKET, ticket) && ticket.width > 0 &&
            ticket.height > 0) {
            pl.movingTicket->getTransform().setScale(
                static_cast<float>(slot.width) / static_cast<float>(ticket.width),
                static_cast<float>(slot.height) / static_cast<float>(ticket.height));
        }
    }
    if (!m_battle) {
        m_pBestPanel = addLayer(LAYER_BEST, DEPTH_BEST, &bestCallback, this);
        if (m_pBest) {
            m_pBest->create(findHudTexture(hud::DIGIT_TEXTURE_ROW), BEST_DIGITS, nullptr, true);
            m_pBest->setValue(CGameWork::getInstance().getEventBestValue(m_event), false);
            m_pBest->setPriority(BEST_PRIORITY);
        }
    }
    if (m_pIntro != nullptr) {
        m_pIntro->play(CDldLayer::END_STOP);
    } else {
        m_introDone = true;
    }
    return true;
}

void CEventHud::release() {
    m_pBest.reset();
    m_pIntro = nullptr;
    m_pBestPanel = nullptr;
    for (Player& p : m_players) {
        p.panel = p.gauge = p.follower = p.marker = p.ticketRow = p.ticketIcon = nullptr;
        p.movingTicket = nullptr;
    }
    dldRelease(m_pList);
    dldRelease(m_pFile);
}

void CEventHud::showLayer(CDldLayer* const layer, const bool shown, const uint32_t endMode) {
    if (layer == nullptr) {
        return;
    }
    if (shown) {
        layer->play(endMode);
    } else {
        // Back to idle: an idle layer neither plays nor draws.
        layer->setIndex(layer->getIndex());
    }
}

void CEventHud::placeFromIntro() {
    if (m_pIntro == nullptr || m_pIntro->getFile() == nullptr) {
        return;
    }
    CDldClipStack clip;
    m_pIntro->getFile()->getTables().evaluate(m_pIntro->getIndex(), m_pIntro->getTimer().getTime(),
                                              m_pIntro->getTransform().getMatrix(),
                                              m_pIntro->getRenderInfo(), clip, &anchorOnly, this);
}

void CEventHud::update(const float dt) {
    if (!m_introDone && (m_pIntro == nullptr || m_pIntro->isEnd())) {
        // The anchors of the intro's last frame stay where the panels go.
        placeFromIntro();
        showLayer(m_pIntro, false, 0);
        m_introDone = true;
    }
    if (isGaugeEvent()) {
        for (uint32_t p = 0; p < playerCount(); ++p) {
            Player& pl = m_players[p];
            if (pl.follower != nullptr) {
                pl.follower->getTransform().setPosition(pl.gaugeX, pl.gaugeY);
                pl.follower->getTransform().setScale(pl.gaugeScale, 1.0f);
            }
        }
    }
    if (m_ticketMove) {
        stepTicketMove();
    }
    if (m_pList != nullptr) {
        m_pList->updateAll(dt);
    }
}

void CEventHud::draw() {
    if (m_pList != nullptr) {
        m_pList->drawAll();
    }
}

void CEventHud::setVisible(const bool visible) {
    m_shown = visible;
    for (Player& pl : m_players) {
        showLayer(pl.panel, visible, CDldLayer::END_LOOP);
        showLayer(pl.ticketRow, visible, CDldLayer::END_LOOP);
        showLayer(pl.gauge, visible, CDldLayer::END_LOOP);
        showLayer(pl.follower, visible, CDldLayer::END_LOOP);
        showLayer(pl.marker, visible && pl.markerShown, CDldLayer::END_LOOP);
    }
    if (visible) {
        for (uint32_t p = 0; p < playerCount(); ++p) {
            if (m_players[p].gauge != nullptr) {
                m_players[p].gauge->setSpeed(0.0f);
            }
            // The row's frames are its fade-out: it stands on the first until a move ends.
            if (m_players[p].ticketRow != nullptr) {
                m_players[p].ticketRow->setSpeed(0.0f);
            }
            applyGauge(p);
        }
    }
}

void CEventHud::setExtraVisible(const bool visible) {
    if (m_battle) {
        return;
    }
    m_bestShown = visible;
    showLayer(m_pBestPanel, visible, CDldLayer::END_LOOP);
    if (m_pBest) {
        m_pBest->setVisible(visible);
    }
}

void CEventHud::applyGauge(const uint32_t player) {
    Player& pl = m_players[player];
    if (!isGaugeEvent() || !m_shown || pl.gauge == nullptr) {
        return;
    }
    const float scaled = pl.gaugeValue * 100.0f;
    const float whole = std::trunc(scaled);
    int32_t frame = static_cast<int32_t>(whole) - 1;
    float fraction = (scaled - whole) * pl.gauge->getTimer().units;
    if (frame < 0) {
        frame = 0;
        fraction = 0.0f;
    } else if (frame > GAUGE_LAST_FRAME) {
        frame = GAUGE_LAST_FRAME;
        fraction = 0.0f;
    }
    pl.gauge->setFrame(frame, fraction);
}

void CEventHud::setGauge(const float value, const uint32_t player) {
    if (player >= playerCount()) {
        return;
    }
    Player& pl = m_players[player];
    pl.gaugeValue = clampGauge(value);
    const bool above = pl.gaugeValue > MARKER_ABOVE;
    if (above != pl.markerShown) {
        pl.markerShown = above;
        showLayer(pl.marker, above, CDldLayer::END_LOOP);
    }
    applyGauge(player);
}

void CEventHud::resetGauges() {
    for (uint32_t p = 0; p < playerCount(); ++p) {
        setGauge(0.0f, p);
    }
}

void CEventHud::setPlayerValue(const int32_t value, const uint32_t player) {
    if (player < NR_PLAYERS) {
        m_players[player].value = value;
    }
}

bool CEventHud::isMarkerShown(const uint32_t player) const {
    return player < NR_PLAYERS && m_players[player].markerShown;
}

float CEventHud::getGauge(const uint32_t player) const {
    return player < NR_PLAYERS ? m_players[player].gaugeValue : 0.0f;
}

int32_t CEventHud::getGaugeFrame(const uint32_t player) const {
    const CDldLayer* const gauge = player < NR_PLAYERS ? m_players[player].gauge : nullptr;
    return gauge != nullptr ? gauge->getTimer().frame : -1;
}

bool CEventHud::isSlotDrawn(const uint32_t slot) const {
    const int32_t tickets = CGameWork::getInstance().getTicketsLeft();
    const int32_t k = static_cast<int32_t>(slot);
    return countsFromOtherEnd() ? tickets >= 6 - k : tickets >= k;
}

void CEventHud::hideLayer(const uint32_t index) {
    const auto hide = [this, index](CDldLayer* const l) {
        if (l != nullptr && l->getIndex() == index) {
            showLayer(l, false, 0);
        }
    };
    hide(m_pIntro);
    hide(m_pBestPanel);
    for (Player& pl : m_players) {
        for (CDldLayer* const l :
             {pl.panel, pl.gauge, pl.follower, pl.marker, pl.ticketRow, pl.ticketIcon}) {
            hide(l);
        }
    }
}

void CEventHud::startTicketMove(const bool move) {
    if (!move || m_ticketMove) {
        return;
    }
    m_ticketMove = true;
    m_moveFrame = 0;
    CGameWork::getInstance().consumeTicket();
    // The icon leaves from the slot of the ticket being used: the count at construction,
    // from the other end in the battle events that count so. No such slot: no visible move.
    const int32_t slot = countsFromOtherEnd() ? 6 - m_ticketsAtStart : m_ticketsAtStart;
    for (uint32_t p = 0; p < playerCount(); ++p) {
        Player& pl = m_players[p];
        if (pl.ticketRow != nullptr && pl.ticketRow->getFile() != nullptr) {
            CDldClipStack clip;
            pl.ticketRow->getFile()->getTables().evaluate(
                pl.ticketRow->getIndex(), pl.ticketRow->getTimer().getTime(),
                pl.ticketRow->getTransform().getMatrix(), pl.ticketRow->getRenderInfo(), clip,
                [](const CDldCellInfo& info, void* const user) {
                    Player& owner = *static_cast<Player*>(user);
                    if (info.cell >= CELL_FIRST_SLOT && info.cell < CELL_FIRST_SLOT + NR_SLOTS &&
                        info.matrix != nullptr) {
                        const HudPlace at = getHudPlace(*info.matrix);
                        const uint32_t k = info.cell - CELL_FIRST_SLOT;
                        owner.slotKnown[k] = true;
                        owner.slotX[k] = at.x;
                        owner.slotY[k] = at.y;
                    }
                },
                &pl);
        }
        const bool known =
            slot >= 1 && slot <= static_cast<int32_t>(NR_SLOTS) && pl.slotKnown[slot - 1];
        pl.moveX = known ? pl.slotX[slot - 1] : pl.targetX;
        pl.moveY = known ? pl.slotY[slot - 1] : pl.targetY;
        pl.stepX = (pl.targetX - pl.moveX) / static_cast<float>(MOVE_FRAMES);
        pl.stepY = (pl.targetY - pl.moveY) / static_cast<float>(MOVE_FRAMES);
        showLayer(pl.ticketIcon, true, CDldLayer::END_LOOP);
        if (pl.ticketIcon != nullptr) {
            pl.ticketIcon->getTransform().setPosition(pl.moveX, pl.moveY);
        }
        if (pl.movingTicket != nullptr) {
            pl.movingTicket->getTransform().setPosition(pl.moveX, pl.moveY);
            pl.movingTicket->show();
        }
    }
}

void CEventHud::stepTicketMove() {
    if (m_moveFrame < MOVE_FRAMES) {
        for (uint32_t p = 0; p < playerCount(); ++p) {
            Player& pl = m_players[p];
            pl.moveX += pl.stepX;
            pl.moveY += pl.stepY;
            if (pl.ticketIcon != nullptr) {
                pl.ticketIcon->getTransform().setPosition(pl.moveX, pl.moveY);
            }
            if (pl.movingTicket != nullptr) {
                pl.movingTicket->getTransform().setPosition(pl.moveX, pl.moveY);
            }
        }
    } else if (m_moveFrame == MOVE_FRAMES) {
        for (uint32_t p = 0; p < playerCount(); ++p) {
            Player& pl = m_players[p];
            showLayer(pl.ticketIcon, false, 0);
            if (pl.movingTicket != nullptr) {
                pl.movingTicket->hide();
            }
            if (pl.ticketRow != nullptr) {
                pl.ticketRow->setSpeed(1.0f);
                pl.ticketRow->play(CDldLayer::END_HIDE);
            }
        }
    }
    if (m_moveFrame >= MOVE_FRAMES) {
        bool ended = true;
        for (uint32_t p = 0; p < playerCount(); ++p) {
            const CDldLayer* const row = m_players[p].ticketRow;
            // A row that could not be made has nothing to wait for.
            ended = ended && (row == nullptr || row->isEnd());
        }
        if (ended) {
            m_ticketMove = false;
        }
    }
    ++m_moveFrame;
}

bool CEventHud::placeByAnchor(const CDldCellInfo& info) {
    const uint32_t id = info.cell;
    const HudPlace at = getHudPlace(*info.matrix);
    const auto place = [&at](CDldLayer* const l) {
        if (l != nullptr) {
            l->getTransform().setPosition(at.x, at.y);
        }
    };
    const bool singleDuel = !m_battle && isDuelEvent();
    for (uint32_t p = 0; p < NR_PLAYERS; ++p) {
        if (id == ANCHOR_PANEL[p][0] || id == ANCHOR_PANEL[p][1]) {
            if (!isGaugeEvent()) {
                place(m_players[p].panel);
            }
            return true;
        }
        const uint32_t gaugeFirst = ANCHOR_GAUGE_FIRST + 3 * p;
        if (id >= gaugeFirst && id < gaugeFirst + 3) {
            if (isGaugeEvent()) {
                Player& pl = m_players[p];
                place(id == gaugeFirst ? pl.panel : (id == gaugeFirst + 1 ? pl.gauge : pl.marker));
            }
            return true;
        }
    }
    if (id >= ANCHOR_ROW_FIRST && id <= ANCHOR_ROW_SINGLE_DUEL) {
        if (singleDuel ? id == ANCHOR_ROW_SINGLE_DUEL : id != ANCHOR_ROW_SINGLE_DUEL) {
            place(m_players[singleDuel ? 0 : id - ANCHOR_ROW_FIRST].ticketRow);
        }
        return true;
    }
    if (id >= ANCHOR_TARGET_FIRST && id <= ANCHOR_TARGET_SINGLE_DUEL) {
        if (singleDuel ? id == ANCHOR_TARGET_SINGLE_DUEL : id != ANCHOR_TARGET_SINGLE_DUEL) {
            Player& pl = m_players[singleDuel ? 0 : id - ANCHOR_TARGET_FIRST];
            pl.targetX = at.x;
            pl.targetY = at.y;
        }
        return true;
    }
    if (id == ANCHOR_ICON_FIRST || id == ANCHOR_ICON_FIRST + 1) {
        // The icons draw where their move takes them, not here.
        return true;
    }
    if (id == ANCHOR_BEST) {
        place(m_pBestPanel);
        return true;
    }
    return false;
}

void CEventHud::anchorOnly(const CDldCellInfo& info, void* const user) {
    if (info.matrix != nullptr) {
        static_cast<CEventHud*>(user)->placeByAnchor(info);
    }
}

void CEventHud::introCallback(const CDldCellInfo& info, void* const user) {
    CEventHud* const self = static_cast<CEventHud*>(user);
    if (info.matrix == nullptr || info.info == nullptr || self->m_pFile == nullptr) {
        return;
    }
    if (!self->placeByAnchor(info)) {
        drawDefault(*self->m_pFile, info);
    }
}

// Cell 106 shows the player's plate: cell (value mod 5, value / 5) of cell 127's sheet in
// steps of cell 106's size.
void CEventHud::panelCallback(const CDldCellInfo& info, void* const user) {
    const PlayerContext& c = *static_cast<const PlayerContext*>(user);
    const CDldFile* const file = c.hud->m_pFile;
    if (info.matrix == nullptr || info.info == nullptr || file == nullptr) {
        return;
    }
    if (info.cell != CELL_PLATE) {
        drawDefault(*file, info);
        return;
    }
    const int32_t value = c.hud->m_players[c.player].value;
    CDldCell step;
    CDldCell sheet;
    if (value < 0 || !readHudCell(file, CELL_PLATE, step) ||
        !readHudCell(file, CELL_PLATES, sheet)) {
        return;
    }
    const CDldCell cell = {sheet.texture,
                           static_cast<uint16_t>(sheet.x + (value % PLATE_COLUMNS) * step.width),
                           static_cast<uint16_t>(sheet.y + (value / PLATE_COLUMNS) * step.height),
                           step.width, step.height};
    dldDrawCell(*file, cell, *info.info, *info.matrix, info.clip);
}

// Cell 121 reports where the gauge's end is (for the follower); cell 225 is the bar: the
// lower value x height part of its cell, or all of it while the marker shows.
void CEventHud::gaugeCallback(const CDldCellInfo& info, void* const user) {
    const PlayerContext& c = *static_cast<const PlayerContext*>(user);
    const CDldFile* const file = c.hud->m_pFile;
    if (info.matrix == nullptr || info.info == nullptr || file == nullptr) {
        return;
    }
    Player& pl = c.hud->m_players[c.player];
    if (info.cell == CELL_GAUGE_ANCHOR) {
        const HudPlace at = getHudPlace(*info.matrix);
        pl.gaugeX = at.x;
        pl.gaugeY = at.y;
        pl.gaugeScale = at.scaleX;
        return;
    }
    if (info.cell != CELL_GAUGE_BAR) {
        drawDefault(*file, info);
        return;
    }
    CDldCell bar;
    if (!readHudCell(file, CELL_GAUGE_BAR, bar)) {
        return;
    }
    if (!pl.markerShown) {
        const uint16_t shown =
            static_cast<uint16_t>(std::lround(pl.gaugeValue * static_cast<float>(bar.height)));
        const float drop = static_cast<float>(bar.height - shown);
        bar.y = static_cast<uint16_t>(bar.y + (bar.height - shown));
        bar.height = shown;
        if (shown == 0) {
            return;
        }
        ZqMatrix m = *info.matrix;
        m._41 += drop * m._21;
        m._42 += drop * m._22;
        dldDrawCell(*file, bar, *info.info, m, info.clip);
        return;
    }
    dldDrawCell(*file, bar, *info.info, *info.matrix, info.clip);
}

// Slot k (cells 122..126) shows while the tickets left reach k (6 - k where the row counts
// from the other end), read at every draw.
void CEventHud::ticketRowCallback(const CDldCellInfo& info, void* const user) {
    const PlayerContext& c = *static_cast<const PlayerContext*>(user);
    const CDldFile* const file = c.hud->m_pFile;
    if (info.matrix == nullptr || info.info == nullptr || file == nullptr) {
        return;
    }
    if (info.cell >= CELL_FIRST_SLOT && info.cell < CELL_FIRST_SLOT + NR_SLOTS &&
        !c.hud->isSlotDrawn(info.cell - CELL_FIRST_SLOT + 1)) {
        return;
    }
    drawDefault(*file, info);
}

// Cell 114 of the best-record panel places and draws the best record while it shows.
void CEventHud::bestCallback(const CDldCellInfo& info, void* const user) {
    CEventHud* const self = static_cast<CEventHud*>(user);
    if (info.matrix == nullptr || info.info == nullptr || self->m_pFile == nullptr) {
        return;
    }
    if (info.cell != CELL_BEST_ANCHOR) {
        drawDefault(*self->m_pFile, info);
        return;
    }
    if (self->m_bestShown && self->m_pBest) {
        const HudPlace at = getHudPlace(*info.matrix);
        self->m_pBest->setPosition(at.x, at.y);
        self->m_pBest->draw();
    }
}
