// Little-endian writing of stored formats into a growing buffer: the writers in tools/, the
// test fixtures and the game's own saved files use it, and the readers use ZqByteReader on the
// same layouts. Plain code: no platform calls.
#pragma once

#include "zq/file/ZqByteOrder.h"

#include <cstdint>
#include <type_traits>
#include <vector>

class ZqByteWriter {
public:
    // Starts with room for a small header (g++ 12 also warns wrongly of an overflow when the
    // first bytes go into a buffer that has none).
    ZqByteWriter() { m_buf.reserve(64); }
    uint64_t tell() const { return m_buf.size(); }
    const std::vector<uint8_t>& data() const { return m_buf; }
    std::vector<uint8_t> take() { return std::move(m_buf); }
    // Room for n bytes in all, so that a writer that knows its size grows the buffer once.
    void reserve(const uint64_t n) { m_buf.reserve(n); }

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
    // Pads with zeros up to a multiple of `n`; 0 and 1 pad nothing.
    void align(const uint64_t n) {
        if (n > 1) {
            zeros((n - m_buf.size() % n) % n);
        }
    }

    // Overwrites a value already written at `at` (offsets and counts known only later); false,
    // changing nothing, when it would reach past what is written.
    template <class T> bool patch(const uint64_t at, const T v) {
        if (at > m_buf.size() || m_buf.size() - at < sizeof(T)) {
            return false;
        }
        store(m_buf.data() + at, v);
        return true;
    }
    bool patchU32(const uint64_t at, const uint32_t v) { return patch(at, v); }
    template <class T> static void store(uint8_t* const p, const T v) { zq_bytes::storeLe(p, v); }

private:
    std::vector<uint8_t> m_buf;
};
