#include "dorvanex/screens/CStandInChapter.h"

#include "dorvanex/core/cabinet/CabinetIo.h"

#include "dorvanex/core/cabinet/CCredit.h"
#include "dorvanex/core/cabinet/CSPLCTask.h"
#include "dorvanex/core/flow/CSequenceManager.h"
#include "dorvanex/core/flow/OperatorErrors.h"
#include "dorvanex/core/input/CInputManager.h"
#include "dorvanex/core/play/CTaskBackGround.h"
#include "dorvanex/core/render/GameDebug.h"
#include "dorvanex/core/render/GameRender.h"
#include "dorvanex/scene/CResourceManager.h"
#include "dorvanex/screens/StartupResources.h"
#include "zq/system/ZqSprintf.h"

bool CStandInChapter::create() {
    if (m_number == chapterNumber(ChapterId::BOOT)) {
        setTestButtonEnabled(true);
        initLedController();
    } else if (m_number == chapterNumber(ChapterId::SELF_CHECK)) {
        setTestButtonEnabled(true);
    }
    return true;
}

bool CStandInChapter::load() {
    if (m_number == chapterNumber(ChapterId::STARTUP)) {
        CResourceManager::getInstance()->requestList(getStartupResourceList(),
                                                     CResourceManager::BANK_RESIDENT);
    }
    return true;
}

bool CStandInChapter::isLoadFinished() {
    // The start-up chapter waits for the resident bank; the others for their own (empty) one.
    return m_number == chapterNumber(ChapterId::STARTUP)
               ? CResourceManager::getInstance()->loadStep(CResourceManager::BANK_RESIDENT)
               : CSequence::isLoadFinished();
}

bool CStandInChapter::start() {
    if (m_number == chapterNumber(ChapterId::STARTUP)) {
        getBackGround().setup();
    }
    // The title shows the credit line and takes coins from then on.
    if (m_number == chapterNumber(ChapterId::TITLE)) {
        CCredit::setDisplay(true);
        CCredit::setCoinAccept(true);
    }
    if (m_number == chapterNumber(ChapterId::BOOT)) {
        bool enabled = false;
        return pollLedState(&enabled) || getLampTask() == nullptr;
    }
    return true;
}

bool CStandInChapter::update(const float timeTick) {
    m_time += timeTick;
    const bool button = isPlayerButtonOn(0, CInputManager::BUTTON_0);
    if (!button && m_time < STAND_IN_DURATION_MS) {
        return false;
    }
    CSequenceManager* const manager = CSequenceManager::getInstance();
    manager->setNextSequence(successor(button));
    // True only when this chapter was replaced; otherwise it keeps running.
    return manager->applyNextSequence();
}

void CStandInChapter::render(float) {
    clearRenderTarget();
    char16_t line[128] = {};
    zqSprintf(line, 128, u"chapter %d  coins %u %u", m_number, cabinet::boardGetCoinStock(0),
              cabinet::boardGetCoinStock(1));
    drawDebugText(32, 32, line, 0xFFFFFFFFu);
    if (m_number == chapterNumber(ChapterId::SELF_CHECK)) {
        uint16_t subCode = 0;
        const int32_t row = getOperatorErrorRow(&subCode);
        if (row >= 0) {
            zqSprintf(line, 128, u"operator error %d (%u)", row, static_cast<unsigned>(subCode));
            drawDebugText(32, 56, line, 0xFFFF4040u);
        }
    }
    presentRenderTarget();
}
