// The Montgomery engine: constants found bit by bit, products through ZqKaratsuba with one
// work area, and the reduction U = (T + (T N' mod R) N) / R with a final subtraction. Powers
// run on 64-bit limbs instead: schoolbook rows (the processor's multiply-add rows where
// ZqKaratsuba has them), a reduction one limb at a time, and a left-to-right sliding window of
// up to five exponent bits over a table of odd powers.
#include "zq/crypto/ZqMontgomery.h"
#include "zq/crypto/ZqKaratsuba.h"
#include "zq/crypto/ZqKaratsubaCore_internal.h"

#include <cstring>

namespace {

using u128 = unsigned __int128;

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

// Words (most significant first) to limbs (least significant first) and back.
template <uint32_t L> void toLimbs(uint64_t* const x, const uint32_t* const w) {
    for (uint32_t i = 0; i < L; ++i) {
        x[i] = (uint64_t{w[2 * L - 2 - 2 * i]} << 32) | w[2 * L - 1 - 2 * i];
    }
}

template <uint32_t L> void fromLimbs(uint32_t* const w, const uint64_t* const x) {
    for (uint32_t i = 0; i < L; ++i) {
        w[2 * L - 2 - 2 * i] = static_cast<uint32_t>(x[i] >> 32);
        w[2 * L - 1 - 2 * i] = static_cast<uint32_t>(x[i]);
    }
}

// x = x - n when x (with a carry limb on top) is not below n.
template <uint32_t L> void reduceOnce(uint64_t* const x, const uint64_t top, const uint64_t* n) {
    bool notBelow = top != 0;
    if (!notBelow) {
        uint32_t i = L;
        while (i > 0 && x[i - 1] == n[i - 1]) {
            --i;
        }
        notBelow = i == 0 || x[i - 1] > n[i - 1];
    }
    if (notBelow) {
        uint64_t borrow = 0;
        for (uint32_t i = 0; i < L; ++i) {
            const u128 d = static_cast<u128>(x[i]) - n[i] - borrow;
            x[i] = static_cast<uint64_t>(d);
            borrow = static_cast<uint64_t>(d >> 64) & 1;
        }
    }
}

// The limb engine of `power`: Montgomery products with R' = 2^(64 L) for an odd modulus below
// 2^(64 L - 1), every value kept below the modulus.
template <uint32_t L> struct LimbEngine {
    const uint64_t* n;
    uint64_t nInv; // -n^-1 mod 2^64
    bool rows;     // the processor's rows for the products

    // rp[0..L) += up[0..L) x v; the carry limb out.
    uint64_t row(uint64_t* const rp, const uint64_t* const up, const uint64_t v) const {
        if (rows) {
            return zq_karatsuba::addMulRow(rp, up, v, L);
        }
        uint64_t carry = 0;
        for (uint32_t j = 0; j < L; ++j) {
            const u128 p = static_cast<u128>(up[j]) * v + rp[j] + carry;
            rp[j] = static_cast<uint64_t>(p);
            carry = static_cast<uint64_t>(p >> 64);
        }
        return carry;
    }

    // t (2L limbs) = a x b.
    void mul(uint64_t* const t, const uint64_t* const a, const uint64_t* const b) const {
        std::memset(t, 0, 2 * L * sizeof(uint64_t));
        for (uint32_t i = 0; i < L; ++i) {
            t[i + L] = row(t + i, b, a[i]);
        }
    }

    // t (2L limbs) = a^2: with plain code the products off the diagonal once, doubled, plus
    // the squares on it; the rows' full product is cheaper than that.
    void sqr(uint64_t* const t, const uint64_t* const a) const {
        if (rows) {
            mul(t, a, a);
            return;
        }
        std::memset(t, 0, 2 * L * sizeof(uint64_t));
        for (uint32_t i = 0; i + 1 < L; ++i) {
            uint64_t carry = 0;
            for (uint32_t j = i + 1; j < L; ++j) {
                const u128 p = static_cast<u128>(a[i]) * a[j] + t[i + j] + carry;
                t[i + j] = static_cast<uint64_t>(p);
                carry = static_cast<uint64_t>(p >> 64);
            }
            t[i + L] = carry;
        }
        uint64_t top = 0;
        for (uint32_t i = 0; i < 2 * L; ++i) {
            const uint64_t v = t[i];
            t[i] = (v << 1) | top;
            top = v >> 63;
        }
        uint64_t carry = 0;
        for (uint32_t i = 0; i < L; ++i) {
            const u128 sq = static_cast<u128>(a[i]) * a[i];
            const u128 lo = static_cast<u128>(t[2 * i]) + static_cast<uint64_t>(sq) + carry;
            t[2 * i] = static_cast<uint64_t>(lo);
            const u128 hi = static_cast<u128>(t[2 * i + 1]) + static_cast<uint64_t>(sq >> 64) +
                            static_cast<uint64_t>(lo >> 64);
            t[2 * i + 1] = static_cast<uint64_t>(hi);
            carry = static_cast<uint64_t>(hi >> 64);
        }
    }

    // out = t / R' mod n for t below n R': one limb of t cleared by a multiple of n at a time.
    void reduce(uint64_t* const out, uint64_t* const t) const {
        uint64_t over = 0; // the carry into t[i + L] left by the row before
        for (uint32_t i = 0; i < L; ++i) {
            const uint64_t carry = row(t + i, n, t[i] * nInv);
            const u128 s = static_cast<u128>(t[i + L]) + carry + over;
            t[i + L] = static_cast<uint64_t>(s);
            over = static_cast<uint64_t>(s >> 64);
        }
        std::memcpy(out, t + L, L * sizeof(uint64_t));
        reduceOnce<L>(out, over, n);
    }

    void product(uint64_t* const out, const uint64_t* const a, const uint64_t* const b) const {
        uint64_t t[2 * L];
        mul(t, a, b);
        reduce(out, t);
    }

    void square(uint64_t* const out, const uint64_t* const a) const {
        uint64_t t[2 * L];
        sqr(t, a);
        reduce(out, t);
    }
};

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

