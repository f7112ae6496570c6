#include "dorvanex/core/play/CTaskBackGround.h"

#include "dorvanex/core/cabinet/CCredit.h"
#include "dorvanex/core/cabinet/CSPLCTask.h"
#include "dorvanex/core/flow/CSequence.h"
#include "dorvanex/core/flow/CSequenceManager.h"
#include "dorvanex/dld/CDldElementList.h"
#include "dorvanex/dld/CDldFile.h"
#include "dorvanex/dld/CDldLayer.h"
#include "dorvanex/scene/CResourceManager.h"

namespace {

constexpr uint32_t LIST_CAPACITY = 3;
constexpr uint32_t SIDES_ROW = 45;
constexpr uint32_t BANNER_ROW = 62;
constexpr uint32_t SIDE0_LAYER = 4;
constexpr uint32_t SIDE0_PRIORITY = 5;
constexpr uint32_t SIDE1_LAYER = 14;
constexpr uint32_t SIDE1_PRIORITY = 4;
constexpr uint32_t BANNER_LAYER = 1;
constexpr uint32_t BANNER_PRIORITY = 5;
constexpr uint32_t FILTER_LINEAR = 1;
constexpr uint32_t END_LOOP = 0;
constexpr uint32_t END_STOP = 1;

CBackGroundDisplay g_backGround;

void setDraw(CDldElement* const element, const bool on) {
    if (element != nullptr) {
        on ? element->enableDraw() : element->disableDraw();
    }
}

void play(CDldElement* const element, const uint32_t layer, const uint32_t endMode) {
    CDldLayer* const l = element != nullptr ? element->getLayer() : nullptr;
    if (l != nullptr) {
        l->setIndex(layer);
        l->play(endMode);
    }
}

// The resident layouts the background draws from (null until bank 0 holds them).
CDldFile* residentLayout(const uint32_t row) {
    return CResourceManager::getInstance()->getLayout(static_cast<int32_t>(row),
                                                      CResourceManager::BANK_RESIDENT);
}

} // namespace

CBackGroundDisplay& getBackGround() {
    return g_backGround;
}

CBackGroundDisplay::CBackGroundDisplay() = default;
CBackGroundDisplay::~CBackGroundDisplay() {
    release();
}

bool CBackGroundDisplay::setup() {
    release();
    if (!CDldElementList::create(LIST_CAPACITY, &m_pList)) {
        return true;
    }
    CDldFile* const sides = residentLayout(SIDES_ROW);
    m_pSide0 = m_pList->addLayer(sides, SIDE0_LAYER, SIDE0_PRIORITY);
    play(m_pSide0, SIDE0_LAYER, END_LOOP);
    m_pSide1 = m_pList->addLayer(sides, SIDE1_LAYER, SIDE1_PRIORITY);
    m_pBanner = m_pList->addLayer(residentLayout(BANNER_ROW), BANNER_LAYER, BANNER_PRIORITY);
    if (m_pBanner != nullptr && m_pBanner->getLayer() != nullptr) {
        m_pBanner->getLayer()->getRenderInfo().setFilter(FILTER_LINEAR);
    }
    play(m_pBanner, BANNER_LAYER, END_LOOP);
    return true;
}

void CBackGroundDisplay::release() {
    m_pSide0 = nullptr;
    m_pSide1 = nullptr;
    m_pBanner = nullptr;
    dldRelease(m_pList);
}

void CBackGroundDisplay::showEventBanner(const int32_t event) {
    if (m_pBanner == nullptr) {
        return;
    }
    m_pBanner->enableDraw();
    play(m_pBanner, static_cast<uint32_t>(event + 1), END_LOOP);
}

void CTaskBackGround::setLayer(const uint32_t layer, const int32_t loop) {
    CDldElement* const side = g_backGround.getSide(1);
    if (side != nullptr && side->getLayer() != nullptr && side->getLayer()->getIndex() != layer) {
        play(side, layer, loop != 0 ? END_LOOP : END_STOP);
    }
}

void CTaskBackGround::quit() {
    g_backGround.release();
}

void CTaskBackGround::animateLamps(CBackGroundDisplay& display, const int32_t chapter,
                                   const float timeTick) {
    if (display.m_lampAnimation == 0) {
        return;
    }
    display.m_timer += timeTick;
    const float timer = display.m_timer;
    if (timer >= 2000.0f) {
        display.m_timer = 0.0f;
    } else {
        const float level = timer < 1000.0f ? timer : 2000.0f - timer;
        const auto brightness = static_cast<uint8_t>(level / 1000.0f * 255.0f);
        for (uint32_t lamp = 18; lamp <= 22; ++lamp) {
            setLampOn(lamp);
            setLampValue(lamp, brightness);
        }
    }
    const bool attract =
        chapter == 2 || chapter == 3 || chapter == 4 || chapter == 12 || chapter == 13;
    if (attract && CCredit::getCreditState(CCredit::MODE_SINGLE) != CCredit::CREDIT_ENOUGH) {
        const bool on = static_cast<uint32_t>(display.m_timer) % 2000u >= 1001u;
        for (uint32_t lamp = 29; lamp <= 34; ++lamp) {
            on ? setLampOn(lamp) : setLampOff(lamp);
        }
    } else if (chapter == 3 || chapter == 4 || chapter == 12 || chapter == 13) {
        for (uint32_t lamp = 29; lamp <= 34; ++lamp) {
            lamp == 30 ? setLampOn(lamp) : setLampOff(lamp);
        }
    }
    for (uint32_t lamp = 23; lamp <= 28; ++lamp) {
        setLampOn(lamp);
    }
    for (uint32_t lamp = 0; lamp <= 17; ++lamp) {
        setLampOn(lamp);
    }
}

uint32_t CTaskBackGround::main1(const float timeTick) {
    CSequenceManager* const manager = CSequenceManager::getInstance();
    const int32_t chapter = manager->getCurrentSequence();
    animateLamps(g_backGround, chapter, timeTick);
    CDldElement* const banner = g_backGround.getBanner();
    CDldElement* const side0 = g_backGround.getSide(0);
    CDldElement* const side1 = g_backGround.getSide(1);
    if (chapter >= 5 && chapter <= 13) {
        setDraw(banner, false);
        setDraw(side0, true);
        setDraw(side1, true);
    } else if (chapter == 2 || chapter == 3) {
        setDraw(banner, false);
        setDraw(side0, false);
        setDraw(side1, false);
    } else if (chapter == 4 || (chapter >= 17 && chapter <= 26)) {
        const CSequence* const task = manager->getCurrentTask();
        const bool loading = task == nullptr || task->getPhase() < CSequence::PHASE_RUN;
        if (loading) {
            setDraw(side0, false);
            setDraw(side1, false);
        }
        setDraw(banner, loading);
    } else {
        return 0;
    }
    if (g_backGround.getList() != nullptr) {
        g_backGround.getList()->updateAll(timeTick);
    }
    addDrawTask(DRAW_PRIORITY, 0.0f);
    return 0;
}

void CTaskBackGround::draw(float) {
    if (g_backGround.getList() != nullptr) {
        g_backGround.getList()->drawAll();
    }
}
