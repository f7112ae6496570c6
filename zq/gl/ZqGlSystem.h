// ZqGlSystem: the graphics device and its frame. So far the frame only runs the task draw
// lists; the device comes with the graphics layer.
#pragma once

#include "zq/platform/window/window.h"

class ZqGlSystem {
public:
    // Starts the device for a client size; failures are thrown as unsigned codes.
    static void sysInit(float width, float height, bool fullScreen);
    static void sysQuit();
    // Renders one frame: the draw tasks registered for it, in priority order.
    static void render();
    static void winProcDisplayChange(zqp::WParam wParam, zqp::LParam lParam);

    // While set, the window may not be moved.
    static bool m_bFullScreen;
};
