#include "zq/gl/ZqGlSpriteQuad.h"

namespace zq_sprite {

namespace {

void setTexels(const float texWidth, const float texHeight, const uint16_t u, const uint16_t v,
               const uint16_t w, const uint16_t h, Quad& out) {
    const float uL = u / texWidth;
    const float uR = (u + w) / texWidth;
    const float vT = v / texHeight;
    const float vB = (v + h) / texHeight;
    out[0].u = uL, out[0].v = vT;
    out[1].u = uL, out[1].v = vB;
    out[2].u = uR, out[2].v = vT;
    out[3].u = uR, out[3].v = vB;
}

// Pixel (x, y) from the top-left corner to clip space, with the half-pixel shift that puts
// texel centres on pixel centres.
float clipX(const Target& t, const float x) {
    return (x - 0.5f - t.halfWidth) * t.halfWidthReciprocal;
}
float clipY(const Target& t, const float y) {
    return (t.halfHeight - y + 0.5f) * t.halfHeightReciprocal;
}

} // namespace

void spriteQuad(const float texWidth, const float texHeight, const uint16_t x, const uint16_t y,
                const uint16_t w, const uint16_t h, Quad& out) {
    const float left = -0.5f;
    const float top = -0.5f;
    const float right = w - 0.5f;
    const float bottom = h - 0.5f;
    out[0] = {left, top, 0.0f, 0.0f, 0.0f};
    out[1] = {left, bottom, 0.0f, 0.0f, 0.0f};
    out[2] = {right, top, 0.0f, 0.0f, 0.0f};
    out[3] = {right, bottom, 0.0f, 0.0f, 0.0f};
    setTexels(texWidth, texHeight, x, y, w, h, out);
}

void screenQuad(const Target& target, const float texWidth, const float texHeight, const float x,
                const float y, const float z, const float sw, const float sh, const uint16_t u,
                const uint16_t v, const uint16_t w, const uint16_t h, Quad& out) {
    const float left = clipX(target, x);
    const float right = left + sw * target.halfWidthReciprocal;
    const float top = clipY(target, y);
    const float bottom = top - sh * target.halfHeightReciprocal;
    out[0] = {left, top, z, 0.0f, 0.0f};
    out[1] = {left, bottom, z, 0.0f, 0.0f};
    out[2] = {right, top, z, 0.0f, 0.0f};
    out[3] = {right, bottom, z, 0.0f, 0.0f};
    setTexels(texWidth, texHeight, u, v, w, h, out);
}

bool screenQuadTurned(const Target& target, const float texWidth, const float texHeight,
                      const float x, const float y, const float z, const float sw, const float sh,
                      const float px, const float py, const float s, const float c,
                      const uint16_t u, const uint16_t v, const uint16_t w, const uint16_t h,
                      Quad& out) {
    if (w == 0 || h == 0) {
        return false;
    }
    const float kx = sw / w;
    const float ky = sh / h;
    const float xs[2] = {-px * kx, (w - px) * kx};
    const float ys[2] = {-py * ky, (h - py) * ky};
    // Top-left, bottom-left, top-right, bottom-right.
    const int corner[4][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};
    for (int i = 0; i < 4; ++i) {
        const float cx = xs[corner[i][0]];
        const float cy = ys[corner[i][1]];
        out[i] = {clipX(target, cx * c - cy * s + x), clipY(target, cy * c + cx * s + y), z, 0.0f,
                  0.0f};
    }
    setTexels(texWidth, texHeight, u, v, w, h, out);
    return true;
}

} // namespace zq_sprite
