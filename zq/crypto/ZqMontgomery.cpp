// The Montgomery engine: constants found bit by bit, products through ZqKaratsuba with one
// work area, and the reduction U = (T + (T N' mod R) N) / R with a final subtraction.
#include "zq/crypto/ZqMontgomery.h"
#include "zq/crypto/ZqKaratsuba.h"

#include <cstring>

namespace {

// Bit b of an n-word number, counted from the least significant.
bool bit(const uint32_t* const x, const uint32_t n, const uint32_t b) {
    return (x[n - 1 - b / 32] >> (b % 32)) & 1;
}

void setBit(uint32_t* const x, const uint32_t n, const uint32_t b) {
    x[n - 1 - b / 32] |= 1u << (b % 32);
}

// The index of the highest set bit plus one; 0 for zero.
uint32_t bitLength(const uint32_t* const x, const uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) {
        if (x[i] != 0) {
            return 32 * (n - i) - static_cast<uint32_t>(__builtin_clz(x[i]));
        }
    }
    return 0;
}

uint32_t addN(uint32_t* const c, const uint32_t* const a, const uint32_t* const b,
              const uint32_t n) {
    uint64_t carry = 0;
    for (uint32_t i = n; i-- > 0;) {
        carry += uint64_t{a[i]} + b[i];
        c[i] = static_cast<uint32_t>(carry);
        carry >>= 32;
    }
    return static_cast<uint32_t>(carry);
}

uint32_t subN(uint32_t* const c, const uint32_t* const a, const uint32_t* const b,
              const uint32_t n) {
    uint64_t borrow = 0;
    for (uint32_t i = n; i-- > 0;) {
        const uint64_t d = uint64_t{a[i]} - b[i] - borrow;
        c[i] = static_cast<uint32_t>(d);
        borrow = (d >> 32) & 1;
    }
    return static_cast<uint32_t>(borrow);
}

// x >>= 1 over n words, with a bit shifted in at the top.
void shiftRight1(uint32_t* const x, const uint32_t n, uint32_t top) {
    for (uint32_t i = 0; i < n; ++i) {
        const uint32_t low = x[i] & 1;
        x[i] = (x[i] >> 1) | (top << 31);
        top = low;
    }
}

// x <<= 1 over n words; the bit shifted out.
uint32_t shiftLeft1(uint32_t* const x, const uint32_t n) {
    uint32_t carry = 0;
    for (uint32_t i = n; i-- > 0;) {
        const uint32_t out = x[i] >> 31;
        x[i] = (x[i] << 1) | carry;
        carry = out;
    }
    return carry;
}

bool notBelow(const uint32_t* const a, const uint32_t* const b, const uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) {
        if (a[i] != b[i]) {
            return a[i] > b[i];
        }
    }
    return true;
}

} // namespace

template <uint32_t N>
ZqMontgomery<N>::ZqMontgomery()
    : m_pWork(std::make_unique<uint32_t[]>(ZqKaratsuba::getWorkSize(2 * N))) {}

template <uint32_t N> ZqMontgomery<N>::~ZqMontgomery() = default;

template <uint32_t N> bool ZqMontgomery<N>::setModulus(const Number& modulus) {
    m_n = modulus;
    m_r = m_nDash = m_r2 = m_mask = Number{};
    m_k = 0;
    const uint32_t k = bitLength(modulus.data(), N);
    // R = 2^k must fit, the final sign test needs the top bit free, and an even modulus has
    // no inverse modulo R.
    if (k < 2 || k > 32 * N - 1 || (modulus[N - 1] & 1) == 0) {
        return false;
    }
    setBit(m_r.data(), N, k);
    Number one{};
    one[N - 1] = 1;
    subN(m_mask.data(), m_r.data(), one.data(), N);

    // N' bit by bit: keep t = (t + N if t is even) / 2, noting the bits where N was added.
    Number t{};
    for (uint32_t i = 0; i < k; ++i) {
        uint32_t top = 0;
        if ((t[N - 1] & 1) == 0) {
            top = addN(t.data(), t.data(), m_n.data(), N);
            setBit(m_nDash.data(), N, i);
        }
        shiftRight1(t.data(), N, top);
    }

    // R^2 mod N: R mod N = R - N (N is at least half of R), then k doublings mod N.
    subN(m_r2.data(), m_r.data(), m_n.data(), N);
    for (uint32_t i = 0; i < k; ++i) {
        const uint32_t out = shiftLeft1(m_r2.data(), N);
        if (out != 0 || notBelow(m_r2.data(), m_n.data(), N)) {
            subN(m_r2.data(), m_r2.data(), m_n.data(), N);
        }
    }
    if (notBelow(m_r2.data(), m_n.data(), N)) {
        subN(m_r2.data(), m_r2.data(), m_n.data(), N);
    }
    m_k = static_cast<int32_t>(k);
    return true;
}

template <uint32_t N> void ZqMontgomery<N>::product(Number& out, const Number& a, const Number& b) {
    uint32_t t[2 * N];
    uint32_t mn[2 * N];
    Number m;
    uint32_t* const work = m_pWork.get();
    ZqKaratsuba::mul2(t, a.data(), b.data(), N, work);
    // m = T N' mod R.
    ZqKaratsuba::mul(m.data(), t + N, m_nDash.data(), N, work);
    for (uint32_t i = 0; i < N; ++i) {
        m[i] &= m_mask[i];
    }
    // U = T + m N, below 2 R N, then U / R.
    ZqKaratsuba::mul2(mn, m.data(), m_n.data(), N, work);
    addN(t, t, mn, 2 * N);
    const uint32_t k = static_cast<uint32_t>(m_k);
    const uint32_t wordShift = k / 32;
    const uint32_t bitShift = k % 32;
    Number u;
    for (uint32_t j = 0; j < N; ++j) {
        // Word j from the bottom of U >> k.
        const uint32_t from = j + wordShift;
        const uint32_t lo = from < 2 * N ? t[2 * N - 1 - from] : 0;
        const uint32_t hi = from + 1 < 2 * N ? t[2 * N - 2 - from] : 0;
        u[N - 1 - j] =
            bitShift == 0 ? lo : static_cast<uint32_t>((lo >> bitShift) | (hi << (32 - bitShift)));
    }
    // U - N when that is not negative.
    Number v;
    subN(v.data(), u.data(), m_n.data(), N);
    out = (v[0] >> 31) == 0 ? v : u;
}

template <uint32_t N>
void ZqMontgomery<N>::power(Number& out, const Number& base, const Number& exponent) {
    Number one{};
    one[N - 1] = 1;
    Number x;
    Number a;
    product(x, base, m_r2);
    product(a, one, m_r2);
    const int32_t hb = static_cast<int32_t>(bitLength(exponent.data(), N)) - 1;
    for (int32_t i = 0; i < hb; ++i) {
        if (bit(exponent.data(), N, static_cast<uint32_t>(i))) {
            product(a, a, x);
        }
        product(x, x, x);
    }
    if (bit(exponent.data(), N, static_cast<uint32_t>(hb < 0 ? 0 : hb))) {
        product(a, a, x);
    }
    product(out, a, one);
}

template class ZqMontgomery<64>;
