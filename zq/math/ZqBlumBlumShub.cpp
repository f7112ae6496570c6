#include "zq/math/ZqBlumBlumShub.h"

#include "zq/math/ZqNumeric.h"

void ZqBlumBlumShub::init() {
    m_modulus = 1074200609u;
    m_x = 65536u;
}

bool ZqBlumBlumShub::init(const uint32_t modulus, const uint32_t x) {
    m_x = x;
    if (modulus < 2) {
        m_modulus = 2;
        return false;
    }
    m_modulus = modulus;
    return true;
}

uint32_t ZqBlumBlumShub::rand() {
    m_x = static_cast<uint32_t>(static_cast<uint64_t>(m_x) * m_x % m_modulus);
    return m_x;
}

bool ZqBlumBlumShub::calcParam(const uint32_t p0, const uint32_t q0, const uint32_t seed,
                               unsigned int* const modulus, unsigned int* const x) {
    constexpr uint32_t TRIES = 500;
    if (modulus == nullptr || x == nullptr) {
        return false;
    }
    uint32_t q = q0;
    uint64_t m = 0;
    for (uint32_t p = p0;; ++p) {
        if (p % 4 == 3 && testPrimality(p)) {
            // q carries on from where the previous p left it.
            for (uint32_t n = 0; n < TRIES && m == 0; ++n, ++q) {
                if (q % 4 != 3) {
                    continue;
                }
                const uint64_t pq = static_cast<uint64_t>(p) * q;
                if (pq > 0xFFFFFFFFu) {
                    return false;
                }
                if (testPrimality(q) && gcd(p - 1, q - 1) == 2u) {
                    m = pq;
                }
            }
            if (m != 0) {
                break;
            }
        }
        if (p - p0 + 1 >= TRIES) {
            return false;
        }
    }
    const uint32_t mm = static_cast<uint32_t>(m);
    uint32_t s = seed;
    for (uint32_t n = 0; n < TRIES; ++n, ++s) {
        if (gcd(s, mm) == 1u) {
            *modulus = mm;
            *x = s;
            return true;
        }
    }
    return false;
}
