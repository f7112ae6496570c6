// Camellia as RFC 3713 describes it, on 64-bit halves. The F function's S-boxes and its
// P-function are folded into eight tables of 64-bit words made at compile time.
#include "zq/crypto/ZqCamellia.h"
#include "zq/crypto/ZqBlockModes_internal.h"
#include "zq/file/ZqByteOrder.h"

#include <array>

// The key length in bits and the subkeys: kw1..kw4, k1..k24 and ke1..ke6 (68 32-bit words).
struct zq_camellia::Schedule {
    uint32_t bits;
    uint64_t kw[4];
    uint64_t k[24];
    uint64_t ke[6];
};

namespace {

using zq_camellia::Schedule;

constexpr uint8_t SBOX1[256] = {
    112, 130, 44,  236, 179, 39,  192, 229, 228, 133, 87,  53,  234, 12,  174, 65,  35,  239, 107,
    147, 69,  25,  165, 33,  237, 14,  79,  78,  29,  101, 146, 189, 134, 184, 175, 143, 124, 235,
    31,  206, 62,  48,  220, 95,  94,  197, 11,  26,  166, 225, 57,  202, 213, 71,  93,  61,  217,
    1,   90,  214, 81,  86,  108, 77,  139, 13,  154, 102, 251, 204, 176, 45,  116, 18,  43,  32,
    240, 177, 132, 153, 223, 76,  203, 194, 52,  126, 118, 5,   109, 183, 169, 49,  209, 23,  4,
    215, 20,  88,  58,  97,  222, 27,  17,  28,  50,  15,  156, 22,  83,  24,  242, 34,  254, 68,
    207, 178, 195, 181, 122, 145, 36,  8,   232, 168, 96,  252, 105, 80,  170, 208, 160, 125, 161,
    137, 98,  151, 84,  91,  30,  149, 224, 255, 100, 210, 16,  196, 0,   72,  163, 247, 117, 219,
    138, 3,   230, 218, 9,   63,  221, 148, 135, 92,  131, 2,   205, 74,  144, 51,  115, 103, 246,
    243, 157, 127, 191, 226, 82,  155, 216, 38,  200, 55,  198, 59,  129, 150, 111, 75,  19,  190,
    99,  46,  233, 121, 167, 140, 159, 110, 188, 142, 41,  245, 249, 182, 47,  253, 180, 89,  120,
    152, 6,   106, 231, 70,  113, 186, 212, 37,  171, 66,  136, 162, 141, 250, 114, 7,   185, 85,
    248, 238, 172, 10,  54,  73,  42,  104, 60,  56,  241, 164, 64,  40,  211, 123, 187, 201, 67,
    193, 21,  227, 173, 244, 119, 199, 128, 158,
};

constexpr uint64_t SIGMA[6] = {0xA09E667F3BCC908Bull, 0xB67AE8584CAA73B2ull, 0xC6EF372FE94F82BEull,
                               0x54FF53A5F1D36F1Cull, 0x10E527FADE682D1Dull, 0xB05688C2B3E6C1FDull};

constexpr uint8_t rotl8(const uint8_t x, const int n) {
    return static_cast<uint8_t>((x << n) | (x >> (8 - n)));
}

constexpr uint8_t sbox(const int which, const uint8_t x) {
    switch (which) {
    case 1:
        return SBOX1[x];
    case 2:
        return rotl8(SBOX1[x], 1);
    case 3:
        return rotl8(SBOX1[x], 7);
    default:
        return SBOX1[rotl8(x, 1)];
    }
}

// Input byte i (0 the most significant) goes through S-box BOX[i] and then into the output
// bytes the P-function adds it to (bit 7 - j of USE[i] set: output byte j).
constexpr int BOX[8] = {1, 2, 3, 4, 2, 3, 4, 1};
constexpr uint8_t USE[8] = {
    0b11101001, // t1 in y1 y2 y3 y5 y8
    0b01111100, // t2 in y2 y3 y4 y5 y6
    0b10110110, // t3 in y1 y3 y4 y6 y7
    0b11010011, // t4 in y1 y2 y4 y7 y8
    0b01110111, // t5 in y2 y3 y4 y6 y7 y8
    0b10111011, // t6 in y1 y3 y4 y5 y7 y8
    0b11011101, // t7 in y1 y2 y4 y5 y6 y8
    0b11101110, // t8 in y1 y2 y3 y5 y6 y7
};

using Tables = std::array<std::array<uint64_t, 256>, 8>;

constexpr Tables makeTables() {
    Tables t{};
    for (int i = 0; i < 8; ++i) {
        for (int x = 0; x < 256; ++x) {
            const uint64_t s = sbox(BOX[i], static_cast<uint8_t>(x));
            uint64_t w = 0;
            for (int j = 0; j < 8; ++j) {
                if (USE[i] & (0x80 >> j)) {
                    w |= s << (56 - 8 * j);
                }
            }
            t[i][x] = w;
        }
    }
    return t;
}

constexpr Tables SP = makeTables();

inline uint64_t f(const uint64_t in, const uint64_t key) {
    const uint64_t x = in ^ key;
    return SP[0][x >> 56] ^ SP[1][(x >> 48) & 0xFF] ^ SP[2][(x >> 40) & 0xFF] ^
           SP[3][(x >> 32) & 0xFF] ^ SP[4][(x >> 24) & 0xFF] ^ SP[5][(x >> 16) & 0xFF] ^
           SP[6][(x >> 8) & 0xFF] ^ SP[7][x & 0xFF];
}

inline uint32_t rotl32(const uint32_t x, const int n) {
    return (x << n) | (x >> (32 - n));
}

inline uint64_t fl(const uint64_t x, const uint64_t k) {
    uint32_t x1 = static_cast<uint32_t>(x >> 32);
    uint32_t x2 = static_cast<uint32_t>(x);
    x2 ^= rotl32(x1 & static_cast<uint32_t>(k >> 32), 1);
    x1 ^= x2 | static_cast<uint32_t>(k);
    return (uint64_t{x1} << 32) | x2;
}

inline uint64_t flInv(const uint64_t y, const uint64_t k) {
    uint32_t y1 = static_cast<uint32_t>(y >> 32);
    uint32_t y2 = static_cast<uint32_t>(y);
    y1 ^= y2 | static_cast<uint32_t>(k);
    y2 ^= rotl32(y1 & static_cast<uint32_t>(k >> 32), 1);
    return (uint64_t{y1} << 32) | y2;
}

// A 128-bit value as two halves, rotated left by n bits (0 <= n < 128).
struct U128 {
    uint64_t hi;
    uint64_t lo;
};

U128 rotl128(const U128 v, int n) {
    U128 r = v;
    if (n >= 64) {
        r = {v.lo, v.hi};
        n -= 64;
    }
    if (n == 0) {
        return r;
    }
    return {(r.hi << n) | (r.lo >> (64 - n)), (r.lo << n) | (r.hi >> (64 - n))};
}

void expand(Schedule& s, const uint8_t* const key, const uint32_t length) {
    U128 kl{zq_bytes::loadBe<uint64_t>(key), zq_bytes::loadBe<uint64_t>(key + 8)};
    U128 kr{0, 0};
    if (length == 24) {
        kr.hi = zq_bytes::loadBe<uint64_t>(key + 16);
        kr.lo = ~kr.hi;
    } else if (length == 32) {
        kr = {zq_bytes::loadBe<uint64_t>(key + 16), zq_bytes::loadBe<uint64_t>(key + 24)};
    }
    s.bits = length * 8;

    uint64_t d1 = kl.hi ^ kr.hi;
    uint64_t d2 = kl.lo ^ kr.lo;
    d2 ^= f(d1, SIGMA[0]);
    d1 ^= f(d2, SIGMA[1]);
    d1 ^= kl.hi;
    d2 ^= kl.lo;
    d2 ^= f(d1, SIGMA[2]);
    d1 ^= f(d2, SIGMA[3]);
    const U128 ka{d1, d2};

    // Subkey pairs (or single halves) taken from the rotated key material.
    const auto pair = [](const U128 v, const int n, uint64_t& a, uint64_t& b) {
        const U128 r = rotl128(v, n);
        a = r.hi;
        b = r.lo;
    };
    if (length == 16) {
        pair(kl, 0, s.kw[0], s.kw[1]);
        pair(ka, 0, s.k[0], s.k[1]);
        pair(kl, 15, s.k[2], s.k[3]);
        pair(ka, 15, s.k[4], s.k[5]);
        pair(ka, 30, s.ke[0], s.ke[1]);
        pair(kl, 45, s.k[6], s.k[7]);
        s.k[8] = rotl128(ka, 45).hi;
        s.k[9] = rotl128(kl, 60).lo;
        pair(ka, 60, s.k[10], s.k[11]);
        pair(kl, 77, s.ke[2], s.ke[3]);
        pair(kl, 94, s.k[12], s.k[13]);
        pair(ka, 94, s.k[14], s.k[15]);
        pair(kl, 111, s.k[16], s.k[17]);
        pair(ka, 111, s.kw[2], s.kw[3]);
        return;
    }
    d1 = ka.hi ^ kr.hi;
    d2 = ka.lo ^ kr.lo;
    d2 ^= f(d1, SIGMA[4]);
    d1 ^= f(d2, SIGMA[5]);
    const U128 kb{d1, d2};
    pair(kl, 0, s.kw[0], s.kw[1]);
    pair(kb, 0, s.k[0], s.k[1]);
    pair(kr, 15, s.k[2], s.k[3]);
    pair(ka, 15, s.k[4], s.k[5]);
    pair(kr, 30, s.ke[0], s.ke[1]);
    pair(kb, 30, s.k[6], s.k[7]);
    pair(kl, 45, s.k[8], s.k[9]);
    pair(ka, 45, s.k[10], s.k[11]);
    pair(kl, 60, s.ke[2], s.ke[3]);
    pair(kr, 60, s.k[12], s.k[13]);
    pair(kb, 60, s.k[14], s.k[15]);
    pair(kl, 77, s.k[16], s.k[17]);
    pair(ka, 77, s.ke[4], s.ke[5]);
    pair(kr, 94, s.k[18], s.k[19]);
    pair(ka, 94, s.k[20], s.k[21]);
    pair(kl, 111, s.k[22], s.k[23]);
    pair(kb, 111, s.kw[2], s.kw[3]);
}

// Six rounds with subkeys k[at..at+5], forwards or backwards.
template <bool ENC> inline void sixRounds(const Schedule& s, uint64_t& d1, uint64_t& d2, int at) {
    for (int i = 0; i < 6; i += 2) {
        if (ENC) {
            d2 ^= f(d1, s.k[at + i]);
            d1 ^= f(d2, s.k[at + i + 1]);
        } else {
            d2 ^= f(d1, s.k[at + 5 - i]);
            d1 ^= f(d2, s.k[at + 4 - i]);
        }
    }
}

inline void encryptUnit(const Schedule& s, const uint8_t* const in, uint8_t* const out) {
    uint64_t d1 = zq_bytes::loadBe<uint64_t>(in) ^ s.kw[0];
    uint64_t d2 = zq_bytes::loadBe<uint64_t>(in + 8) ^ s.kw[1];
    const int layers = s.bits == 128 ? 3 : 4;
    for (int g = 0; g < layers; ++g) {
        if (g != 0) {
            d1 = fl(d1, s.ke[2 * g - 2]);
            d2 = flInv(d2, s.ke[2 * g - 1]);
        }
        sixRounds<true>(s, d1, d2, 6 * g);
    }
    zq_bytes::storeBe(out, d2 ^ s.kw[2]);
    zq_bytes::storeBe(out + 8, d1 ^ s.kw[3]);
}

inline void decryptUnit(const Schedule& s, const uint8_t* const in, uint8_t* const out) {
    uint64_t d1 = zq_bytes::loadBe<uint64_t>(in) ^ s.kw[2];
    uint64_t d2 = zq_bytes::loadBe<uint64_t>(in + 8) ^ s.kw[3];
    const int layers = s.bits == 128 ? 3 : 4;
    for (int g = layers - 1; g >= 0; --g) {
        sixRounds<false>(s, d1, d2, 6 * g);
        if (g != 0) {
            d1 = fl(d1, s.ke[2 * g - 1]);
            d2 = flInv(d2, s.ke[2 * g - 2]);
        }
    }
    zq_bytes::storeBe(out, d2 ^ s.kw[0]);
    zq_bytes::storeBe(out + 8, d1 ^ s.kw[1]);
}

constexpr uint8_t DEFAULT_KEY[16] = {0x5A, 0x51, 0x20, 0x63, 0x61, 0x6D, 0x65, 0x6C,
                                     0x6C, 0x69, 0x61, 0x20, 0x6B, 0x65, 0x79, 0x31};

} // namespace

