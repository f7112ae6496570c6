// Render services the chapters share: the two 1024 x 768 off-screen targets the frame is
// drawn into (one current, chosen by a selector byte) and their presentation on the back
// buffer, the remembered render target, the two vertex declarations of 28-byte sprite
// vertices, and the render states and draw call of 2D sprites and billboards.
// Made and released by the root task; main thread, inside a frame's drawing.
#pragma once

#include <cstdint>

class ZqGlTexture;

// A sprite vertex: position (pre-transformed x, y, z, rhw for kind 0; x, y, z, unused w for
// kind 1), packed ARGB colour at byte 16, texture coordinate at byte 20.
struct GameVertex {
    float x, y, z, w;
    uint32_t color;
    float u, v;
};
static_assert(sizeof(GameVertex) == 28);

enum VERTEX_KIND : uint32_t { VERTEX_KIND_SCREEN = 0, VERTEX_KIND_WORLD = 1 };

constexpr uint32_t OFFSCREEN_WIDTH = 1024;
constexpr uint32_t OFFSCREEN_HEIGHT = 768;

// Made by the root's init and released by its quit.
bool createOffscreenTargets();
void releaseOffscreenTargets();
bool createGameVertexDeclarations();
void releaseGameVertexDeclarations();

// Selector byte: the second target is current while it is non-zero.
void setOffscreenTargetSelector(uint8_t selector);
uint8_t getOffscreenTargetSelector();
ZqGlTexture* getCurrentOffscreenTarget();

// Remembers the target and sets it (null: the back buffer).
void setRenderTarget(ZqGlTexture* target);
ZqGlTexture* getRenderTarget();
// Sets the current off-screen target and clears it to opaque black, depth 1, stencil 0.
void clearRenderTarget();
// Sets the back buffer, clears it, and draws the current off-screen target over it texel for
// texel as a full-screen quad.
void presentRenderTarget();

// States of 2D sprites (kind 0) and billboards (kind 1): blend 0 alpha, 1 additive; depth
// writes by depthWrite; the texture (or none) as effect texture 0.
void setSpriteRenderState(uint32_t kind, uint32_t blend, bool depthWrite,
                          const ZqGlTexture* texture);
// Draws four vertices as a two-triangle strip with the current sprite states.
void drawSpriteQuad(const GameVertex* vertices);
