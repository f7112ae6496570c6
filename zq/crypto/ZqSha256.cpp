#include "zq/crypto/ZqHash.h"
#include "zq/crypto/ZqSha256Core_internal.h"
#include "zq/file/ZqByteOrder.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define ZQ_SHA256_HARDWARE 1
#endif

namespace {

constexpr uint32_t K[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

inline uint32_t rotr(const uint32_t x, const int n) {
    return (x >> n) | (x << (32 - n));
}

// Eight working variables renamed instead of shifted: round i uses them rotated by i, so the
// rounds are written eight at a time and no moves are needed between them.
#define ZQ_SHA256_ROUND(a, b, c, d, e, f, g, h, i, w)                                              \
    {                                                                                              \
        const uint32_t t1 =                                                                        \
            h + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + (g ^ (e & (f ^ g))) + K[i] + (w);       \
        const uint32_t ab = a ^ b;                                                                 \
        const uint32_t maj = b ^ (ab & bc);                                                        \
        bc = ab;                                                                                   \
        const uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + maj;                        \
        d += t1;                                                                                   \
        h = t1 + t2;                                                                               \
    }

#define ZQ_SHA256_EIGHT(i, W)                                                                      \
    ZQ_SHA256_ROUND(a, b, c, d, e, f, g, h, (i) + 0, W((i) + 0))                                   \
    ZQ_SHA256_ROUND(h, a, b, c, d, e, f, g, (i) + 1, W((i) + 1))                                   \
    ZQ_SHA256_ROUND(g, h, a, b, c, d, e, f, (i) + 2, W((i) + 2))                                   \
    ZQ_SHA256_ROUND(f, g, h, a, b, c, d, e, (i) + 3, W((i) + 3))                                   \
    ZQ_SHA256_ROUND(e, f, g, h, a, b, c, d, (i) + 4, W((i) + 4))                                   \
    ZQ_SHA256_ROUND(d, e, f, g, h, a, b, c, (i) + 5, W((i) + 5))                                   \
    ZQ_SHA256_ROUND(c, d, e, f, g, h, a, b, (i) + 6, W((i) + 6))                                   \
    ZQ_SHA256_ROUND(b, c, d, e, f, g, h, a, (i) + 7, W((i) + 7))

} // namespace

// Runs the compression over n whole blocks.
void zq_sha256::portable(uint32_t state[8], const uint8_t* p, size_t n) {
    for (; n != 0; --n, p += 64) {
        uint32_t w[16];
        for (int i = 0; i < 16; ++i) {
            w[i] = zq_bytes::loadBe<uint32_t>(p + 4 * i);
        }
        uint32_t a = state[0];
        uint32_t b = state[1];
        uint32_t c = state[2];
        uint32_t d = state[3];
        uint32_t e = state[4];
        uint32_t f = state[5];
        uint32_t g = state[6];
        uint32_t h = state[7];
        // b ^ c of the coming round: the majority is b ^ ((a ^ b) & (b ^ c)), and this round's
        // a ^ b is the next one's b ^ c.
        uint32_t bc = b ^ c;

        // The schedule lives in a ring of 16 words, each extended just before its round.
#define ZQ_W_LOAD(i) w[i]
#define ZQ_W_NEXT(i)                                                                               \
    (w[(i)&15] +=                                                                                  \
     (rotr(w[((i)-2) & 15], 17) ^ rotr(w[((i)-2) & 15], 19) ^ (w[((i)-2) & 15] >> 10)) +           \
     w[((i)-7) & 15] +                                                                             \
     (rotr(w[((i)-15) & 15], 7) ^ rotr(w[((i)-15) & 15], 18) ^ (w[((i)-15) & 15] >> 3)))
        ZQ_SHA256_EIGHT(0, ZQ_W_LOAD)
        ZQ_SHA256_EIGHT(8, ZQ_W_LOAD)
        ZQ_SHA256_EIGHT(16, ZQ_W_NEXT)
        ZQ_SHA256_EIGHT(24, ZQ_W_NEXT)
        ZQ_SHA256_EIGHT(32, ZQ_W_NEXT)
        ZQ_SHA256_EIGHT(40, ZQ_W_NEXT)
        ZQ_SHA256_EIGHT(48, ZQ_W_NEXT)
        ZQ_SHA256_EIGHT(56, ZQ_W_NEXT)
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

#undef ZQ_SHA256_EIGHT
#undef ZQ_SHA256_ROUND

#ifdef ZQ_SHA256_HARDWARE
// The processor's SHA extensions: two rounds per instruction, the schedule in four registers
// of four words each. The state is kept as ABEF and CDGH, the layout the instructions use.
__attribute__((target("sha,sse4.1,ssse3"))) void zq_sha256::hardware(uint32_t state[8],
                                                                     const uint8_t* p, size_t n) {
    const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
    __m128i tmp = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0xB1);
    __m128i state1 =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4)), 0x1B);
    __m128i state0 = _mm_alignr_epi8(tmp, state1, 8);
    state1 = _mm_blend_epi16(state1, tmp, 0xF0);

    for (; n != 0; --n, p += 64) {
        const __m128i abefSave = state0;
        const __m128i cdghSave = state1;
        __m128i m[4];
        // Fully unrolled, the group tests fold away and the schedule stays in registers.
#pragma GCC unroll 16
        for (int g = 0; g < 16; ++g) {
            if (g < 4) {
                m[g] = _mm_shuffle_epi8(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * g)), byteSwap);
            }
            __m128i msg = _mm_add_epi32(
                m[g & 3], _mm_loadu_si128(reinterpret_cast<const __m128i*>(K + 4 * g)));
            state1 = _mm_sha256rnds2_epu32(state1, state0, msg);
            if (g >= 3 && g <= 14) {
                // Words 4(g+1).. from the three groups before and the partial sums of msg1.
                const __m128i t = _mm_alignr_epi8(m[g & 3], m[(g - 1) & 3], 4);
                m[(g + 1) & 3] = _mm_sha256msg2_epu32(_mm_add_epi32(m[(g + 1) & 3], t), m[g & 3]);
            }
            msg = _mm_shuffle_epi32(msg, 0x0E);
            state0 = _mm_sha256rnds2_epu32(state0, state1, msg);
            if (g >= 1 && g <= 12) {
                m[(g - 1) & 3] = _mm_sha256msg1_epu32(m[(g - 1) & 3], m[g & 3]);
            }
        }
        state0 = _mm_add_epi32(state0, abefSave);
        state1 = _mm_add_epi32(state1, cdghSave);
    }

    tmp = _mm_shuffle_epi32(state0, 0x1B);
    state1 = _mm_shuffle_epi32(state1, 0xB1);
    state0 = _mm_blend_epi16(tmp, state1, 0xF0);
    state1 = _mm_alignr_epi8(state1, tmp, 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), state0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), state1);
}

