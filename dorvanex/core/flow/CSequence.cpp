#include "dorvanex/core/flow/CSequence.h"

#include "dorvanex/core/flow/CSequenceManager.h"
#include "dorvanex/scene/CResourceManager.h"
#include "zq/system/ZqSystem.h"

uint32_t CSequence::init() {
    if (!create()) {
        return RESULT_REMOVE;
    }
    setPhase(PHASE_LOAD);
    m_loadStart = ZqSystem::getTime();
    return 0;
}

bool CSequence::isLoadFinished() {
    return CResourceManager::getInstance()->loadStep(CResourceManager::BANK_CHAPTER);
}

uint32_t CSequence::main1(const float timeTick) {
    const uint32_t phase = m_phase;
    if (phase >= PHASE_LOAD && phase <= PHASE_START &&
        ZqSystem::getTime() - m_loadStart >= LOAD_TIME_LIMIT_MS) {
        // A chapter that never finishes loading would hang the cabinet silently; the manager
        // replaces it (this object is gone afterwards).
        CSequenceManager::getInstance()->onChapterStalled(this);
        return 0;
    }
    switch (phase) {
    case PHASE_LOAD:
        if (load()) {
            setPhase(PHASE_WAIT_RESOURCES);
        }
        break;
    case PHASE_WAIT_RESOURCES:
        if (isLoadFinished()) {
            setPhase(PHASE_START);
        }
        break;
    case PHASE_START:
        if (start()) {
            setPhase(PHASE_RUN);
        }
        break;
    case PHASE_RUN:
        if (!update(timeTick)) {
            addDrawTask(DRAW_PRIORITY, 0.0f);
        }
        break;
    default:
        break;
    }
    return 0;
}

void CSequence::draw(const float timeTick) {
    if (m_phase == PHASE_RUN) {
        render(timeTick);
    }
}
