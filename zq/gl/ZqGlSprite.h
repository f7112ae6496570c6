// ZqGlSprite: stand-in until its graphics class is built: the start-up, per-frame and
// device-reset hooks that the graphics device calls, doing nothing yet.
#pragma once

#include "zq/gl/ZqGlCamera.h"

#include <cstdint>

class ZqGlSprite {
public:
    static constexpr uint32_t POOL_SIZE = 1024;

    static void sysInit() {}
    static void sysQuit() {}
    static void onResetDevice() {}

    // The camera of sprite batches; the frame points it at the screen.
    static inline ZqGlCamera* m_pCamera = nullptr;
};
