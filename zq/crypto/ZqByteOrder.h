// Loads and stores of 32- and 64-bit words in a fixed byte order at any address, for the hash
// and cipher cores. Internal to zq/crypto; not a public header. Depends on nothing.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace zq_bytes {

inline uint32_t bswap(const uint32_t v) {
    return __builtin_bswap32(v);
}
inline uint64_t bswap(const uint64_t v) {
    return __builtin_bswap64(v);
}

template <class W> inline W loadLe(const uint8_t* const p) {
    W v = 0;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) {
        v = bswap(v);
    }
    return v;
}

template <class W> inline W loadBe(const uint8_t* const p) {
    W v = 0;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::little) {
        v = bswap(v);
    }
    return v;
}

template <class W> inline void storeLe(uint8_t* const p, W v) {
    if constexpr (std::endian::native == std::endian::big) {
        v = bswap(v);
    }
    std::memcpy(p, &v, sizeof v);
}

template <class W> inline void storeBe(uint8_t* const p, W v) {
    if constexpr (std::endian::native == std::endian::little) {
        v = bswap(v);
    }
    std::memcpy(p, &v, sizeof v);
}

} // namespace zq_bytes
