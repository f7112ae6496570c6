#include "dorvanex/core/sound/CTaskSound.h"

#include "dorvanex/core/sound/CSoundManager.h"

uint32_t CTaskSound::init() {
    return CSoundManager::getInstance()->init() ? 0 : static_cast<uint32_t>(-1);
}

void CTaskSound::quit() {
    CSoundManager::getInstance()->stopAll();
}

uint32_t CTaskSound::main1(float) {
    CSoundManager::getInstance()->update();
    return 0;
}
