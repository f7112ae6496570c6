#include "dorvanex/core/input/CInputManager.h"

#include "dorvanex/core/input/CPlayerInput.h"

std::unique_ptr<CInputManager> CInputManager::m_pInstance;

CInputManager* CInputManager::getInstance() {
    if (!m_pInstance) {
        m_pInstance = std::make_unique<CInputManager>();
    }
    return m_pInstance.get();
}

void CInputManager::deleteInstance() {
    m_pInstance.reset();
}

CInputManager::CInputManager() {
    for (uint32_t p = 0; p < NR_PLAYERS; ++p) {
        m_pPlayers[p] = std::make_unique<CPlayerInput>(p);
    }
}

CInputManager::~CInputManager() = default;

void CInputManager::update(const float timeTick) {
    for (const std::unique_ptr<CPlayerInput>& player : m_pPlayers) {
        player->update(timeTick);
    }
}

CPlayerInput* CInputManager::getPlayerInput(const uint32_t player) const {
    return player < NR_PLAYERS ? m_pPlayers[player].get() : nullptr;
}

bool CInputManager::getButton(const uint32_t p, const uint32_t button) const {
    const CPlayerInput* const input = getPlayerInput(p);
    return input != nullptr && input->getButton(button);
}

bool CInputManager::getButtonOn(const uint32_t p, const uint32_t button) const {
    const CPlayerInput* const input = getPlayerInput(p);
    return input != nullptr && input->getButtonOn(button);
}

bool CInputManager::getButtonOff(const uint32_t p, const uint32_t button) const {
    const CPlayerInput* const input = getPlayerInput(p);
    return input != nullptr && input->getButtonOff(button);
}

bool CInputManager::getButtonRepeat(const uint32_t p, const uint32_t button) const {
    const CPlayerInput* const input = getPlayerInput(p);
    return input != nullptr && input->getButtonRepeat(button);
}

bool CInputManager::getButtonOnAny(const uint32_t button) const {
    return getButtonOn(0, button) || getButtonOn(1, button);
}

bool CInputManager::getButtonRepeatAny(const uint32_t button) const {
    return getButtonRepeat(0, button) || getButtonRepeat(1, button);
}

bool isPlayerButtonOn(const uint32_t player, const uint32_t button) {
    return CInputManager::getInstance()->getButtonOn(player, button);
}

bool isAnyPlayerButtonOn(const uint32_t button) {
    return CInputManager::getInstance()->getButtonOnAny(button);
}

bool isPlayerButtonOff(const uint32_t player, const uint32_t button) {
    return CInputManager::getInstance()->getButtonOff(player, button);
}

bool isPlayerButtonRepeat(const uint32_t player, const uint32_t button) {
    return CInputManager::getInstance()->getButtonRepeat(player, button);
}

bool isAnyPlayerButtonRepeat(const uint32_t button) {
    return CInputManager::getInstance()->getButtonRepeatAny(button);
}
