// Karatsuba products on most-significant-first word arrays. Each level splits the operands
// into a high half (words 0..h-1) and a low half (words h..n-1) and forms the middle term from
// |A0 - A1| x |B1 - B0| with its sign, so that every partial product is of unsigned numbers.
// A call on n words keeps its temporaries in the first 2n words of the work area and hands the
// rest down.
#include "zq/crypto/ZqKaratsuba.h"
#include "zq/crypto/ZqKaratsubaCore_internal.h"

#include <bit>
#include <cpuid.h>
#include <cstring>
#include <memory>

namespace {

using u128 = unsigned __int128;

// Two words, most significant first, as one 64-bit limb and back. Every count the recursion
// hands these helpers is even.
inline uint64_t pairAt(const uint32_t* const p) {
    uint64_t v = 0;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::little) {
        v = (v << 32) | (v >> 32);
    }
    return v;
}

inline void setPair(uint32_t* const p, uint64_t v) {
    if constexpr (std::endian::native == std::endian::little) {
        v = (v << 32) | (v >> 32);
    }
    std::memcpy(p, &v, sizeof v);
}

// c = a + b over n words; the carry out of the top word.
inline uint32_t add(uint32_t* const c, const uint32_t* const a, const uint32_t* const b,
                    const uint32_t n) {
    uint64_t carry = 0;
    for (uint32_t i = n; i > 0; i -= 2) {
        const u128 t = static_cast<u128>(pairAt(a + i - 2)) + pairAt(b + i - 2) + carry;
        setPair(c + i - 2, static_cast<uint64_t>(t));
        carry = static_cast<uint64_t>(t >> 64);
    }
    return static_cast<uint32_t>(carry);
}

// c = a - b over n words; the borrow out of the top word.
inline uint32_t sub(uint32_t* const c, const uint32_t* const a, const uint32_t* const b,
                    const uint32_t n) {
    uint64_t borrow = 0;
    for (uint32_t i = n; i > 0; i -= 2) {
        const u128 t = static_cast<u128>(pairAt(a + i - 2)) - pairAt(b + i - 2) - borrow;
        setPair(c + i - 2, static_cast<uint64_t>(t));
        borrow = static_cast<uint64_t>(t >> 64) & 1;
    }
    return static_cast<uint32_t>(borrow);
}

// Adds a small number at the bottom of x (n words) and carries upwards; the carry out.
inline uint32_t addWord(uint32_t* const x, const uint32_t n, uint64_t carry) {
    for (uint32_t i = n; i > 0 && carry != 0; i -= 2) {
        const u128 t = static_cast<u128>(pairAt(x + i - 2)) + carry;
        setPair(x + i - 2, static_cast<uint64_t>(t));
        carry = static_cast<uint64_t>(t >> 64);
    }
    return static_cast<uint32_t>(carry);
}

inline void negateWords(uint32_t* const x, const uint32_t n) {
    uint64_t carry = 1;
    for (uint32_t i = n; i > 0; i -= 2) {
        const u128 t = static_cast<u128>(~pairAt(x + i - 2)) + carry;
        setPair(x + i - 2, static_cast<uint64_t>(t));
        carry = static_cast<uint64_t>(t >> 64);
    }
}

// c = |a - b|, the larger first so that no negation is needed; 1 when a < b.
inline uint32_t absDiff(uint32_t* const c, const uint32_t* const a, const uint32_t* const b,
                        const uint32_t n) {
    uint32_t i = 0;
    while (i < n && a[i] == b[i]) {
        ++i;
    }
    if (i < n && a[i] < b[i]) {
        sub(c, b, a, n);
        return 1;
    }
    sub(c, a, b, n);
    return 0;
}

// Schoolbook products on 64-bit limbs least significant first: the words are paired on the
// way in and split again on the way out.
template <uint32_t L> inline void toLimbs(uint64_t* const x, const uint32_t* const a) {
    for (uint32_t i = 0; i < L; ++i) {
        x[i] = pairAt(a + 2 * (L - 1 - i));
    }
}

template <uint32_t L>
void base2(uint32_t* const c, const uint32_t* const a, const uint32_t* const b) {
    uint64_t x[L];
    uint64_t y[L];
    toLimbs<L>(x, a);
    toLimbs<L>(y, b);
    uint64_t r[2 * L] = {};
    for (uint32_t i = 0; i < L; ++i) {
        uint64_t carry = 0;
        for (uint32_t j = 0; j < L; ++j) {
            const u128 t = static_cast<u128>(x[i]) * y[j] + r[i + j] + carry;
            r[i + j] = static_cast<uint64_t>(t);
            carry = static_cast<uint64_t>(t >> 64);
        }
        r[i + L] = carry;
    }
    for (uint32_t i = 0; i < 2 * L; ++i) {
        setPair(c + 2 * (2 * L - 1 - i), r[i]);
    }
}

