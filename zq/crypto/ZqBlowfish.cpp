// Blowfish with the standard key set-up; two 8-byte blocks per unit, halves little-endian.
#include "zq/crypto/ZqBlowfish.h"
#include "zq/crypto/ZqBlockModes_internal.h"
#include "zq/crypto/ZqBlowfishTables_internal.h"
#include "zq/file/ZqByteOrder.h"

#include <cstring>

struct zq_blowfish::Schedule {
    uint32_t p[18];
    uint32_t s[4][256];
};

namespace {

using zq_blowfish::Schedule;

constexpr uint8_t DEFAULT_KEY[4] = {0x5A, 0x51, 0x62, 0x66};

inline uint32_t f(const Schedule& k, const uint32_t x) {
    return ((k.s[0][x >> 24] + k.s[1][(x >> 16) & 0xFF]) ^ k.s[2][(x >> 8) & 0xFF]) +
           k.s[3][x & 0xFF];
}

inline void encryptBlock(const Schedule& k, uint32_t& left, uint32_t& right) {
    uint32_t l = left;
    uint32_t r = right;
    for (int i = 0; i < 16; i += 2) {
        l ^= k.p[i];
        r ^= f(k, l);
        r ^= k.p[i + 1];
        l ^= f(k, r);
    }
    l ^= k.p[16];
    r ^= k.p[17];
    left = r;
    right = l;
}

inline void decryptBlock(const Schedule& k, uint32_t& left, uint32_t& right) {
    uint32_t l = left;
    uint32_t r = right;
    for (int i = 17; i > 1; i -= 2) {
        l ^= k.p[i];
        r ^= f(k, l);
        r ^= k.p[i - 1];
        l ^= f(k, r);
    }
    l ^= k.p[1];
    r ^= k.p[0];
    left = r;
    right = l;
}

// One unit: two blocks, each as two little-endian words.
template <bool ENC>
inline void unit(const Schedule& k, const uint8_t* const in, uint8_t* const out) {
    uint32_t w[4];
    for (int i = 0; i < 4; ++i) {
        w[i] = zq_bytes::loadLe<uint32_t>(in + 4 * i);
    }
    if (ENC) {
        encryptBlock(k, w[0], w[1]);
        encryptBlock(k, w[2], w[3]);
    } else {
        decryptBlock(k, w[0], w[1]);
        decryptBlock(k, w[2], w[3]);
    }
    for (int i = 0; i < 4; ++i) {
        zq_bytes::storeLe(out + 4 * i, w[i]);
    }
}

void expand(Schedule& k, const uint8_t* const key, const uint32_t length) {
    std::memcpy(k.p, zq_blowfish::INIT_P, sizeof k.p);
    std::memcpy(k.s, zq_blowfish::INIT_S, sizeof k.s);
    uint32_t at = 0;
    for (uint32_t& p : k.p) {
        uint32_t w = 0;
        for (int b = 0; b < 4; ++b) {
            w = (w << 8) | key[at];
            at = at + 1 == length ? 0 : at + 1;
        }
        p ^= w;
    }
    uint32_t l = 0;
    uint32_t r = 0;
    for (int i = 0; i < 18; i += 2) {
        encryptBlock(k, l, r);
        k.p[i] = l;
        k.p[i + 1] = r;
    }
    for (auto& box : k.s) {
        for (int i = 0; i < 256; i += 2) {
            encryptBlock(k, l, r);
            box[i] = l;
            box[i + 1] = r;
        }
    }
}

} // namespace

ZqBlowfish::ZqBlowfish() : m_pSchedule(std::make_unique<Schedule>()) {
    expand(*m_pSchedule, DEFAULT_KEY, sizeof DEFAULT_KEY);
}

ZqBlowfish::~ZqBlowfish() = default;

bool ZqBlowfish::setKey(const void* const key, const uint32_t length) {
    if (key == nullptr || length < 4 || length > 56) {
        return false;
    }
    expand(*m_pSchedule, static_cast<const uint8_t*>(key), length);
    return true;
}

void ZqBlowfish::encodeEcb(const void* const src, void* const dst, const uint32_t n) const {
    const Schedule& k = *m_pSchedule;
    zq_modes::ecb(src, dst, n, [&k](const uint8_t* in, uint8_t* out) { unit<true>(k, in, out); });
}

void ZqBlowfish::decodeEcb(const void* const src, void* const dst, const uint32_t n) const {
    const Schedule& k = *m_pSchedule;
    zq_modes::ecb(src, dst, n, [&k](const uint8_t* in, uint8_t* out) { unit<false>(k, in, out); });
}

// Each 8-byte half is combined with the matching half of its chain unit; the two halves of a
// unit are not chained to each other.
void ZqBlowfish::encodeCbc(const void* const src, const void* const chain, void* const dst,
                           const uint32_t n) const {
    const Schedule& k = *m_pSchedule;
    zq_modes::encodeCbc(src, chain, dst, n,
                        [&k](const uint8_t* in, uint8_t* out) { unit<true>(k, in, out); });
}

void ZqBlowfish::decodeCbc(const void* const chain, const void* const src, void* const dst,
                           const uint32_t n) const {
    const Schedule& k = *m_pSchedule;
    zq_modes::decodeCbc(chain, src, dst, n,
                        [&k](const uint8_t* in, uint8_t* out) { unit<false>(k, in, out); });
}
