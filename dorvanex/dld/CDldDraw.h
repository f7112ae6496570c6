// Drawing of layout rectangles: a rectangle through a matrix becomes a quad of pre-transformed
// vertices (colour from the render info, texture coordinates clamped to 1.0, clipped against
// the clip stack's edges) that goes into one of 64 priority queues of 200 slots, or is drawn
// at once when the render info asks for it. CDldTask flushes the queues each frame.
// Plain code except the immediate path, which draws through CDldTask's device code.
#pragma once

#include "dorvanex/core/render/GameRender.h"
#include "dorvanex/dld/CDldTypes.h"

#include <cstdint>

class CDldFile;
class ZqGlTexture;
struct CDldCell;

// The game's 28-byte pre-transformed vertex: x, y, z, rhw (in w), ARGB colour, u, v.
using CDldVertex = GameVertex;

struct CDldRect {
    uint16_t x = 0, y = 0, width = 0, height = 0;
};

// One queued draw: up to five triangles of one texture, blend mode and filter.
struct CDldQuadSlot {
    static constexpr uint32_t MAX_VERTICES = 15;
    const ZqGlTexture* texture = nullptr;
    uint32_t blend = 0;
    uint32_t filter = 0;
    uint32_t count = 0;
    CDldVertex vertices[MAX_VERTICES];
};

namespace CDldQueues {
constexpr uint32_t NR_QUEUES = 64;
constexpr uint32_t NR_SLOTS = 200;
// Priority new quads go to while no element draws.
constexpr uint32_t IDLE_PRIORITY = 11;
// Points a clipped quad can have: four plus one per edge.
constexpr uint32_t MAX_POINTS = 4 + CDldClipStack::MAX_EDGES;

uint32_t getCount(uint32_t priority);
const CDldQuadSlot& getSlot(uint32_t priority, uint32_t slot);
void clearAll();
// Queues a convex polygon as triangles (a fan) at the current priority; what does not fit
// into the queue is dropped. False when nothing was queued.
bool queuePolygon(const ZqGlTexture* texture, uint32_t blend, uint32_t filter,
                  const CDldVertex* points, uint32_t count);
} // namespace CDldQueues

void dldSetCurrentPriority(uint32_t priority);
uint32_t dldGetCurrentPriority();

// The polygon of four corners (screen positions) with texture coordinates from the rectangle
// offsets: colour from the info, the -0.5 pixel shift, coordinates over the texture size
// clamped to 1.0, clipped by the stack (null or empty: none). The number of points (0 when
// fewer than three are left).
uint32_t dldMakePolygon(float texWidth, float texHeight, const float (&texel)[4][2],
                        const float (&corner)[4][2], const CDldRenderInfo& info,
                        const CDldClipStack* clip, CDldVertex (&out)[CDldQueues::MAX_POINTS]);

void dldDrawTexture(const ZqGlTexture* texture, const CDldRect& rect, const CDldRenderInfo& info,
                    const ZqMatrix& matrix, const CDldClipStack* clip);
// Four points (x, y) given as offsets inside the rectangle.
void dldDrawTextureQuad(const ZqGlTexture* texture, const CDldRect& rect, const float (&p)[4][2],
                        const CDldRenderInfo& info, const ZqMatrix& matrix,
                        const CDldClipStack* clip);
void dldDrawCell(const CDldFile& file, const CDldCell& cell, const CDldRenderInfo& info,
                 const ZqMatrix& matrix, const CDldClipStack* clip);
void dldDrawCellById(const CDldFile& file, uint32_t cell, const CDldRenderInfo& info,
                     const ZqMatrix& matrix, const CDldClipStack* clip);
// The default cell callback: draws the cell; user is the CDldFile.
void dldDefaultCellCallback(const CDldCellInfo& info, void* user);

// Draws triangles at once with the layout states (CDldTask.cpp).
void dldDrawImmediate(const ZqGlTexture* texture, uint32_t blend, uint32_t filter,
                      const CDldVertex* vertices, uint32_t count);