template <uint32_t L>
void baseLow(uint32_t* const c, const uint32_t* const a, const uint32_t* const b) {
    uint64_t x[L];
    uint64_t y[L];
    toLimbs<L>(x, a);
    toLimbs<L>(y, b);
    uint64_t r[L] = {};
    for (uint32_t i = 0; i < L; ++i) {
        uint64_t carry = 0;
        for (uint32_t j = 0; i + j < L; ++j) {
            const u128 t = static_cast<u128>(x[i]) * y[j] + r[i + j] + carry;
            r[i + j] = static_cast<uint64_t>(t);
            carry = static_cast<uint64_t>(t >> 64);
        }
    }
    for (uint32_t i = 0; i < L; ++i) {
        setPair(c + 2 * (L - 1 - i), r[i]);
    }
}

// A square: the products below the diagonal once, doubled, plus the diagonal's squares.
template <uint32_t L> void baseSqr(uint32_t* const c, const uint32_t* const a) {
    uint64_t x[L];
    toLimbs<L>(x, a);
    uint64_t r[2 * L] = {};
    for (uint32_t i = 0; i < L; ++i) {
        uint64_t carry = 0;
        for (uint32_t j = i + 1; j < L; ++j) {
            const u128 t = static_cast<u128>(x[i]) * x[j] + r[i + j] + carry;
            r[i + j] = static_cast<uint64_t>(t);
            carry = static_cast<uint64_t>(t >> 64);
        }
        r[i + L] = carry;
    }
    uint64_t top = 0;
    for (uint32_t k = 0; k < 2 * L; ++k) {
        const uint64_t v = r[k];
        r[k] = (v << 1) | top;
        top = v >> 63;
    }
    uint64_t carry = 0;
    for (uint32_t i = 0; i < L; ++i) {
        const u128 sq = static_cast<u128>(x[i]) * x[i];
        const u128 lo = static_cast<u128>(r[2 * i]) + static_cast<uint64_t>(sq) + carry;
        r[2 * i] = static_cast<uint64_t>(lo);
        const u128 hi = static_cast<u128>(r[2 * i + 1]) + static_cast<uint64_t>(sq >> 64) +
                        static_cast<uint64_t>(lo >> 64);
        r[2 * i + 1] = static_cast<uint64_t>(hi);
        carry = static_cast<uint64_t>(hi >> 64);
    }
    for (uint32_t i = 0; i < 2 * L; ++i) {
        setPair(c + 2 * (2 * L - 1 - i), r[i]);
    }
}

