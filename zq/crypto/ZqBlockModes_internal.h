// ECB and CBC loops over a cipher's single-unit primitives, shared by the three ciphers so that
// each core is inlined into its loops. Internal to zq/crypto. Depends on nothing.
#pragma once

#include <cstdint>
#include <cstring>

namespace zq_modes {

constexpr uint32_t UNIT = 16;

inline void xorUnit(uint8_t* const dst, const uint8_t* const a, const uint8_t* const b) {
    uint64_t x[2];
    uint64_t y[2];
    std::memcpy(x, a, UNIT);
    std::memcpy(y, b, UNIT);
    x[0] ^= y[0];
    x[1] ^= y[1];
    std::memcpy(dst, x, UNIT);
}

// f(in, out) processes one unit; in and out may be the same memory.
template <class F> void ecb(const void* const src, void* const dst, const uint32_t n, F&& f) {
    const auto* s = static_cast<const uint8_t*>(src);
    auto* d = static_cast<uint8_t*>(dst);
    for (uint32_t i = 0; i < n; ++i, s += UNIT, d += UNIT) {
        f(s, d);
    }
}

template <class F>
void encodeCbc(const void* const src, const void* const chain, void* const dst, const uint32_t n,
               F&& f) {
    const auto* s = static_cast<const uint8_t*>(src);
    const auto* c = static_cast<const uint8_t*>(chain);
    auto* d = static_cast<uint8_t*>(dst);
    uint8_t t[UNIT];
    for (uint32_t i = 0; i < n; ++i, s += UNIT, c += UNIT, d += UNIT) {
        xorUnit(t, s, c);
        f(t, d);
    }
}

template <class F>
void decodeCbc(const void* const chain, const void* const src, void* const dst, const uint32_t n,
               F&& f) {
    const auto* s = static_cast<const uint8_t*>(src);
    const auto* c = static_cast<const uint8_t*>(chain);
    auto* d = static_cast<uint8_t*>(dst);
    uint8_t t[UNIT];
    for (uint32_t i = 0; i < n; ++i, s += UNIT, c += UNIT, d += UNIT) {
        f(s, t);
        xorUnit(d, t, c);
    }
}

} // namespace zq_modes
