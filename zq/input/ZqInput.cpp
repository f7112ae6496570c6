#include "zq/input/ZqInput.h"

uint8_t ZqInput::m_windowMovingCt = 0;

void ZqInput::sysInit() { m_windowMovingCt = 0; }

void ZqInput::sysMain() {
    if (m_windowMovingCt > 0) {
        --m_windowMovingCt;
    }
}

void ZqInput::sysQuit() {}

bool ZqInput::winProcDeviceChange(zqp::WParam, zqp::LParam) { return true; }

void ZqInput::winProcMove(zqp::WParam, zqp::LParam) { m_windowMovingCt = 3; }

void ZqInput::winProcMoving(zqp::WParam, zqp::LParam) { m_windowMovingCt = 3; }
