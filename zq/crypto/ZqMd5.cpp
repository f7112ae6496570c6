#include "zq/crypto/ZqHash.h"
#include "zq/file/ZqByteOrder.h"

#include <cstring>

namespace {

inline uint32_t rotl(const uint32_t x, const int n) {
    return (x << n) | (x >> (32 - n));
}

// One 64-byte block; the 64 steps are written out so that every shift and constant is an
// immediate.
void md5Block(uint32_t state[4], const uint8_t* const block) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) {
        x[i] = zq_bytes::loadLe<uint32_t>(block + 4 * i);
    }
    uint32_t a = state[0];
    uint32_t b = state[1];
    uint32_t c = state[2];
    uint32_t d = state[3];

#define ZQ_MD5_STEP(f, a, b, c, d, k, s, t)                                                        \
    a += f(b, c, d) + x[k] + (t);                                                                  \
    a = rotl(a, s) + b;
#define ZQ_F(b, c, d) ((d) ^ ((b) & ((c) ^ (d))))
#define ZQ_G(b, c, d) ((c) ^ ((d) & ((b) ^ (c))))
#define ZQ_H(b, c, d) ((b) ^ (c) ^ (d))
#define ZQ_I(b, c, d) ((c) ^ ((b) | ~(d)))

    ZQ_MD5_STEP(ZQ_F, a, b, c, d, 0, 7, 0xd76aa478)
    ZQ_MD5_STEP(ZQ_F, d, a, b, c, 1, 12, 0xe8c7b756)
    ZQ_MD5_STEP(ZQ_F, c, d, a, b, 2, 17, 0x242070db)
    ZQ_MD5_STEP(ZQ_F, b, c, d, a, 3, 22, 0xc1bdceee)
    ZQ_MD5_STEP(ZQ_F, a, b, c, d, 4, 7, 0xf57c0faf)
    ZQ_MD5_STEP(ZQ_F, d, a, b, c, 5, 12, 0x4787c62a)
    ZQ_MD5_STEP(ZQ_F, c, d, a, b, 6, 17, 0xa8304613)
    ZQ_MD5_STEP(ZQ_F, b, c, d, a, 7, 22, 0xfd469501)
    ZQ_MD5_STEP(ZQ_F, a, b, c, d, 8, 7, 0x698098d8)
    ZQ_MD5_STEP(ZQ_F, d, a, b, c, 9, 12, 0x8b44f7af)
    ZQ_MD5_STEP(ZQ_F, c, d, a, b, 10, 17, 0xffff5bb1)
    ZQ_MD5_STEP(ZQ_F, b, c, d, a, 11, 22, 0x895cd7be)
    ZQ_MD5_STEP(ZQ_F, a, b, c, d, 12, 7, 0x6b901122)
    ZQ_MD5_STEP(ZQ_F, d, a, b, c, 13, 12, 0xfd987193)
    ZQ_MD5_STEP(ZQ_F, c, d, a, b, 14, 17, 0xa679438e)
    ZQ_MD5_STEP(ZQ_F, b, c, d, a, 15, 22, 0x49b40821)

    ZQ_MD5_STEP(ZQ_G, a, b, c, d, 1, 5, 0xf61e2562)
    ZQ_MD5_STEP(ZQ_G, d, a, b, c, 6, 9, 0xc040b340)
    ZQ_MD5_STEP(ZQ_G, c, d, a, b, 11, 14, 0x265e5a51)
    ZQ_MD5_STEP(ZQ_G, b, c, d, a, 0, 20, 0xe9b6c7aa)
    ZQ_MD5_STEP(ZQ_G, a, b, c, d, 5, 5, 0xd62f105d)
    ZQ_MD5_STEP(ZQ_G, d, a, b, c, 10, 9, 0x02441453)
    ZQ_MD5_STEP(ZQ_G, c, d, a, b, 15, 14, 0xd8a1e681)
    ZQ_MD5_STEP(ZQ_G, b, c, d, a, 4, 20, 0xe7d3fbc8)
    ZQ_MD5_STEP(ZQ_G, a, b, c, d, 9, 5, 0x21e1cde6)
    ZQ_MD5_STEP(ZQ_G, d, a, b, c, 14, 9, 0xc33707d6)
    ZQ_MD5_STEP(ZQ_G, c, d, a, b, 3, 14, 0xf4d50d87)
    ZQ_MD5_STEP(ZQ_G, b, c, d, a, 8, 20, 0x455a14ed)
    ZQ_MD5_STEP(ZQ_G, a, b, c, d, 13, 5, 0xa9e3e905)
    ZQ_MD5_STEP(ZQ_G, d, a, b, c, 2, 9, 0xfcefa3f8)
    ZQ_MD5_STEP(ZQ_G, c, d, a, b, 7, 14, 0x676f02d9)
    ZQ_MD5_STEP(ZQ_G, b, c, d, a, 12, 20, 0x8d2a4c8a)

    ZQ_MD5_STEP(ZQ_H, a, b, c, d, 5, 4, 0xfffa3942)
    ZQ_MD5_STEP(ZQ_H, d, a, b, c, 8, 11, 0x8771f681)
    ZQ_MD5_STEP(ZQ_H, c, d, a, b, 11, 16, 0x6d9d6122)
    ZQ_MD5_STEP(ZQ_H, b, c, d, a, 14, 23, 0xfde5380c)
    ZQ_MD5_STEP(ZQ_H, a, b, c, d, 1, 4, 0xa4beea44)
    ZQ_MD5_STEP(ZQ_H, d, a, b, c, 4, 11, 0x4bdecfa9)
    ZQ_MD5_STEP(ZQ_H, c, d, a, b, 7, 16, 0xf6bb4b60)
    ZQ_MD5_STEP(ZQ_H, b, c, d, a, 10, 23, 0xbebfbc70)
    ZQ_MD5_STEP(ZQ_H, a, b, c, d, 13, 4, 0x289b7ec6)
    ZQ_MD5_STEP(ZQ_H, d, a, b, c, 0, 11, 0xeaa127fa)
    ZQ_MD5_STEP(ZQ_H, c, d, a, b, 3, 16, 0xd4ef3085)
    ZQ_MD5_STEP(ZQ_H, b, c, d, a, 6, 23, 0x04881d05)
    ZQ_MD5_STEP(ZQ_H, a, b, c, d, 9, 4, 0xd9d4d039)
    ZQ_MD5_STEP(ZQ_H, d, a, b, c, 12, 11, 0xe6db99e5)
    ZQ_MD5_STEP(ZQ_H, c, d, a, b, 15, 16, 0x1fa27cf8)
    ZQ_MD5_STEP(ZQ_H, b, c, d, a, 2, 23, 0xc4ac5665)

    ZQ_MD5_STEP(ZQ_I, a, b, c, d, 0, 6, 0xf4292244)
    ZQ_MD5_STEP(ZQ_I, d, a, b, c, 7, 10, 0x432aff97)
    ZQ_MD5_STEP(ZQ_I, c, d, a, b, 14, 15, 0xab9423a7)
    ZQ_MD5_STEP(ZQ_I, b, c, d, a, 5, 21, 0xfc93a039)
    ZQ_MD5_STEP(ZQ_I, a, b, c, d, 12, 6, 0x655b59c3)
    ZQ_MD5_STEP(ZQ_I, d, a, b, c, 3, 10, 0x8f0ccc92)
    ZQ_MD5_STEP(ZQ_I, c, d, a, b, 10, 15, 0xffeff47d)
    ZQ_MD5_STEP(ZQ_I, b, c, d, a, 1, 21, 0x85845dd1)
    ZQ_MD5_STEP(ZQ_I, a, b, c, d, 8, 6, 0x6fa87e4f)
    ZQ_MD5_STEP(ZQ_I, d, a, b, c, 15, 10, 0xfe2ce6e0)
    ZQ_MD5_STEP(ZQ_I, c, d, a, b, 6, 15, 0xa3014314)
    ZQ_MD5_STEP(ZQ_I, b, c, d, a, 13, 21, 0x4e0811a1)
    ZQ_MD5_STEP(ZQ_I, a, b, c, d, 4, 6, 0xf7537e82)
    ZQ_MD5_STEP(ZQ_I, d, a, b, c, 11, 10, 0xbd3af235)
    ZQ_MD5_STEP(ZQ_I, c, d, a, b, 2, 15, 0x2ad7d2bb)
    ZQ_MD5_STEP(ZQ_I, b, c, d, a, 9, 21, 0xeb86d391)

#undef ZQ_MD5_STEP
#undef ZQ_F
#undef ZQ_G
#undef ZQ_H
#undef ZQ_I

    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

} // namespace

void zqCalcMd5(uint8_t* const digest, const void* const data, const uint32_t size) {
    uint32_t state[4] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};
    const auto* p = static_cast<const uint8_t*>(data);

    // Whole blocks straight from the caller's buffer; only the last partial block and the
    // padding go through a block on the stack.
    uint32_t left = size;
    for (; left >= 64; left -= 64, p += 64) {
        md5Block(state, p);
    }
    uint8_t block[128] = {};
    if (left != 0) {
        std::memcpy(block, p, left);
    }
    block[left] = 0x80;
    const uint32_t padded = left < 56 ? 64 : 128;
    zq_bytes::storeLe<uint64_t>(block + padded - 8, static_cast<uint64_t>(size) * 8u);
    md5Block(state, block);
    if (padded == 128) {
        md5Block(state, block + 64);
    }
    for (int i = 0; i < 4; ++i) {
        zq_bytes::storeLe<uint32_t>(digest + 4 * i, state[i]);
    }
}
