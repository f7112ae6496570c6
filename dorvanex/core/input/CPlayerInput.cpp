#include "dorvanex/core/input/CPlayerInput.h"

#include "dorvanex/core/input/CInputRecorder.h"
#include "zq/u/vinput/ZquVirtualInput.h"

// Rows 13 to 15 name keyboard object 0, which no key reports.
const CPlayerInput::Assignment CPlayerInput::LAYOUT[2][NR_ASSIGNMENTS] = {
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
     {0, 28, 1},
     {0, 0, 0},
     {0, 0, 0},
     {0, 0, 0}},
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
     {0, 156, 1},
     {0, 0, 0},
     {0, 0, 0},
     {0, 0, 0}},
};

CPlayerInput::CPlayerInput(const uint32_t column) {
    m_pInput = ZquVirtualInput::create(NR_ASSIGNMENTS, NR_BUTTONS, 0, 0);
    if (m_pInput != nullptr && column < 2) {
        for (const Assignment& a : LAYOUT[column]) {
            m_pInput->assignButtonByDeviceNr(a.device, a.object, a.button);
        }
    }
    m_pRecorder = std::make_unique<CInputRecorder>(m_pInput);
}

CPlayerInput::~CPlayerInput() {
    m_pRecorder.reset();
    if (m_pInput != nullptr) {
        m_pInput->release();
        m_pInput = nullptr;
    }
}

bool CPlayerInput::getButton(const uint32_t button) const {
    if (m_live == 0) {
        return m_pRecorder->getButton(button);
    }
    return m_pInput != nullptr && m_pInput->getButton(button) != 0;
}

bool CPlayerInput::getButtonOn(const uint32_t button) const {
    if (m_live == 0) {
        return m_pRecorder->getButtonOn(button);
    }
    return getLiveButtonOn(button);
}

bool CPlayerInput::getButtonOff(const uint32_t button) const {
    if (m_live == 0) {
        return m_pRecorder->getButtonOff(button);
    }
    return m_pInput != nullptr && m_pInput->getButtonOff(button) != 0;
}

bool CPlayerInput::getButtonRepeat(const uint32_t button) const {
    if (m_live == 0) {
        return m_pRecorder->getButtonRepeat(button);
    }
    return m_pInput != nullptr && m_pInput->getButtonRepeat(button) != 0;
}

bool CPlayerInput::getLiveButtonOn(const uint32_t button) const {
    return m_pInput != nullptr && m_pInput->getButtonOn(button) != 0;
}

uint32_t CPlayerInput::loadRecording(const char16_t* const fileName) {
    return m_pRecorder->loadRecording(fileName);
}

void CPlayerInput::startReplay(const bool prepare) {
    m_live = 0;
    if (prepare) {
        m_pRecorder->prepareReplay();
    } else {
        m_pRecorder->startReplay();
    }
}

void CPlayerInput::stopReplay() {
    m_live = 1;
    m_pRecorder->stopReplay();
}

void CPlayerInput::update(const float dt) {
    m_pRecorder->update(dt);
}
