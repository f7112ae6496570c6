#include "zq/crypto/ZqHash.h"
#include "zq/file/ZqByteOrder.h"

#include <cstring>

namespace {

constexpr uint64_t K[80] = {
    0x428a2f98d728ae22, 0x7137449123ef65cd, 0xb5c0fbcfec4d3b2f, 0xe9b5dba58189dbbc,
    0x3956c25bf348b538, 0x59f111f1b605d019, 0x923f82a4af194f9b, 0xab1c5ed5da6d8118,
    0xd807aa98a3030242, 0x12835b0145706fbe, 0x243185be4ee4b28c, 0x550c7dc3d5ffb4e2,
    0x72be5d74f27b896f, 0x80deb1fe3b1696b1, 0x9bdc06a725c71235, 0xc19bf174cf692694,
    0xe49b69c19ef14ad2, 0xefbe4786384f25e3, 0x0fc19dc68b8cd5b5, 0x240ca1cc77ac9c65,
    0x2de92c6f592b0275, 0x4a7484aa6ea6e483, 0x5cb0a9dcbd41fbd4, 0x76f988da831153b5,
    0x983e5152ee66dfab, 0xa831c66d2db43210, 0xb00327c898fb213f, 0xbf597fc7beef0ee4,
    0xc6e00bf33da88fc2, 0xd5a79147930aa725, 0x06ca6351e003826f, 0x142929670a0e6e70,
    0x27b70a8546d22ffc, 0x2e1b21385c26c926, 0x4d2c6dfc5ac42aed, 0x53380d139d95b3df,
    0x650a73548baf63de, 0x766a0abb3c77b2a8, 0x81c2c92e47edaee6, 0x92722c851482353b,
    0xa2bfe8a14cf10364, 0xa81a664bbc423001, 0xc24b8b70d0f89791, 0xc76c51a30654be30,
    0xd192e819d6ef5218, 0xd69906245565a910, 0xf40e35855771202a, 0x106aa07032bbd1b8,
    0x19a4c116b8d2d0c8, 0x1e376c085141ab53, 0x2748774cdf8eeb99, 0x34b0bcb5e19b48a8,
    0x391c0cb3c5c95a63, 0x4ed8aa4ae3418acb, 0x5b9cca4f7763e373, 0x682e6ff3d6b2b8a3,
    0x748f82ee5defb2fc, 0x78a5636f43172f60, 0x84c87814a1f0ab72, 0x8cc702081a6439ec,
    0x90befffa23631e28, 0xa4506cebde82bde9, 0xbef9a3f7b2c67915, 0xc67178f2e372532b,
    0xca273eceea26619c, 0xd186b8c721c0c207, 0xeada7dd6cde0eb1e, 0xf57d4f7fee6ed178,
    0x06f067aa72176fba, 0x0a637dc5a2c898a6, 0x113f9804bef90dae, 0x1b710b35131c471b,
    0x28db77f523047d84, 0x32caab7b40c72493, 0x3c9ebe0a15c9bebc, 0x431d67c49c100d4c,
    0x4cc5d4becb3e42b6, 0x597f299cfc657e2a, 0x5fcb6fab3ad6faec, 0x6c44198c4a475817};

constexpr uint64_t INIT_512[8] = {0x6a09e667f3bcc908, 0xbb67ae8584caa73b, 0x3c6ef372fe94f82b,
                                  0xa54ff53a5f1d36f1, 0x510e527fade682d1, 0x9b05688c2b3e6c1f,
                                  0x1f83d9abfb41bd6b, 0x5be0cd19137e2179};
constexpr uint64_t INIT_384[8] = {0xcbbb9d5dc1059ed8, 0x629a292a367cd507, 0x9159015a3070dd17,
                                  0x152fecd8f70e5939, 0x67332667ffc00b31, 0x8eb44a8768581511,
                                  0xdb0c2e0d64f98fa7, 0x47b5481dbefa4fa4};

inline uint64_t rotr(const uint64_t x, const int n) {
    return (x >> n) | (x << (64 - n));
}

// The same scheme as SHA-256: renamed working variables, eight rounds at a time, and the
// schedule extended in a ring of 16 words. The big sigmas rotate in a chain (one rotation,
// xor with the input, rotate again), which keeps fewer values alive than three separate
// rotations and measures faster.
#define ZQ_SHA512_ROUND(a, b, c, d, e, f, g, h, i, w)                                              \
    {                                                                                              \
        const uint64_t t1 =                                                                        \
            h + rotr(rotr(rotr(e, 23) ^ e, 4) ^ e, 14) + (g ^ (e & (f ^ g))) + K[i] + (w);         \
        const uint64_t ab = a ^ b;                                                                 \
        const uint64_t maj = b ^ (ab & bc);                                                        \
        bc = ab;                                                                                   \
        const uint64_t t2 = rotr(rotr(rotr(a, 5) ^ a, 6) ^ a, 28) + maj;                           \
        d += t1;                                                                                   \
        h = t1 + t2;                                                                               \
    }

#define ZQ_SHA512_EIGHT(i, W)                                                                      \
    ZQ_SHA512_ROUND(a, b, c, d, e, f, g, h, (i) + 0, W((i) + 0))                                   \
    ZQ_SHA512_ROUND(h, a, b, c, d, e, f, g, (i) + 1, W((i) + 1))                                   \
    ZQ_SHA512_ROUND(g, h, a, b, c, d, e, f, (i) + 2, W((i) + 2))                                   \
    ZQ_SHA512_ROUND(f, g, h, a, b, c, d, e, (i) + 3, W((i) + 3))                                   \
    ZQ_SHA512_ROUND(e, f, g, h, a, b, c, d, (i) + 4, W((i) + 4))                                   \
    ZQ_SHA512_ROUND(d, e, f, g, h, a, b, c, (i) + 5, W((i) + 5))                                   \
    ZQ_SHA512_ROUND(c, d, e, f, g, h, a, b, (i) + 6, W((i) + 6))                                   \
    ZQ_SHA512_ROUND(b, c, d, e, f, g, h, a, (i) + 7, W((i) + 7))

void sha512Blocks(uint64_t state[8], const uint8_t* p, size_t n) {
    for (; n != 0; --n, p += 128) {
        uint64_t w[16];
        for (int i = 0; i < 16; ++i) {
            w[i] = zq_bytes::loadBe<uint64_t>(p + 8 * i);
        }
        uint64_t a = state[0];
        uint64_t b = state[1];
        uint64_t c = state[2];
        uint64_t d = state[3];
        uint64_t e = state[4];
        uint64_t f = state[5];
        uint64_t g = state[6];
        uint64_t h = state[7];
        // b ^ c of the coming round: the majority is b ^ ((a ^ b) & (b ^ c)), and this round's
        // a ^ b is the next one's b ^ c.
        uint64_t bc = b ^ c;

#define ZQ_W_LOAD(i) w[i]
#define ZQ_W_NEXT(i)                                                                               \
    (w[(i)&15] +=                                                                                  \
     (rotr(w[((i)-2) & 15], 19) ^ rotr(w[((i)-2) & 15], 61) ^ (w[((i)-2) & 15] >> 6)) +            \
     w[((i)-7) & 15] +                                                                             \
     (rotr(w[((i)-15) & 15], 1) ^ rotr(w[((i)-15) & 15], 8) ^ (w[((i)-15) & 15] >> 7)))
        ZQ_SHA512_EIGHT(0, ZQ_W_LOAD)
        ZQ_SHA512_EIGHT(8, ZQ_W_LOAD)
        ZQ_SHA512_EIGHT(16, ZQ_W_NEXT)
        ZQ_SHA512_EIGHT(24, ZQ_W_NEXT)
        ZQ_SHA512_EIGHT(32, ZQ_W_NEXT)
        ZQ_SHA512_EIGHT(40, ZQ_W_NEXT)
        ZQ_SHA512_EIGHT(48, ZQ_W_NEXT)
        ZQ_SHA512_EIGHT(56, ZQ_W_NEXT)
        ZQ_SHA512_EIGHT(64, ZQ_W_NEXT)
        ZQ_SHA512_EIGHT(72, ZQ_W_NEXT)
#undef ZQ_W_LOAD
#undef ZQ_W_NEXT

        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
        state[5] += f;
        state[6] += g;
        state[7] += h;
    }
}

#undef ZQ_SHA512_EIGHT
#undef ZQ_SHA512_ROUND

// SHA-384 is SHA-512 with other initial values and the first six state words as its digest.
void sha512Family(const uint64_t (&init)[8], uint8_t* const digest, const unsigned nrWords,
                  const void* const data, const uint32_t size) {
    uint64_t state[8];
    std::memcpy(state, init, sizeof state);
    const auto* const p = static_cast<const uint8_t*>(data);

    const uint32_t whole = size / 128;
    sha512Blocks(state, p, whole);
    const uint32_t left = size % 128;
    uint8_t block[256] = {};
    if (left != 0) {
        std::memcpy(block, p + static_cast<size_t>(whole) * 128, left);
    }
    block[left] = 0x80;
    // The length field is 128 bits; a 32-bit size fills only its low word.
    const uint32_t padded = left < 112 ? 128 : 256;
    zq_bytes::storeBe<uint64_t>(block + padded - 8, static_cast<uint64_t>(size) * 8u);
    sha512Blocks(state, block, padded / 128);
    for (unsigned i = 0; i < nrWords; ++i) {
        zq_bytes::storeBe<uint64_t>(digest + 8 * i, state[i]);
    }
}

} // namespace

void zqCalcSha512(uint8_t* const digest, const void* const data, const uint32_t size) {
    sha512Family(INIT_512, digest, 8, data, size);
}

void zqCalcSha384(uint8_t* const digest, const void* const data, const uint32_t size) {
    sha512Family(INIT_384, digest, 6, data, size);
}