bool zq_sha256::hasHardware() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(1, &a, &b, &c, &d) == 0 || (c & (1u << 19)) == 0 || (c & (1u << 9)) == 0) {
        return false; // SSE4.1, SSSE3
    }
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) != 0 && (b & (1u << 29)) != 0;
}

#else
bool zq_sha256::hasHardware() {
    return false;
}

void zq_sha256::hardware(uint32_t state[8], const uint8_t* p, size_t n) {
    portable(state, p, n);
}
#endif

namespace {

const bool g_hardware = zq_sha256::hasHardware();

void compress(uint32_t state[8], const uint8_t* p, const size_t n) {
    if (g_hardware) {
        zq_sha256::hardware(state, p, n);
    } else {
        zq_sha256::portable(state, p, n);
    }
}

} // namespace

void zqCalcSha256(uint8_t* const digest, const void* const data, const uint32_t size) {
    uint32_t state[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                         0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    const auto* const p = static_cast<const uint8_t*>(data);

    // Whole blocks straight from the caller's buffer; the rest and the padding (0x80, zeros,
    // the bit length big-endian) in one or two blocks on the stack.
    const uint32_t whole = size / 64;
    compress(state, p, whole);
    const uint32_t left = size % 64;
    uint8_t block[128] = {};
    if (left != 0) {
        std::memcpy(block, p + static_cast<size_t>(whole) * 64, left);
    }
    block[left] = 0x80;
    const uint32_t padded = left < 56 ? 64 : 128;
    zq_bytes::storeBe<uint64_t>(block + padded - 8, static_cast<uint64_t>(size) * 8u);
    compress(state, block, padded / 64);
    for (int i = 0; i < 8; ++i) {
        zq_bytes::storeBe<uint32_t>(digest + 4 * i, state[i]);
    }
}
