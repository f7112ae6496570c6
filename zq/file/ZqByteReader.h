// Bounds-checked little-endian reading of stored formats held in memory. Every read names its
// offset (or uses the cursor) and fails instead of reading past the end; offsets and sizes are
// 64-bit so that "offset + count x size" checks cannot wrap. Plain code, header only: no
// platform calls, so the platform layer's own readers (DDS) use it too.
//
// Two styles share one object:
//  - absolute: `u32(at, out)` reads at a fixed offset and leaves the cursor alone;
//  - cursor:   `read(out)` reads at the cursor and advances it. A cursor read that fails sets
//              a sticky failure (`ok()` turns false) and every later cursor read fails too,
//              so a parser may read a whole record and test `ok()` once.
// Failed reads store 0 in their output.
#pragma once

#include "zq/file/ZqByteOrder.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

class ZqByteReader {
public:
    ZqByteReader(const void* const data, const uint64_t size)
        : m_data(static_cast<const uint8_t*>(data)), m_size(data != nullptr ? size : 0) {}

    uint64_t size() const { return m_size; }
    const uint8_t* data() const { return m_data; }

    // True when `count` elements of `elemSize` bytes starting at `at` lie inside the data.
    bool fits(const uint64_t at, const uint64_t count, const uint64_t elemSize = 1) const {
        if (at > m_size) {
            return false;
        }
        const uint64_t room = m_size - at;
        if (elemSize == 0 || count == 0) {
            return true;
        }
        return count <= room / elemSize;
    }

    // The `n` bytes at `at`, or null when they do not all lie inside the data.
    const uint8_t* bytes(const uint64_t at, const uint64_t n) const {
        return fits(at, n) ? m_data + at : nullptr;
    }

    // Absolute reads of one little-endian value.
    template <class T> bool get(const uint64_t at, T& out) const {
        static_assert(std::is_arithmetic_v<T>, "plain numbers only");
        if (!fits(at, sizeof(T))) {
            out = T{};
            return false;
        }
        out = load<T>(m_data + at);
        return true;
    }
    bool u8(const uint64_t at, uint8_t& out) const { return get(at, out); }
    bool u16(const uint64_t at, uint16_t& out) const { return get(at, out); }
    bool u32(const uint64_t at, uint32_t& out) const { return get(at, out); }
    bool u64(const uint64_t at, uint64_t& out) const { return get(at, out); }
    bool i16(const uint64_t at, int16_t& out) const { return get(at, out); }
    bool i32(const uint64_t at, int32_t& out) const { return get(at, out); }
    bool f32(const uint64_t at, float& out) const { return get(at, out); }
    bool f64(const uint64_t at, double& out) const { return get(at, out); }

    // Cursor reads.
    uint64_t tell() const { return m_pos; }
    uint64_t remaining() const { return m_pos <= m_size ? m_size - m_pos : 0; }
    bool ok() const { return m_ok; }
    bool seek(const uint64_t at) {
        if (!m_ok || at > m_size) {
            m_ok = false;
            return false;
        }
        m_pos = at;
        return true;
    }
    bool skip(const uint64_t n) { return m_ok && fits(m_pos, n) ? seek(m_pos + n) : fail(); }
    template <class T> bool read(T& out) {
        if (!m_ok || !get(m_pos, out)) {
            out = T{};
            return fail();
        }
        m_pos += sizeof(T);
        return true;
    }
    // Copies `n` bytes at the cursor into `out`.
    bool read(void* const out, const uint64_t n) {
        if (!m_ok || !fits(m_pos, n)) {
            return fail();
        }
        if (n != 0) {
            std::memcpy(out, m_data + m_pos, n);
        }
        m_pos += n;
        return true;
    }
    // The `n` bytes at the cursor in place, advancing past them; null on failure.
    const uint8_t* take(const uint64_t n) {
        const uint8_t* const p = m_ok ? bytes(m_pos, n) : nullptr;
        if (p == nullptr) {
            fail();
            return nullptr;
        }
        m_pos += n;
        return p;
    }

    // One little-endian value at p, unchecked: for data whose bounds are already known.
    template <class T> static T load(const uint8_t* const p) { return zq_bytes::loadLe<T>(p); }

private:
    bool fail() {
        m_ok = false;
        return false;
    }

    const uint8_t* m_data = nullptr;
    uint64_t m_size = 0;
    uint64_t m_pos = 0;
    bool m_ok = true;
};
