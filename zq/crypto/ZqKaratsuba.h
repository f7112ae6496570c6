// ZqKaratsuba: products of two big numbers of n 32-bit words (most significant word first) by
// Karatsuba's method down to schoolbook products of at most 32 words: the full 2n-word product
// (mul2) or its low n words (mul). n must be 8 times a power of two (8, 16, 32, 64, 128 ...); the
// result must not overlap the operands or the work area. Plain code, no state. Depends on nothing.
#pragma once

#include <cstdint>

class ZqKaratsuba {
public:
    // Words of work area that mul and mul2 need for n-word operands: 4n - 32.
    static uint32_t getWorkSize(uint32_t n) { return 4 * n - 32; }

    // c (n words) = a x b modulo 2^(32n). The forms without a work area allocate their own
    // (std::bad_alloc when that fails).
    static void mul(uint32_t* c, const uint32_t* a, const uint32_t* b, uint32_t n);
    static void mul(uint32_t* c, const uint32_t* a, const uint32_t* b, uint32_t n, uint32_t* work);
    // c (2n words) = a x b.
    static void mul2(uint32_t* c, const uint32_t* a, const uint32_t* b, uint32_t n);
    static void mul2(uint32_t* c, const uint32_t* a, const uint32_t* b, uint32_t n, uint32_t* work);

private:
    static void mulSub(uint32_t* c, const uint32_t* a, const uint32_t* b, uint32_t n,
                       uint32_t* work);
    static void mul2Sub(uint32_t* c, const uint32_t* a, const uint32_t* b, uint32_t n,
                        uint32_t* work);
    static void negate(uint32_t* x, uint32_t n);
    // c = |a - b|; 1 when a < b, else 0.
    static uint32_t subNeg(uint32_t* c, const uint32_t* a, const uint32_t* b, uint32_t n);
    static bool isZero(const uint32_t* x, uint32_t n);
};
