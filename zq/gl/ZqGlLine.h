// ZqGlLine: the line drawing of diagnostics (figures, bodies, the frame statistics graph):
// 2D lines in pixels with a width, a pattern and optional antialiasing, and 3D lines in world
// space through the default effect's "Diffuse" technique and the current camera, in one colour
// (m_color, 0xAARRGGBB). A 2D and a 3D pen remember where the last line ended, so lines can be
// drawn point after point; inside a begin/end pair the drawing switches between the 2D and 3D
// modes as needed. Settings go back to white, solid, width 1 at the start of every frame.
// Static members only. Depends on: the screen line drawer, ZqGlShader, ZqGlCamera, the device.
#pragma once

#include "zq/math/ZqVector2.h"
#include "zq/math/ZqVector3.h"

#include <cstdint>
#include <memory>

class ZqGlScreenLine;
class ZqVector4;
namespace zqp::gpu {
class VertexDeclaration;
}

class ZqGlLine {
public:
    // Drawing modes.
    static constexpr uint32_t DIM_NONE = 0;
    static constexpr uint32_t DIM_2D = 2;
    static constexpr uint32_t DIM_3D = 3;
    // Vertex format of the 3D lines: position and colour, 16 bytes.
    static constexpr uint32_t VERTEX_FORMAT_3D = 0x100001;
    // Points of one 3D strip draw.
    static constexpr uint32_t MAX_3D_VERTICES = 100;

    static void setColor(uint32_t argb);
    // Each channel 0..1 (clamped) to a byte, truncated.
    static void setColor(float r, float g, float b, float a);
    static void setColor(const ZqVector4& color);
    static void setWidth(float width);
    static void setPattern(uint32_t bits);
    static void setPatternScale(float scale);
    static void setAntialiasEnable(bool on);

    // begin sets the 3D vertex layout and the mode none; end ends the open 2D or 3D drawing.
    static void begin();
    static void end();
    // A line from a to b; the pen is left at b.
    static void draw(const ZqVector2& a, const ZqVector2& b);
    static void draw(const ZqVector3& a, const ZqVector3& b);
    // From the pen to p; the pen moves to p.
    static void draw(const ZqVector2& p);
    static void draw(const ZqVector3& p);
    // A strip through the points; the pen moves to the last one. No points: nothing at all.
    static void draw(const ZqVector2* points, uint32_t count);
    static void draw(const ZqVector3* points, uint32_t count);
    static void move(const ZqVector2& p);
    static void move(const ZqVector3& p);
    // begin, the matching draw, and the end of the mode it left.
    static void simpleDraw(const ZqVector2& a, const ZqVector2& b);
    static void simpleDraw(const ZqVector3& a, const ZqVector3& b);
    static void simpleDraw(const ZqVector2& p);
    static void simpleDraw(const ZqVector3& p);
    static void simpleDraw(const ZqVector2* points, uint32_t count);
    static void simpleDraw(const ZqVector3* points, uint32_t count);

    static uint32_t getDim() { return m_dim; }
    static const ZqVector2& getPos2() { return m_pos2[0]; }
    static const ZqVector3& getPos3() { return m_pos3; }

    // The line drawer and the 3D layout (failure throws 1344), then sysMain.
    static void sysInit();
    static void sysQuit();
    // The frame's reset: white, solid pattern, scale 1, width 1, no antialiasing, pens at the
    // origin.
    static void sysMain();
    static void onLostDevice() { sysQuit(); }
    static void onResetDevice() { sysInit(); }

    static uint32_t m_color;

private:
    static void begin2D();
    static void begin3D();
    static void drawStrip2D(const ZqVector2* points, uint32_t count);
    static void draw3D(uint32_t type, const ZqVector3* points, uint32_t count);
    static void endMode();

    static std::unique_ptr<ZqGlScreenLine> m_pLine;
    static std::shared_ptr<zqp::gpu::VertexDeclaration> m_pVtxDecl;
    static uint32_t m_dim;
    // The 2D pen and a scratch end point.
    static ZqVector2 m_pos2[2];
    static ZqVector3 m_pos3;
};
