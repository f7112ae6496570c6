// ZqBlumBlumShub: the Blum Blum Shub squaring generator over a 32-bit modulus (x = x^2 mod M,
// the whole new x is the output), with a search for suitable parameters. Far too small a
// modulus for cryptography; kept for the library's interface. One object per thread.
#pragma once

#include <cstdint>

class ZqBlumBlumShub {
public:
    // M = 1074200609 (32771 * 32779) and x = 65536.
    ZqBlumBlumShub() { init(); }
    // A modulus below 2 becomes 2.
    ZqBlumBlumShub(const uint32_t modulus, const uint32_t x) { init(modulus, x); }

    void init();
    // False (and modulus 2) when the modulus is below 2.
    bool init(uint32_t modulus, uint32_t x);

    uint32_t rand();

    // Searches from p0 and q0 for primes p, q = 3 mod 4 with gcd(p - 1, q - 1) = 2 and
    // p * q within 32 bits, then from seed for an x coprime to M = p * q (at most 500
    // candidates each). False, with the outputs untouched, when the search fails.
    static bool calcParam(uint32_t p0, uint32_t q0, uint32_t seed, unsigned int* modulus,
                          unsigned int* x);

private:
    uint32_t m_modulus = 2;
    uint32_t m_x = 0;
};
