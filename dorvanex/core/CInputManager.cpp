#include "dorvanex/core/CInputManager.h"

#include "zq/u/vinput/ZquVirtualInput.h"

std::unique_ptr<CInputManager> CInputManager::m_pInstance;

namespace {

struct Row {
    uint32_t device;
    uint32_t object;
    uint32_t button;
};
constexpr uint32_t NR_ROWS = 13;
// Per player: the cabinet's switches on the first game controller (device 2), then the
// keyboard (device 0, key codes).
constexpr Row LAYOUT[CInputManager::NR_PLAYERS][NR_ROWS] = {
    {{2, 5, 2},
     {2, 6, 1},
     {2, 7, 0},
     {2, 20, 3},
     {2, 21, 4},
     {0, 44, 2},
     {0, 45, 1},
     {0, 46, 0},
     {0, 20, 3},
     {0, 31, 4},
     {0, 200, 2},
     {0, 208, 0},
     {0, 28, 1}},
    {{2, 15, 2},
     {2, 16, 1},
     {2, 17, 0},
     {2, 20, 3},
     {2, 21, 4},
     {0, 79, 2},
     {0, 80, 1},
     {0, 81, 0},
     {0, 20, 3},
     {0, 31, 4},
     {0, 203, 2},
     {0, 205, 0},
     {0, 156, 1}},
};
constexpr uint32_t NR_ASSIGNMENTS = 16;

} // namespace

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
        ZquVirtualInput* const input = ZquVirtualInput::create(NR_ASSIGNMENTS, NR_BUTTONS, 0, 0);
        if (input == nullptr) {
            continue;
        }
        for (const Row& row : LAYOUT[p]) {
            input->assignButtonByDeviceNr(row.device, row.object, row.button);
        }
        m_pPlayers[p] = input;
    }
}

CInputManager::~CInputManager() {
    for (ZquVirtualInput*& input : m_pPlayers) {
        if (input != nullptr) {
            input->release();
            input = nullptr;
        }
    }
}

void CInputManager::update(float) {}

const ZquVirtualInput* CInputManager::player(const uint32_t p, const uint32_t button) const {
    return p < NR_PLAYERS && button < NR_BUTTONS ? m_pPlayers[p] : nullptr;
}

bool CInputManager::getButton(const uint32_t p, const uint32_t button) const {
    const ZquVirtualInput* const input = player(p, button);
    return input != nullptr && input->getButton(button) != 0;
}

bool CInputManager::getButtonOn(const uint32_t p, const uint32_t button) const {
    const ZquVirtualInput* const input = player(p, button);
    return input != nullptr && input->getButtonOn(button) != 0;
}

bool CInputManager::getButtonOff(const uint32_t p, const uint32_t button) const {
    const ZquVirtualInput* const input = player(p, button);
    return input != nullptr && input->getButtonOff(button) != 0;
}

bool CInputManager::getButtonRepeat(const uint32_t p, const uint32_t button) const {
    const ZquVirtualInput* const input = player(p, button);
    return input != nullptr && input->getButtonRepeat(button) != 0;
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
