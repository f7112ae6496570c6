// Internal helpers shared by the figures' sources: bitwise float equality for the equals
// members, the per-coordinate tolerance of the epsilonEquals members, the temporary point at a
// centre that figures build to reuse the point tests, the refined inverse-square-root estimate
// behind zqFastSqrt (the figures take surface directions from it), and the line pairs of the ring
// drawings. Not part of the public headers.
#pragma once

#include "zq/dg/ZqDgPoint.h"
#include "zq/math/ZqVector3.h"

#include <array>
#include <bit>
#include <cstdint>

namespace zqdg {

inline bool sameBits(const float a, const float b) {
    return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b);
}

inline bool sameBits(const ZqVector3& a, const ZqVector3& b) {
    return sameBits(a.x, b.x) && sameBits(a.y, b.y) && sameBits(a.z, b.z);
}

// Every coordinate of a within eps of b's.
inline bool within(const ZqVector3& a, const ZqVector3& b, const float eps) {
    return zqFabs(a.x - b.x) <= eps && zqFabs(a.y - b.y) <= eps && zqFabs(a.z - b.z) <= eps;
}

inline ZqDgPoint pointAt(const ZqVector3& p) {
    return ZqDgPoint(p.x, p.y, p.z);
}

// 1 / sqrt(s) from the bit estimate (magic 0x5F3759DF) and one Newton step.
inline float fastInverseSqrt(const float s) {
    const int32_t bits = std::bit_cast<int32_t>(s);
    const float y = std::bit_cast<float>(static_cast<int32_t>(0x5F3759DF - (bits >> 1)));
    return y * (1.5f - 0.5f * s * y * y);
}

// The lines of a drawing made of RINGS rings of PER_RING points (point k of ring i at index
// i * PER_RING + k): first the meridians from every point to the same point of the next ring,
// then the circles of the rings between the first and the last (the poles).
template <int RINGS, int PER_RING> constexpr auto ringPairs() {
    constexpr int LINES = (RINGS - 1) * PER_RING + (RINGS - 2) * PER_RING;
    std::array<uint8_t, 2 * LINES> p{};
    int n = 0;
    for (int k = 0; k < (RINGS - 1) * PER_RING; ++k) {
        p[n++] = static_cast<uint8_t>(k);
        p[n++] = static_cast<uint8_t>(k + PER_RING);
    }
    for (int i = 1; i < RINGS - 1; ++i) {
        for (int j = 0; j < PER_RING; ++j) {
            p[n++] = static_cast<uint8_t>(i * PER_RING + j);
            p[n++] = static_cast<uint8_t>(i * PER_RING + (j + 1) % PER_RING);
        }
    }
    return p;
}

} // namespace zqdg