#if defined(__x86_64__)
// rp[0..16) += up[0..16) x v + carry, the carry limb out returned: two carry chains (CF
// through adcx for the products' high limbs, OF through adox for rp) run side by side, which
// plain code cannot express. Needs BMI2 and ADX.
uint64_t addMulRow16(uint64_t* const rp, const uint64_t* const up, const uint64_t v,
                     uint64_t carry) {
    asm("xorl %%r8d, %%r8d\n\t"
        "mulx 0(%[up]), %%r8, %%r9\n\t"
        "adcx %%rax, %%r8\n\t"
        "adox 0(%[rp]), %%r8\n\t"
        "movq %%r8, 0(%[rp])\n\t"
        "movq %%r9, %%rax\n\t"
        "mulx 8(%[up]), %%r8, %%r9\n\t"
        "adcx %%rax, %%r8\n\t"
        "adox 8(%[rp]), %%r8\n\t"
        "movq %%r8, 8(%[rp])\n\t"
        "movq %%r9, %%rax\n\t"
        "mulx 16(%[up]), %%r8, %%r9\n\t"
        "adcx %%rax, %%r8\n\t"
        "adox 16(%[rp]), %%r8\n\t"
        "movq %%r8, 16(%[rp])\n\t"
        "movq %%r9, %%rax\n\t"
        "mulx 24(%[up]), %%r8, %%r9\n\t"
        "adcx %%rax, %%r8\n\t"
        "adox 24(%[rp]), %%r8\n\t"
        "movq %%r8, 24(%[rp])\n\t"
        "movq %%r9, %%rax\n\t"
        "mulx 32(%[up]), %%r8, %%r9\n\t"
        "adcx %%rax, %%r8\n\t"
        "adox 32(%[rp]), %%r8\n\t"
        "movq %%r8, 32(%[rp])\n\t"
        "movq %%r9, %%rax\n\t"
        "mulx 40(%[up]), %%r8, %%r9\n\t"
        "adcx %%rax, %%r8\n\t"
        "adox 40(%[rp]), %%r8\n\t"
        "movq %%r8, 40(%[rp])\n\t"
        "movq %%r9, %%rax\n\t"
        "mulx 48(%[up]), %%r8, %%r9\n\t"
        "adcx %%rax, %%r8\n\t"
        "adox 48(%[rp]), %%r8\n\t"
        "movq %%r8, 48(%[rp])\n\t"
        "movq %%r9, %%rax\n\t"
        "mulx 56(%[up]), %%r8, %%r9\n\t"
        "adcx %%rax, %%r8\n\t"
        "adox 56(%[rp]), %%r8\n\t"
        "movq %%r8, 56(%[rp])\n\t"
        "movq %%r9, %%rax\n\t"
        "mulx 64(%[up]), %%r8, %%r9\n\t"
        "adcx %%rax, %%r8\n\t"
        "adox 64(%[rp]), %%r8\n\t"
        "movq %%r8, 64(%[rp])\n\t"
        "movq %%r9, %%rax\n\t"
        "mulx 72(%[up]), %%r8, %%r9\n\t"
        "adcx %%rax, %%r8\n\t"
        "adox 72(%[rp]), %%r8\n\t"
        "movq %%r8, 72(%[rp])\n\t"
        "movq %%r9, %%rax\n\t"
        "mulx 80(%[up]), %%r8, %%r9\n\t"
        "adcx %%rax, %%r8\n\t"
        "adox 80(%[rp]), %%r8\n\t"
        "movq %%r8, 80(%[rp])\n\t"
        "movq %%r9, %%rax\n\t"
        "mulx 88(%[up]), %%r8, %%r9\n\t"
        "adcx %%rax, %%r8\n\t"
        "adox 88(%[rp]), %%r8\n\t"
        "movq %%r8, 88(%[rp])\n\t"
        "movq %%r9, %%rax\n\t"
        "mulx 96(%[up]), %%r8, %%r9\n\t"
        "adcx %%rax, %%r8\n\t"
        "adox 96(%[rp]), %%r8\n\t"
        "movq %%r8, 96(%[rp])\n\t"
        "movq %%r9, %%rax\n\t"
        "mulx 104(%[up]), %%r8, %%r9\n\t"
        "adcx %%rax, %%r8\n\t"
        "adox 104(%[rp]), %%r8\n\t"
        "movq %%r8, 104(%[rp])\n\t"
        "movq %%r9, %%rax\n\t"
        "mulx 112(%[up]), %%r8, %%r9\n\t"
        "adcx %%rax, %%r8\n\t"
        "adox 112(%[rp]), %%r8\n\t"
        "movq %%r8, 112(%[rp])\n\t"
        "movq %%r9, %%rax\n\t"
        "mulx 120(%[up]), %%r8, %%r9\n\t"
        "adcx %%rax, %%r8\n\t"
        "adox 120(%[rp]), %%r8\n\t"
        "movq %%r8, 120(%[rp])\n\t"
        "movq %%r9, %%rax\n\t"
        "movl $0, %%r8d\n\t"
        "adcx %%r8, %%rax\n\t"
        "adox %%r8, %%rax\n\t"
        : "+a"(carry)
        : [rp] "r"(rp), [up] "r"(up), "d"(v)
        : "r8", "r9", "cc", "memory");
    return carry;
}

bool detectRows() {
    unsigned a = 0;
    unsigned b = 0;
    unsigned c = 0;
    unsigned d = 0;
    // BMI2 (leaf 7, EBX bit 8) for mulx and ADX (bit 19) for adcx and adox.
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) != 0 && (b & (1u << 8)) != 0 &&
           (b & (1u << 19)) != 0;
}

const bool HAS_ROWS = detectRows();
#else
uint64_t addMulRow16(uint64_t*, const uint64_t*, uint64_t, uint64_t) {
    return 0;
}
const bool HAS_ROWS = false;
#endif
bool g_allowRows = true;

// The 16-limb product through the rows above.
void rows16(uint64_t* const r, const uint64_t* const x, const uint64_t* const y) {
    for (uint32_t i = 0; i < 32; ++i) {
        r[i] = 0;
    }
    for (uint32_t i = 0; i < 16; ++i) {
        r[i + 16] = addMulRow16(r + i, y, x[i], 0);
    }
}

