// Little-endian writing of stored formats into a growing buffer: the writers in tools/, the
// test fixtures and the game's own saved files use it, and the readers use ZqByteReader on the
// same layouts. Plain code: no platform calls.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

class ZqByteWriter {
public:
    uint64_t tell() const { return m_buf.size(); }
    const std::vector<uint8_t>& data() const { return m_buf; }
    std::vector<uint8_t> take() { return std::move(m_buf); }

    template <class T> void put(const T v) {
        static_assert(std::is_arithmetic_v<T>, "plain numbers only");
        uint8_t raw[sizeof(T)] = {};
        store(raw, v);
        m_buf.insert(m_buf.end(), raw, raw + sizeof(T));
    }
    void u8(const uint8_t v) { put(v); }
    void u16(const uint16_t v) { put(v); }
    void u32(const uint32_t v) { put(v); }
    void u64(const uint64_t v) { put(v); }
    void i16(const int16_t v) { put(v); }
    void i32(const int32_t v) { put(v); }
    void f32(const float v) { put(v); }
    void f64(const double v) { put(v); }

    void bytes(const void* const p, const uint64_t n) {
        const uint8_t* const b = static_cast<const uint8_t*>(p);
        m_buf.insert(m_buf.end(), b, b + n);
    }
    void zeros(const uint64_t n) { m_buf.insert(m_buf.end(), n, 0); }
    // Pads with zeros up to a multiple of `n` (n > 0).
    void align(const uint64_t n) { zeros((n - m_buf.size() % n) % n); }

    // Overwrites a value already written at `at` (offsets and counts known only later).
    template <class T> void patch(const uint64_t at, const T v) {
        if (at + sizeof(T) <= m_buf.size()) {
            store(m_buf.data() + at, v);
        }
    }
    void patchU32(const uint64_t at, const uint32_t v) { patch(at, v); }

    template <class T> static void store(uint8_t* const p, const T v) {
        using U = std::conditional_t<sizeof(T) == 1, uint8_t,
                  std::conditional_t<sizeof(T) == 2, uint16_t,
                  std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>>>;
        U u = std::bit_cast<U>(v);
        if constexpr (std::endian::native == std::endian::big && sizeof(U) > 1) {
            u = sizeof(U) == 2 ? __builtin_bswap16(u)
                : sizeof(U) == 4 ? __builtin_bswap32(u) : __builtin_bswap64(u);
        }
        std::memcpy(p, &u, sizeof u);
    }

private:
    std::vector<uint8_t> m_buf;
};
