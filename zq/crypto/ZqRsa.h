// ZqRsa: an RSA key holder (public exponent, modulus, secret exponent) whose decode performs
// the private-key operation and keeps the message bits below the modulus's top 16 bits.
// Numbers are ZqBigNumber<64> (2048 bits, most significant word first); moduli must be odd
// and of 16 to 2047 bits (callers use getNrEncryptBits to ask for at least 2034). One object
// serves one thread at a time. Depends on ZqMontgomery.
#pragma once

#include "zq/crypto/ZqBigNumber.h"
#include "zq/crypto/ZqMontgomery.h"

#include <cstdint>

class ZqRsa {
public:
    static constexpr uint32_t NR_DIGITS = 64;
    using Number = ZqBigNumber<NR_DIGITS>;

    // The key triple.
    struct W {
        Number exponent;
        Number modulus;
        Number secretKey;
    };

    ZqRsa();
    virtual ~ZqRsa();
    ZqRsa(const ZqRsa&) = delete;
    ZqRsa& operator=(const ZqRsa&) = delete;

    // Stores the modulus and prepares the engine for it.
    void setModulus(const Number& modulus);
    const Number& getModulus() const { return m_w.modulus; }
    // The public exponent; nothing here uses it.
    void setExponent(const Number& exponent) { m_w.exponent = exponent; }
    const Number& getExponent() const { return m_w.exponent; }
    void setSecretKey(const Number& secretKey) { m_w.secretKey = secretKey; }
    const Number& getSecretKey() const { return m_w.secretKey; }

    // Bit length of the modulus minus 16 for moduli of at least 2034 bits, else -1: the
    // number of message bits decode yields.
    int32_t getNrEncryptBits() const;
    // out = in^d mod N with every bit from (bit length - 16) up cleared; in and out may be the
    // same object. False, with out set to 0, when the modulus is unusable (even, or outside
    // 16 .. 2047 bits) or in is not below it.
    bool decode(const Number& in, Number& out);

private:
    W m_w;
    ZqMontgomery<NR_DIGITS> m_engine;
};
