// Karatsuba products on most-significant-first word arrays. Each level splits the operands
// into a high half (words 0..h-1) and a low half (words h..n-1) and forms the middle term from
// |A0 - A1| x |B1 - B0| with its sign, so that every partial product is of unsigned numbers.
// A call on n words keeps its temporaries in the first 2n words of the work area and hands the
// rest down.
#include "zq/crypto/ZqKaratsuba.h"

#include <memory>

namespace {

constexpr uint32_t BASE = 8;

// c = a + b over n words; the carry out of the top word.
uint32_t add(uint32_t* const c, const uint32_t* const a, const uint32_t* const b,
             const uint32_t n) {
    uint64_t carry = 0;
    for (uint32_t i = n; i-- > 0;) {
        carry += uint64_t{a[i]} + b[i];
        c[i] = static_cast<uint32_t>(carry);
        carry >>= 32;
    }
    return static_cast<uint32_t>(carry);
}

// c = a - b over n words; the borrow out of the top word.
uint32_t sub(uint32_t* const c, const uint32_t* const a, const uint32_t* const b,
             const uint32_t n) {
    uint64_t borrow = 0;
    for (uint32_t i = n; i-- > 0;) {
        const uint64_t d = uint64_t{a[i]} - b[i] - borrow;
        c[i] = static_cast<uint32_t>(d);
        borrow = (d >> 32) & 1;
    }
    return static_cast<uint32_t>(borrow);
}

// Adds a word at the bottom of x (n words) and carries upwards; the carry out.
uint32_t addWord(uint32_t* const x, const uint32_t n, uint64_t carry) {
    for (uint32_t i = n; i-- > 0 && carry != 0;) {
        carry += x[i];
        x[i] = static_cast<uint32_t>(carry);
        carry >>= 32;
    }
    return static_cast<uint32_t>(carry);
}

// The 8-word schoolbook products, written least significant word first into r and only then
// turned around, so the loops stay simple for the compiler to unroll.
void base2(uint32_t* const c, const uint32_t* const a, const uint32_t* const b) {
    uint32_t x[BASE];
    uint32_t y[BASE];
    for (uint32_t i = 0; i < BASE; ++i) {
        x[i] = a[BASE - 1 - i];
        y[i] = b[BASE - 1 - i];
    }
    uint32_t r[2 * BASE] = {};
    for (uint32_t i = 0; i < BASE; ++i) {
        uint64_t carry = 0;
        for (uint32_t j = 0; j < BASE; ++j) {
            carry += uint64_t{x[i]} * y[j] + r[i + j];
            r[i + j] = static_cast<uint32_t>(carry);
            carry >>= 32;
        }
        r[i + BASE] = static_cast<uint32_t>(carry);
    }
    for (uint32_t i = 0; i < 2 * BASE; ++i) {
        c[2 * BASE - 1 - i] = r[i];
    }
}

void baseLow(uint32_t* const c, const uint32_t* const a, const uint32_t* const b) {
    uint32_t x[BASE];
    uint32_t y[BASE];
    for (uint32_t i = 0; i < BASE; ++i) {
        x[i] = a[BASE - 1 - i];
        y[i] = b[BASE - 1 - i];
    }
    uint32_t r[BASE] = {};
    for (uint32_t i = 0; i < BASE; ++i) {
        uint64_t carry = 0;
        for (uint32_t j = 0; i + j < BASE; ++j) {
            carry += uint64_t{x[i]} * y[j] + r[i + j];
            r[i + j] = static_cast<uint32_t>(carry);
            carry >>= 32;
        }
    }
    for (uint32_t i = 0; i < BASE; ++i) {
        c[BASE - 1 - i] = r[i];
    }
}

} // namespace

void ZqKaratsuba::negate(uint32_t* const x, const uint32_t n) {
    uint64_t carry = 1;
    for (uint32_t i = n; i-- > 0;) {
        carry += static_cast<uint32_t>(~x[i]);
        x[i] = static_cast<uint32_t>(carry);
        carry >>= 32;
    }
}