enum class Product { FULL, LOW, SQUARE };

template <uint32_t L>
void schoolbookOf(const Product kind, uint32_t* const c, const uint32_t* const a,
                  const uint32_t* const b) {
    if constexpr (L == 16) {
        // With the processor's rows the full product is cheaper than the plain low half or
        // square; those take the part they need.
        if (HAS_ROWS && g_allowRows) {
            uint64_t x[16];
            uint64_t y[16];
            uint64_t r[32];
            toLimbs<16>(x, a);
            toLimbs<16>(y, b);
            rows16(r, x, y);
            const uint32_t limbs = kind == Product::LOW ? 16 : 32;
            for (uint32_t i = 0; i < limbs; ++i) {
                setPair(c + 2 * (limbs - 1 - i), r[i]);
            }
            return;
        }
    }
    if (kind == Product::FULL) {
        base2<L>(c, a, b);
    } else if (kind == Product::LOW) {
        baseLow<L>(c, a, b);
    } else {
        baseSqr<L>(c, a);
    }
}

// Operands of up to 32 words are multiplied by schoolbook: measured against GMP, with 64-bit
// limbs a further split pays off only above that. True when the product was done here.
bool schoolbook(const Product kind, uint32_t* const c, const uint32_t* const a,
                const uint32_t* const b, const uint32_t n) {
    switch (n) {
    case 8:
        schoolbookOf<4>(kind, c, a, b);
        return true;
    case 16:
        schoolbookOf<8>(kind, c, a, b);
        return true;
    case 32:
        schoolbookOf<16>(kind, c, a, b);
        return true;
    default:
        return false;
    }
}

} // namespace

uint64_t zq_karatsuba::addMulRow(uint64_t* const rp, const uint64_t* const up, const uint64_t v,
                                 const uint32_t limbs) {
    uint64_t carry = 0;
    if (HAS_ROWS && g_allowRows && limbs % 16 == 0) {
        for (uint32_t i = 0; i < limbs; i += 16) {
            carry = addMulRow16(rp + i, up + i, v, carry);
        }
        return carry;
    }
    for (uint32_t i = 0; i < limbs; ++i) {
        const u128 t = static_cast<u128>(up[i]) * v + rp[i] + carry;
        rp[i] = static_cast<uint64_t>(t);
        carry = static_cast<uint64_t>(t >> 64);
    }
    return carry;
}

bool zq_karatsuba::hasFastRows() {
    return HAS_ROWS;
}

bool zq_karatsuba::usesFastRows() {
    return HAS_ROWS && g_allowRows;
}

void zq_karatsuba::allowFastRows(const bool allow) {
    g_allowRows = allow;
}

void ZqKaratsuba::negate(uint32_t* const x, const uint32_t n) {
    negateWords(x, n);
}

uint32_t ZqKaratsuba::subNeg(uint32_t* const c, const uint32_t* const a, const uint32_t* const b,
                             const uint32_t n) {
    return absDiff(c, a, b, n);
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
    // A square (the same operand twice) stays a square at every level, at about half the
    // cost of a product.
    const bool square = a == b;
    if (schoolbook(square ? Product::SQUARE : Product::FULL, c, a, b, n)) {
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
    const uint32_t sa = absDiff(da, a0, a1, h);
    // For a square B1 - B0 = -(A0 - A1): the middle product is -Da^2.
    const uint32_t sb = square ? 1 - sa : absDiff(db, b1, b0, h);
    mul2Sub(m, da, square ? da : db, h, work + 2 * n);
    // The middle term A1 B1 + A0 B0 + (A0 - A1)(B1 - B0) = A1 B0 + A0 B1, never negative.
    uint32_t* const t = work;
    uint32_t top = add(t, c, c + n, n);
    if (sa != sb) {
        top -= sub(t, t, m, n);
    } else {
        top += add(t, t, m, n);
    }
    top += add(c + h, c + h, t, n);
    addWord(c, h, top);
}

void ZqKaratsuba::mulSub(uint32_t* const c, const uint32_t* const a, const uint32_t* const b,
                         const uint32_t n, uint32_t* const work) {
    if (schoolbook(Product::LOW, c, a, b, n)) {
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
    const uint32_t sa = absDiff(da, a0, a1, h);
    const uint32_t sb = absDiff(db, b1, b0, h);
    mulSub(m, da, db, h, work + 2 * n);
    if (sa != sb) {
        negateWords(m, h);
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
