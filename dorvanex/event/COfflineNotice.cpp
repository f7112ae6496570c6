#include "dorvanex/event/COfflineNotice.h"

#include "dorvanex/core/play/CGameWork.h"
#include "dorvanex/dld/CDldElementList.h"
#include "dorvanex/dld/CDldFile.h"
#include "dorvanex/dld/CDldLayer.h"
#include "dorvanex/event/EventHudTables.h"
#include "dorvanex/event/HudLayouts.h"

namespace {

// The play state's offline word while network ranking is off.
constexpr int32_t RANKING_OFF = 2;

bool isRankingOff() {
    return CGameWork::getInstance().getOfflineWord() == RANKING_OFF;
}

} // namespace

COfflineNotice::~COfflineNotice() {
    release();
}

bool COfflineNotice::create(CDldFile* layout) {
    release();
    if (layout == nullptr) {
        layout = findHudLayout(hud::OFFLINE_LAYOUT_ROW);
    }
    // The three layers must be in the layout's table.
    if (layout == nullptr || layout->getTables().getLayerCount() <= hud::OFFLINE_LAYER_OUT ||
        !CDldElementList::create(1, &m_pList)) {
        return false;
    }
    CDldElement* const e = m_pList->addLayer(layout, hud::OFFLINE_LAYER_IN, hud::OFFLINE_PRIORITY);
    m_pLayer = e != nullptr ? e->getLayer() : nullptr;
    if (m_pLayer == nullptr) {
        release();
        return false;
    }
    return true;
}

void COfflineNotice::release() {
    m_pLayer = nullptr;
    dldRelease(m_pList);
}

void COfflineNotice::play(const uint32_t layer, const uint32_t endMode) {
    if (m_pLayer != nullptr) {
        m_pLayer->setIndex(layer);
        m_pLayer->play(endMode);
    }
}

bool COfflineNotice::isLayerEnded() const {
    return m_pLayer == nullptr || m_pLayer->isEnd();
}

void COfflineNotice::update(const float dt) {
    switch (m_state) {
    case State::Waiting:
        if (!isOnline() && !isRankingOff()) {
            m_state = State::ComingIn;
        }
        break;
    case State::ComingIn:
        play(hud::OFFLINE_LAYER_IN, CDldLayer::END_STOP);
        m_state = State::In;
        break;
    case State::In:
        if (isLayerEnded()) {
            play(hud::OFFLINE_LAYER_LOOP, CDldLayer::END_LOOP);
            m_state = State::Looping;
        }
        break;
    case State::Looping:
        if (isOnline() && !isRankingOff()) {
            m_state = State::GoingOut;
        }
        break;
    case State::GoingOut:
        play(hud::OFFLINE_LAYER_OUT, CDldLayer::END_HIDE);
        m_state = State::Leaving;
        break;
    case State::Leaving:
        if (isLayerEnded()) {
            m_state = State::Waiting;
        }
        break;
    }
    if (m_pList != nullptr) {
        m_pList->updateAll(dt);
    }
}

void COfflineNotice::draw() {
    if (m_pList != nullptr && !isRankingOff()) {
        m_pList->drawAll();
    }
}