uint32_t ZqKaratsuba::subNeg(uint32_t* const c, const uint32_t* const a, const uint32_t* const b,
                             const uint32_t n) {
    if (sub(c, a, b, n) == 0) {
        return 0;
    }
    negate(c, n);
    return 1;
}

bool ZqKaratsuba::isZero(const uint32_t* const x, const uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) {
        if (x[i] != 0) {
            return false;
        }
    }
    return true;
}

void ZqKaratsuba::mul2Sub(uint32_t* const c, const uint32_t* const a, const uint32_t* const b,
                          const uint32_t n, uint32_t* const work) {
    if (n == BASE) {
        base2(c, a, b);
        return;
    }
    const uint32_t h = n / 2;
    const uint32_t* const a1 = a;
    const uint32_t* const a0 = a + h;
    const uint32_t* const b1 = b;
    const uint32_t* const b0 = b + h;
    // c = A1 B1 Q^n + A0 B0 first; the work area is free for those calls.
    mul2Sub(c, a1, b1, h, work);
    mul2Sub(c + n, a0, b0, h, work);
    uint32_t* const da = work;
    uint32_t* const db = work + h;
    uint32_t* const m = work + n;
    const uint32_t sa = subNeg(da, a0, a1, h);
    const uint32_t sb = subNeg(db, b1, b0, h);
    mul2Sub(m, da, db, h, work + 2 * n);
    // The middle term A1 B1 + A0 B0 + (A0 - A1)(B1 - B0) = A1 B0 + A0 B1, never negative.
    uint32_t* const t = work;
    uint32_t top = add(t, c, c + n, n);
    if (sa != sb) {
        if (!isZero(m, n)) {
            top -= sub(t, t, m, n);
        }
    } else {
        top += add(t, t, m, n);
    }
    top += add(c + h, c + h, t, n);
    addWord(c, h, top);
}

void ZqKaratsuba::mulSub(uint32_t* const c, const uint32_t* const a, const uint32_t* const b,
                         const uint32_t n, uint32_t* const work) {
    if (n == BASE) {
        baseLow(c, a, b);
        return;
    }
    const uint32_t h = n / 2;
    const uint32_t* const a1 = a;
    const uint32_t* const a0 = a + h;
    const uint32_t* const b1 = b;
    const uint32_t* const b0 = b + h;
    mul2Sub(c, a0, b0, h, work);
    uint32_t* const da = work;
    uint32_t* const db = work + h;
    uint32_t* const m = work + n;
    uint32_t* const high = work + n + h;
    const uint32_t sa = subNeg(da, a0, a1, h);
    const uint32_t sb = subNeg(db, b1, b0, h);
    mulSub(m, da, db, h, work + 2 * n);
    if (sa != sb) {
        negate(m, h);
    }
    mulSub(high, a1, b1, h, work + 2 * n);
    // Only the middle term's low h words reach the low n words of the product.
    add(c, c, high, h);
    add(c, c, m, h);
    add(c, c, c + h, h);
}

void ZqKaratsuba::mul(uint32_t* const c, const uint32_t* const a, const uint32_t* const b,
                      const uint32_t n, uint32_t* const work) {
    mulSub(c, a, b, n, work);
}

void ZqKaratsuba::mul2(uint32_t* const c, const uint32_t* const a, const uint32_t* const b,
                       const uint32_t n, uint32_t* const work) {
    mul2Sub(c, a, b, n, work);
}

void ZqKaratsuba::mul(uint32_t* const c, const uint32_t* const a, const uint32_t* const b,
                      const uint32_t n) {
    const auto work = std::make_unique<uint32_t[]>(getWorkSize(n) + 1);
    mulSub(c, a, b, n, work.get());
}

void ZqKaratsuba::mul2(uint32_t* const c, const uint32_t* const a, const uint32_t* const b,
                       const uint32_t n) {
    const auto work = std::make_unique<uint32_t[]>(getWorkSize(n) + 1);
    mul2Sub(c, a, b, n, work.get());
}