    // The limb engine's constants: R'^2 mod N from R^2 mod N by doubling 2 (64 LIMBS - k)
    // times (N is below 2^(64 LIMBS - 1), so a doubled value below N never overflows), and
    // -N^-1 mod 2^64 by Newton's iteration, each step doubling the correct low bits (odd N
    // is its own inverse modulo 8).
    toLimbs<LIMBS>(m_limbN, m_n.data());
    toLimbs<LIMBS>(m_limbR2, m_r2.data());
    for (uint32_t i = 0; i < 2 * (64 * LIMBS - k); ++i) {
        uint64_t top = 0;
        for (uint32_t j = 0; j < LIMBS; ++j) {
            const uint64_t v = m_limbR2[j];
            m_limbR2[j] = (v << 1) | top;
            top = v >> 63;
        }
        reduceOnce<LIMBS>(m_limbR2, 0, m_limbN);
    }
    uint64_t inv = m_limbN[0];
    for (int i = 0; i < 5; ++i) {
        inv *= 2 - m_limbN[0] * inv;
    }
    m_limbNInv = 0 - inv;
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
    constexpr uint32_t L = LIMBS;
    constexpr uint32_t WINDOW = 5;
    const LimbEngine<L> engine{m_limbN, m_limbNInv, zq_karatsuba::usesFastRows()};
    uint64_t e[L];
    toLimbs<L>(e, exponent.data());
    const auto bitAt = [&e](const int32_t i) { return ((e[i / 64] >> (i % 64)) & 1) != 0; };
    int32_t hb = static_cast<int32_t>(bitLength(exponent.data(), N)) - 1;

    // The odd powers base^1, base^3 .. base^31 in Montgomery form.
    uint64_t odd[1u << (WINDOW - 1)][L];
    uint64_t x[L];
    toLimbs<L>(x, base.data());
    engine.product(odd[0], x, m_limbR2);
    uint64_t sq[L];
    engine.square(sq, odd[0]);
    for (uint32_t i = 1; i < (1u << (WINDOW - 1)); ++i) {
        engine.product(odd[i], odd[i - 1], sq);
    }

    // From the top bit down: zeros square; a window ends at its lowest set bit, so that its
    // value is odd, and costs one product.
    uint64_t a[L];
    bool started = false;
    while (hb >= 0) {
        if (!bitAt(hb)) {
            engine.square(a, a);
            --hb;
            continue;
        }
        int32_t low = hb - static_cast<int32_t>(WINDOW) + 1;
        low = low < 0 ? 0 : low;
        while (!bitAt(low)) {
            ++low;
        }
        uint32_t value = 0;
        for (int32_t i = hb; i >= low; --i) {
            value = (value << 1) | (bitAt(i) ? 1u : 0u);
            if (started) {
                engine.square(a, a);
            }
        }
        if (started) {
            engine.product(a, a, odd[value >> 1]);
        } else {
            std::memcpy(a, odd[value >> 1], sizeof a);
            started = true;
        }
        hb = low - 1;
    }

    // Out of Montgomery form: a product with 1 (for exponent 0, R' mod N out of it gives 1).
    uint64_t one[L] = {1};
    if (!started) {
        engine.product(a, one, m_limbR2);
    }
    uint64_t result[L];
    engine.product(result, a, one);
    fromLimbs<L>(out.data(), result);
}

template class ZqMontgomery<64>;
