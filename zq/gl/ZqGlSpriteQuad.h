// The four vertices of ZqGlSprite's quads, without the device: a sprite's texel rectangle in
// texels, and the immediate screen rectangles of simpleDraw in clip space (plain, scaled and
// turned about a pivot). Vertex order as a triangle strip: top-left, bottom-left, top-right,
// bottom-right; the layout is position (3 floats) and one 2D texture coordinate, the vertex
// format 0x201. Internal to ZqGlSprite.
#pragma once

#include <cstdint>

namespace zq_sprite {

struct QuadVertex {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float u = 0.0f;
    float v = 0.0f;
};
using Quad = QuadVertex[4];

// The render target's half sizes and their reciprocals.
struct Target {
    float halfWidth = 1.0f;
    float halfHeight = 1.0f;
    float halfWidthReciprocal = 1.0f;
    float halfHeightReciprocal = 1.0f;
};

// A sprite's quad: the rectangle (x, y, w, h) of a texW x texH texture, in texels with the
// half-texel shift, at z 0.
void spriteQuad(float texWidth, float texHeight, uint16_t x, uint16_t y, uint16_t w, uint16_t h,
                Quad& out);

// The texel rectangle (u, v, w, h) drawn sw x sh pixels large with its top-left corner at
// pixel (x, y) of the target, in clip space.
void screenQuad(const Target& target, float texWidth, float texHeight, float x, float y, float z,
                float sw, float sh, uint16_t u, uint16_t v, uint16_t w, uint16_t h, Quad& out);

// The same rectangle scaled to sw x sh about the pivot (px, py) in texels of the rectangle,
// turned by the sine s and cosine c, and put with its pivot at pixel (x, y). False (nothing
// to draw) for a rectangle of no width or height, whose scale is undefined.
bool screenQuadTurned(const Target& target, float texWidth, float texHeight, float x, float y,
                      float z, float sw, float sh, float px, float py, float s, float c, uint16_t u,
                      uint16_t v, uint16_t w, uint16_t h, Quad& out);

} // namespace zq_sprite
