// ZqInput: the input devices and their polling thread. So far only what the system and the
// window procedure call exist.
#pragma once

#include "zq/platform/window/window.h"

#include <cstdint>

class ZqInput {
public:
    static void sysInit();
    static void sysMain();
    static void sysQuit();
    // Device arrival or removal; false denies the query.
    static bool winProcDeviceChange(zqp::WParam wParam, zqp::LParam lParam);
    static void winProcMove(zqp::WParam wParam, zqp::LParam lParam);
    static void winProcMoving(zqp::WParam wParam, zqp::LParam lParam);

    // Frames left during which a moving window's input is ignored.
    static uint8_t m_windowMovingCt;
};
