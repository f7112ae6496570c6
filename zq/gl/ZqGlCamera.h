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
    static void setCurrent(ZqGlCamera*) {}
    // One camera object stands for every camera made, and is never current.
    static ZqGlCamera* create() {
        static ZqGlCamera standIn;
        return &standIn;
    }
    unsigned int release() { return 0; }
    // Right-handed perspective of a view w x h at the near plane; viewport in pixels.
    void setPerspective(float, float, float, float) {}
    void setViewport(float, float, float, float) {}
    // World to view space.
    const ZqMatrix& getWorldViewMatrix() const { return ZqMatrix::UNIT; }

    // Off-centre orthographic projection (left, right, bottom, top, near, far).
    void setOrthoOffCenter(float, float, float, float, float, float) {}
};
