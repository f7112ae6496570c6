// Loads and stores of 1-, 2-, 4- and 8-byte numbers in a fixed byte order at any address: the
// one place that knows the machine's byte order. The bounded reader and the writer of stored
// formats (ZqByteReader, ZqByteWriter) and the hash and cipher cores build on it; it checks
// no bounds itself. Plain code, header only, no dependencies: the platform layer may use it.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace zq_bytes {

// The unsigned word of T's size.
template <class T>
using Word =
    std::conditional_t<sizeof(T) == 1, uint8_t,
                       std::conditional_t<sizeof(T) == 2, uint16_t,
                                          std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>>>;

template <class W> inline W bswap(const W v) {
    static_assert(std::is_unsigned_v<W>, "unsigned words only");
    if constexpr (sizeof(W) == 1) {
        return v;
    } else if constexpr (sizeof(W) == 2) {
        return __builtin_bswap16(v);
    } else if constexpr (sizeof(W) == 4) {
        return __builtin_bswap32(v);
    } else {
        return __builtin_bswap64(v);
    }
}

template <class T, std::endian ORDER> inline T load(const uint8_t* const p) {
    static_assert(std::is_arithmetic_v<T> && sizeof(Word<T>) == sizeof(T), "1, 2, 4 or 8 bytes");
    Word<T> v = 0;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native != ORDER) {
        v = bswap(v);
    }
    return std::bit_cast<T>(v);
}

template <class T, std::endian ORDER> inline void store(uint8_t* const p, const T value) {
    static_assert(std::is_arithmetic_v<T> && sizeof(Word<T>) == sizeof(T), "1, 2, 4 or 8 bytes");
    Word<T> v = std::bit_cast<Word<T>>(value);
    if constexpr (std::endian::native != ORDER) {
        v = bswap(v);
    }
    std::memcpy(p, &v, sizeof v);
}

template <class T> inline T loadLe(const uint8_t* const p) {
    return load<T, std::endian::little>(p);
}
template <class T> inline T loadBe(const uint8_t* const p) {
    return load<T, std::endian::big>(p);
}
template <class T> inline void storeLe(uint8_t* const p, const T v) {
    store<T, std::endian::little>(p, v);
}
template <class T> inline void storeBe(uint8_t* const p, const T v) {
    store<T, std::endian::big>(p, v);
}

} // namespace zq_bytes
