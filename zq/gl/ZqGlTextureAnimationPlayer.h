// ZqGlTextureAnimationPlayer: stand-in until its graphics class is built: the start-up, per-frame
// and device-reset hooks that the graphics device calls, doing nothing yet.
#pragma once

#include <cstdint>

class ZqGlTextureAnimationPlayer {
public:
    static constexpr uint32_t POOL_SIZE = 32;

    static void sysInit() {}
    static void sysQuit() {}
};
