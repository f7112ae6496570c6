// ZqMontgomery<N>: modular arithmetic over N-word numbers (most significant word first) in
// Montgomery form: prepares R = 2^k (k the modulus's bit length), N' = -N^-1 mod R and
// R^2 mod N for an odd modulus, and raises numbers to a power modulo it. Built for N = 64
// (moduli of up to 2047 bits). The work area is allocated once, by the constructor, so the
// arithmetic never allocates; one object serves one thread at a time. `power` works on 64-bit
// limbs with whole-limb Montgomery reduction and a sliding window over the exponent; `product`
// keeps R = 2^k.
// Depends on zq/crypto/ZqBigNumber.h and ZqKaratsuba.
#pragma once

#include "zq/crypto/ZqBigNumber.h"

#include <cstdint>
#include <memory>

template <uint32_t N> class ZqMontgomery {
public:
    using Number = ZqBigNumber<N>;

    ZqMontgomery();
    virtual ~ZqMontgomery();
    ZqMontgomery(const ZqMontgomery&) = delete;
    ZqMontgomery& operator=(const ZqMontgomery&) = delete;

    // Prepares the constants; false, leaving the engine unprepared, for an even modulus or one
    // outside 2 .. 32N - 1 bits, for which the reduction is undefined.
    bool setModulus(const Number& modulus);
    bool isReady() const { return m_k != 0; }
    // k, the modulus's bit length (0 before a modulus was accepted).
    int32_t getBitLength() const { return m_k; }
    const Number& getModulus() const { return m_n; }

    // out = a x b / R mod N for a, b below N.
    void product(Number& out, const Number& a, const Number& b);
    // out = base^exponent mod N for a base below N (1 for exponent 0).
    void power(Number& out, const Number& base, const Number& exponent);

private:
    Number m_n;
    Number m_r;
    Number m_nDash;
    Number m_r2;
    Number m_mask;
    int32_t m_k = 0;
    std::unique_ptr<uint32_t[]> m_pWork;

    // The modulus in 64-bit limbs, least significant first, with the constants of `power`'s
    // reduction over whole limbs (R' = 2^(64 LIMBS)): R'^2 mod N and -N^-1 mod 2^64.
    static_assert(N % 2 == 0);
    static constexpr uint32_t LIMBS = N / 2;
    uint64_t m_limbN[LIMBS] = {};
    uint64_t m_limbR2[LIMBS] = {};
    uint64_t m_limbNInv = 0;
};

extern template class ZqMontgomery<64>;
