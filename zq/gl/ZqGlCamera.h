// ZqGlCamera: stand-in until its graphics class is built: the start-up, per-frame and
// device-reset hooks that the graphics device calls, doing nothing yet.
#pragma once

#include "zq/math/ZqMatrix.h"

#include <cstdint>

class ZqGlCamera {
public:
    static constexpr uint32_t POOL_SIZE = 64;

    static void sysInit() {}
    static void sysQuit() {}
    static void sysMain() {}

    // The current camera; none until cameras are built.
    static ZqGlCamera* getCurrent() { return nullptr; }
    // World to view space.
    const ZqMatrix& getWorldViewMatrix() const { return ZqMatrix::UNIT; }

    // Off-centre orthographic projection (left, right, bottom, top, near, far).
    void setOrthoOffCenter(float, float, float, float, float, float) {}
};
