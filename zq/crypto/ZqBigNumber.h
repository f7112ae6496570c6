// ZqBigNumber<N>: an unsigned big number of N 32-bit words, most significant word first (word
// 0 holds the highest 32 bits, word N-1 the lowest). A plain value: copying copies the words.
// Depends on nothing.
#pragma once

#include <cstdint>

template <uint32_t N> struct ZqBigNumber {
    static constexpr uint32_t NR_WORDS = N;

    uint32_t m_digits[N] = {};

    uint32_t& operator[](const uint32_t i) { return m_digits[i]; }
    const uint32_t& operator[](const uint32_t i) const { return m_digits[i]; }
    uint32_t* data() { return m_digits; }
    const uint32_t* data() const { return m_digits; }
};