ZqCamellia::ZqCamellia() : m_pSchedule(std::make_unique<Schedule>()) {
    expand(*m_pSchedule, DEFAULT_KEY, sizeof DEFAULT_KEY);
}

ZqCamellia::~ZqCamellia() = default;

bool ZqCamellia::setKey(const void* const key, const uint32_t length) {
    if (key == nullptr || (length != 16 && length != 24 && length != 32)) {
        return false;
    }
    expand(*m_pSchedule, static_cast<const uint8_t*>(key), length);
    return true;
}

void ZqCamellia::encodeEcb(const void* const src, void* const dst, const uint32_t n) const {
    const Schedule& s = *m_pSchedule;
    zq_modes::ecb(src, dst, n, [&s](const uint8_t* in, uint8_t* out) { encryptUnit(s, in, out); });
}

void ZqCamellia::decodeEcb(const void* const src, void* const dst, const uint32_t n) const {
    const Schedule& s = *m_pSchedule;
    zq_modes::ecb(src, dst, n, [&s](const uint8_t* in, uint8_t* out) { decryptUnit(s, in, out); });
}

void ZqCamellia::encodeCbc(const void* const src, const void* const chain, void* const dst,
                           const uint32_t n) const {
    const Schedule& s = *m_pSchedule;
    zq_modes::encodeCbc(src, chain, dst, n,
                        [&s](const uint8_t* in, uint8_t* out) { encryptUnit(s, in, out); });
}

void ZqCamellia::decodeCbc(const void* const chain, const void* const src, void* const dst,
                           const uint32_t n) const {
    const Schedule& s = *m_pSchedule;
    zq_modes::decodeCbc(chain, src, dst, n,
                        [&s](const uint8_t* in, uint8_t* out) { decryptUnit(s, in, out); });
}
