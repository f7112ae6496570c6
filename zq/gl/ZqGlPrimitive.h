// ZqGlPrimitive: stand-in until its graphics class is built: the start-up, per-frame and
// device-reset hooks that the graphics device calls, doing nothing yet.
#pragma once

#include <cstdint>

class ZqGlPrimitive {
public:
    static constexpr uint32_t POOL_SIZE = 4096;

    static void sysInit() {}
    static void sysQuit() {}
    static void onResetDevice() {}

    class VertexDeclaration {
    public:
        // The format mask of the declaration the device was given last.
        static inline uint32_t m_currentVertexFormatMask = 0;
    };
};
