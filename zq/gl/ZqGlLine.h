// ZqGlLine: the line drawing that diagnostics use (figures, bodies, the frame statistics
// graph): 3D lines through the current camera and 2D strips in screen pixels, in one colour
// (m_color, 0xAARRGGBB) and width, between begin and end. For now it draws nothing; the
// calls and the colour member keep their meaning for the device that will draw them.
#pragma once

#include <cstdint>

class ZqVector2;
class ZqVector3;

class ZqGlLine {
public:
    // Colour of the lines drawn next, alpha, red, green, blue.
    static uint32_t m_color;

    static void setColor(uint32_t color);
    static void setWidth(float width);
    // Makes line drawing current (drawing mode: none); end closes the open 2D or 3D pass.
    static void begin();
    static void end();
    // One 3D line in world space; b becomes the current line position.
    static void draw(const ZqVector3& a, const ZqVector3& b);
    // An open 3D strip through the points in order (2 points: one line).
    static void draw(const ZqVector3* points, uint32_t count);
    // An open 2D strip through screen points; the last one becomes the current position.
    static void draw(const ZqVector2* points, uint32_t count);

    // Start-up, per-frame and device-reset hooks of the graphics device; nothing to do yet.
    static void sysInit() {}
    static void sysQuit() {}
    static void sysMain() {}
    static void onLostDevice() {}
    static void onResetDevice() {}
};
