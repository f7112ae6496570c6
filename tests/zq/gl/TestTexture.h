// A 2 x 2 texture for drawing tests: red, green (top row), blue, white (bottom row).
#pragma once

#include "zq/gl/ZqGlTexture.h"

#include <cstdint>

namespace zqtest {

inline ZqGlTexture* makeFourTexelTexture() {
    ZqGlTexture* const t = ZqGlTexture::createDynamic(2, 2);
    unsigned int pitch = 0;
    void* bits = nullptr;
    if (t == nullptr || !t->lock(&pitch, &bits)) {
        return t;
    }
    const uint32_t texels[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
    for (int row = 0; row < 2; ++row) {
        auto* const line = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(bits) + row * pitch);
        line[0] = texels[2 * row];
        line[1] = texels[2 * row + 1];
    }
    t->unlock();
    return t;
}

} // namespace zqtest
