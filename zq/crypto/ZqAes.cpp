// AES as FIPS-197 describes it: the key expansion, a portable core on four 1 KiB tables per
// direction (made at compile time from the field arithmetic), and a core on the processor's
// AES instructions that works several units at once where the mode allows.
#include "zq/crypto/ZqAes.h"
#include "zq/crypto/ZqAesCore_internal.h"
#include "zq/crypto/ZqBlockModes_internal.h"
#include "zq/file/ZqByteOrder.h"

#include <array>
#include <cpuid.h>
#include <cstring>
#include <immintrin.h>

namespace {

using zq_bytes::loadBe;
using zq_bytes::storeBe;

constexpr uint8_t xtime(const uint8_t x) {
    return static_cast<uint8_t>((x << 1) ^ ((x & 0x80) ? 0x1B : 0));
}

constexpr uint8_t gmul(uint8_t a, uint8_t b) {
    uint8_t r = 0;
    while (b != 0) {
        if (b & 1) {
            r ^= a;
        }
        a = xtime(a);
        b >>= 1;
    }
    return r;
}

constexpr uint8_t rotl8(const uint8_t x, const int n) {
    return static_cast<uint8_t>((x << n) | (x >> (8 - n)));
}

// The S-box: the multiplicative inverse in GF(2^8) (through powers of the generator 3)
// followed by the affine map.
constexpr std::array<uint8_t, 256> makeSbox() {
    std::array<uint8_t, 256> power{};
    std::array<uint8_t, 256> log{};
    uint8_t p = 1;
    for (int i = 0; i < 255; ++i) {
        power[i] = p;
        log[p] = static_cast<uint8_t>(i);
        p = static_cast<uint8_t>(p ^ xtime(p));
    }
    std::array<uint8_t, 256> s{};
    for (int x = 0; x < 256; ++x) {
        const uint8_t inv = x == 0 ? 0 : power[(255 - log[x]) % 255];
        s[x] = static_cast<uint8_t>(inv ^ rotl8(inv, 1) ^ rotl8(inv, 2) ^ rotl8(inv, 3) ^
                                    rotl8(inv, 4) ^ 0x63);
    }
    return s;
}

constexpr std::array<uint8_t, 256> SBOX = makeSbox();

constexpr std::array<uint8_t, 256> makeInvSbox() {
    std::array<uint8_t, 256> s{};
    for (int x = 0; x < 256; ++x) {
        s[SBOX[x]] = static_cast<uint8_t>(x);
    }
    return s;
}

constexpr std::array<uint8_t, 256> INV_SBOX = makeInvSbox();

constexpr uint32_t word(const uint8_t a, const uint8_t b, const uint8_t c, const uint8_t d) {
    return (uint32_t{a} << 24) | (uint32_t{b} << 16) | (uint32_t{c} << 8) | d;
}

constexpr uint32_t rotr(const uint32_t x, const int n) {
    return (x >> n) | (x << (32 - n));
}

using Table = std::array<std::array<uint32_t, 256>, 4>;

// Round tables: SubBytes and MixColumns of one byte, rotated for each row.
constexpr Table makeEncTables() {
    Table t{};
    for (int x = 0; x < 256; ++x) {
        const uint8_t s = SBOX[x];
        const uint32_t w = word(gmul(s, 2), s, s, gmul(s, 3));
        for (int r = 0; r < 4; ++r) {
            t[r][x] = r == 0 ? w : rotr(w, 8 * r);
        }
    }
    return t;
}

constexpr Table makeDecTables() {
    Table t{};
    for (int x = 0; x < 256; ++x) {
        const uint8_t s = INV_SBOX[x];
        const uint32_t w = word(gmul(s, 14), gmul(s, 9), gmul(s, 13), gmul(s, 11));
        for (int r = 0; r < 4; ++r) {
            t[r][x] = r == 0 ? w : rotr(w, 8 * r);
        }
    }
    return t;
}

constexpr Table TE = makeEncTables();
constexpr Table TD = makeDecTables();

uint32_t subWord(const uint32_t w) {
    return word(SBOX[w >> 24], SBOX[(w >> 16) & 0xFF], SBOX[(w >> 8) & 0xFF], SBOX[w & 0xFF]);
}

uint32_t invMixColumn(const uint32_t w) {
    return TD[0][SBOX[w >> 24]] ^ TD[1][SBOX[(w >> 16) & 0xFF]] ^ TD[2][SBOX[(w >> 8) & 0xFF]] ^
           TD[3][SBOX[w & 0xFF]];
}

inline uint8_t b0(const uint32_t w) {
    return static_cast<uint8_t>(w >> 24);
}
inline uint8_t b1(const uint32_t w) {
    return static_cast<uint8_t>(w >> 16);
}
inline uint8_t b2(const uint32_t w) {
    return static_cast<uint8_t>(w >> 8);
}
inline uint8_t b3(const uint32_t w) {
    return static_cast<uint8_t>(w);
}

inline void encryptUnit(const zq_aes::Schedule& s, const uint8_t* const in, uint8_t* const out) {
    const uint32_t* rk = s.enc;
    uint32_t s0 = loadBe<uint32_t>(in) ^ rk[0];
    uint32_t s1 = loadBe<uint32_t>(in + 4) ^ rk[1];
    uint32_t s2 = loadBe<uint32_t>(in + 8) ^ rk[2];
    uint32_t s3 = loadBe<uint32_t>(in + 12) ^ rk[3];
    for (uint32_t r = 1; r < s.rounds; ++r) {
        rk += 4;
        const uint32_t t0 = TE[0][b0(s0)] ^ TE[1][b1(s1)] ^ TE[2][b2(s2)] ^ TE[3][b3(s3)] ^ rk[0];
        const uint32_t t1 = TE[0][b0(s1)] ^ TE[1][b1(s2)] ^ TE[2][b2(s3)] ^ TE[3][b3(s0)] ^ rk[1];
        const uint32_t t2 = TE[0][b0(s2)] ^ TE[1][b1(s3)] ^ TE[2][b2(s0)] ^ TE[3][b3(s1)] ^ rk[2];
        const uint32_t t3 = TE[0][b0(s3)] ^ TE[1][b1(s0)] ^ TE[2][b2(s1)] ^ TE[3][b3(s2)] ^ rk[3];
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    rk += 4;
    storeBe(out, word(SBOX[b0(s0)], SBOX[b1(s1)], SBOX[b2(s2)], SBOX[b3(s3)]) ^ rk[0]);
    storeBe(out + 4, word(SBOX[b0(s1)], SBOX[b1(s2)], SBOX[b2(s3)], SBOX[b3(s0)]) ^ rk[1]);
    storeBe(out + 8, word(SBOX[b0(s2)], SBOX[b1(s3)], SBOX[b2(s0)], SBOX[b3(s1)]) ^ rk[2]);
    storeBe(out + 12, word(SBOX[b0(s3)], SBOX[b1(s0)], SBOX[b2(s1)], SBOX[b3(s2)]) ^ rk[3]);
}

inline void decryptUnit(const zq_aes::Schedule& s, const uint8_t* const in, uint8_t* const out) {
    const uint32_t* rk = s.dec;
    uint32_t s0 = loadBe<uint32_t>(in) ^ rk[0];
    uint32_t s1 = loadBe<uint32_t>(in + 4) ^ rk[1];
    uint32_t s2 = loadBe<uint32_t>(in + 8) ^ rk[2];
    uint32_t s3 = loadBe<uint32_t>(in + 12) ^ rk[3];
    for (uint32_t r = 1; r < s.rounds; ++r) {
        rk += 4;
        const uint32_t t0 = TD[0][b0(s0)] ^ TD[1][b1(s3)] ^ TD[2][b2(s2)] ^ TD[3][b3(s1)] ^ rk[0];
        const uint32_t t1 = TD[0][b0(s1)] ^ TD[1][b1(s0)] ^ TD[2][b2(s3)] ^ TD[3][b3(s2)] ^ rk[1];
        const uint32_t t2 = TD[0][b0(s2)] ^ TD[1][b1(s1)] ^ TD[2][b2(s0)] ^ TD[3][b3(s3)] ^ rk[2];
        const uint32_t t3 = TD[0][b0(s3)] ^ TD[1][b1(s2)] ^ TD[2][b2(s1)] ^ TD[3][b3(s0)] ^ rk[3];
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    rk += 4;
    const auto& is = INV_SBOX;
    storeBe(out, word(is[b0(s0)], is[b1(s3)], is[b2(s2)], is[b3(s1)]) ^ rk[0]);
    storeBe(out + 4, word(is[b0(s1)], is[b1(s0)], is[b2(s3)], is[b3(s2)]) ^ rk[1]);
    storeBe(out + 8, word(is[b0(s2)], is[b1(s1)], is[b2(s0)], is[b3(s3)]) ^ rk[2]);
    storeBe(out + 12, word(is[b0(s3)], is[b1(s2)], is[b2(s1)], is[b3(s0)]) ^ rk[3]);
}

bool detectHardware() {
    unsigned a = 0;
    unsigned b = 0;
    unsigned c = 0;
    unsigned d = 0;
    // AES-NI and SSE4.1 (for the loads the compiler may pick).
    return __get_cpuid(1, &a, &b, &c, &d) != 0 && (c & (1u << 25)) != 0 && (c & (1u << 19)) != 0;
}

const bool HAS_HARDWARE = detectHardware();

// The operating system must also save the 256-bit registers (XCR0 bits 1 and 2).
__attribute__((target("xsave"))) bool osSavesWideRegisters() {
    return (_xgetbv(0) & 6) == 6;
}

bool detectWide() {
    unsigned a = 0;
    unsigned b = 0;
    unsigned c = 0;
    unsigned d = 0;
    if (!HAS_HARDWARE || __get_cpuid(1, &a, &b, &c, &d) == 0 || (c & (1u << 27)) == 0 ||
        !osSavesWideRegisters()) {
        return false;
    }
    // AVX2 (leaf 7, EBX bit 5) and VAES (ECX bit 9).
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) != 0 && (b & (1u << 5)) != 0 &&
           (c & (1u << 9)) != 0;
}

const bool HAS_WIDE = detectWide();
bool g_allowHardware = true;

// A fixed key so that a new cipher works before its first setKey.
constexpr uint8_t DEFAULT_KEY[16] = {0x5A, 0x51, 0x20, 0x61, 0x65, 0x73, 0x20, 0x64,
                                     0x65, 0x66, 0x61, 0x75, 0x6C, 0x74, 0x2E, 0x31};

} // namespace

void zq_aes::expandKey(Schedule& s, const uint8_t* const key, const uint32_t length) {
    const uint32_t nk = length / 4;
    s.rounds = nk + 6;
    const uint32_t total = 4 * (s.rounds + 1);
    for (uint32_t i = 0; i < nk; ++i) {
        s.enc[i] = loadBe<uint32_t>(key + 4 * i);
    }
    uint8_t rcon = 1;
    for (uint32_t i = nk; i < total; ++i) {
        uint32_t t = s.enc[i - 1];
        if (i % nk == 0) {
            t = subWord((t << 8) | (t >> 24)) ^ (uint32_t{rcon} << 24);
            rcon = xtime(rcon);
        } else if (nk == 8 && i % nk == 4) {
            t = subWord(t);
        }
        s.enc[i] = s.enc[i - nk] ^ t;
    }
    // The equivalent inverse cipher: round keys in reverse, inner ones through InvMixColumns.
    for (uint32_t r = 0; r <= s.rounds; ++r) {
        for (uint32_t j = 0; j < 4; ++j) {
            const uint32_t w = s.enc[4 * (s.rounds - r) + j];
            s.dec[4 * r + j] = (r == 0 || r == s.rounds) ? w : invMixColumn(w);
        }
    }
    for (uint32_t i = 0; i < total; ++i) {
        storeBe(s.encBytes + 4 * i, s.enc[i]);
        storeBe(s.decBytes + 4 * i, s.dec[i]);
    }
}

void zq_aes::encryptPortable(const Schedule& s, const uint8_t* in, uint8_t* out, size_t nUnits) {
    for (; nUnits != 0; --nUnits, in += 16, out += 16) {
        encryptUnit(s, in, out);
    }
}

void zq_aes::decryptPortable(const Schedule& s, const uint8_t* in, uint8_t* out, size_t nUnits) {
    for (; nUnits != 0; --nUnits, in += 16, out += 16) {
        decryptUnit(s, in, out);
    }
}

bool zq_aes::hasHardware() {
    return HAS_HARDWARE;
}

void zq_aes::allowHardware(const bool allow) {
    g_allowHardware = allow;
}

bool zq_aes::usesHardware() {
    return HAS_HARDWARE && g_allowHardware;
}

namespace {

#define ZQ_AES_TARGET __attribute__((target("aes,sse4.1")))

ZQ_AES_TARGET inline __m128i loadU(const uint8_t* const p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
ZQ_AES_TARGET inline void storeU(uint8_t* const p, const __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

constexpr size_t LANES = 8;

// Runs the rounds over `count` (1 to LANES) states at once so that the instruction latencies
// overlap.
template <bool ENC>
ZQ_AES_TARGET inline void rounds(const uint8_t* const keys, const uint32_t nr, __m128i* const x,
                                 const size_t count) {
    __m128i k = loadU(keys);
    for (size_t j = 0; j < count; ++j) {
        x[j] = _mm_xor_si128(x[j], k);
    }
    for (uint32_t r = 1; r < nr; ++r) {
        k = loadU(keys + 16 * r);
        for (size_t j = 0; j < count; ++j) {
            x[j] = ENC ? _mm_aesenc_si128(x[j], k) : _mm_aesdec_si128(x[j], k);
        }
    }
    k = loadU(keys + 16 * nr);
    for (size_t j = 0; j < count; ++j) {
        x[j] = ENC ? _mm_aesenclast_si128(x[j], k) : _mm_aesdeclast_si128(x[j], k);
    }
}

template <bool ENC>
ZQ_AES_TARGET void ecbHardware(const zq_aes::Schedule& s, const uint8_t* in, uint8_t* out,
                               size_t n) {
    const uint8_t* const keys = ENC ? s.encBytes : s.decBytes;
    __m128i x[LANES];
    while (n != 0) {
        const size_t count = n < LANES ? n : LANES;
        for (size_t j = 0; j < count; ++j) {
            x[j] = loadU(in + 16 * j);
        }
        rounds<ENC>(keys, s.rounds, x, count);
        for (size_t j = 0; j < count; ++j) {
            storeU(out + 16 * j, x[j]);
        }
        in += 16 * count;
        out += 16 * count;
        n -= count;
    }
}

} // namespace

ZQ_AES_TARGET void zq_aes::encryptHardware(const Schedule& s, const uint8_t* in, uint8_t* out,
                                           size_t nUnits) {
    ecbHardware<true>(s, in, out, nUnits);
}

ZQ_AES_TARGET void zq_aes::decryptHardware(const Schedule& s, const uint8_t* in, uint8_t* out,
                                           size_t nUnits) {
    ecbHardware<false>(s, in, out, nUnits);
}

// Enciphering chains each unit to the one before: one unit at a time. Chain unit i is read
// only after output unit i-1 is stored, as the interface promises.
ZQ_AES_TARGET void zq_aes::encryptCbcHardware(const Schedule& s, const uint8_t* in,
                                              const uint8_t* chain, uint8_t* out, size_t nUnits) {
    for (; nUnits != 0; --nUnits, in += 16, chain += 16, out += 16) {
        __m128i x = _mm_xor_si128(loadU(in), loadU(chain));
        rounds<true>(s.encBytes, s.rounds, &x, 1);
        storeU(out, x);
    }
}

// Deciphering has no such dependence: several units at once, each output combined with its
// chain unit in order after the units before it are stored.
ZQ_AES_TARGET void zq_aes::decryptCbcHardware(const Schedule& s, const uint8_t* chain,
                                              const uint8_t* in, uint8_t* out, size_t nUnits) {
    __m128i x[LANES];
    while (nUnits != 0) {
        const size_t count = nUnits < LANES ? nUnits : LANES;
        for (size_t j = 0; j < count; ++j) {
            x[j] = loadU(in + 16 * j);
        }
        rounds<false>(s.decBytes, s.rounds, x, count);
        for (size_t j = 0; j < count; ++j) {
            storeU(out + 16 * j, _mm_xor_si128(x[j], loadU(chain + 16 * j)));
        }
        in += 16 * count;
        chain += 16 * count;
        out += 16 * count;
        nUnits -= count;
    }
}

namespace {

#define ZQ_AES_WIDE_TARGET __attribute__((target("vaes,avx2,aes,sse4.1")))

constexpr size_t WIDE_LANES = 4; // 256-bit registers: eight units a round

template <bool ENC>
ZQ_AES_WIDE_TARGET inline void wideRounds(const __m256i* const k, const uint32_t nr,
                                          __m256i* const x) {
    for (size_t j = 0; j < WIDE_LANES; ++j) {
        x[j] = _mm256_xor_si256(x[j], k[0]);
    }
    for (uint32_t r = 1; r < nr; ++r) {
        for (size_t j = 0; j < WIDE_LANES; ++j) {
            x[j] = ENC ? _mm256_aesenc_epi128(x[j], k[r]) : _mm256_aesdec_epi128(x[j], k[r]);
        }
    }
    for (size_t j = 0; j < WIDE_LANES; ++j) {
        x[j] = ENC ? _mm256_aesenclast_epi128(x[j], k[nr]) : _mm256_aesdeclast_epi128(x[j], k[nr]);
    }
}

ZQ_AES_WIDE_TARGET inline void wideKeys(const uint8_t* const keys, const uint32_t nr,
                                        __m256i* const k) {
    for (uint32_t r = 0; r <= nr; ++r) {
        k[r] = _mm256_broadcastsi128_si256(loadU(keys + 16 * r));
    }
}

ZQ_AES_WIDE_TARGET inline __m256i loadW(const uint8_t* const p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

ZQ_AES_WIDE_TARGET inline void storeW(uint8_t* const p, const __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// Eight units at a time; the rest goes through the 128-bit core.
template <bool ENC>
ZQ_AES_WIDE_TARGET void ecbWide(const zq_aes::Schedule& s, const uint8_t* in, uint8_t* out,
                                size_t n) {
    __m256i k[15];
    wideKeys(ENC ? s.encBytes : s.decBytes, s.rounds, k);
    for (; n >= 2 * WIDE_LANES; n -= 2 * WIDE_LANES, in += 128, out += 128) {
        __m256i x[WIDE_LANES];
        for (size_t j = 0; j < WIDE_LANES; ++j) {
            x[j] = loadW(in + 32 * j);
        }
        wideRounds<ENC>(k, s.rounds, x);
        for (size_t j = 0; j < WIDE_LANES; ++j) {
            storeW(out + 32 * j, x[j]);
        }
    }
    if (n != 0) {
        ecbHardware<ENC>(s, in, out, n);
    }
}

} // namespace

bool zq_aes::hasWideHardware() {
    return HAS_WIDE;
}

ZQ_AES_WIDE_TARGET void zq_aes::encryptWide(const Schedule& s, const uint8_t* in, uint8_t* out,
                                            size_t nUnits) {
    ecbWide<true>(s, in, out, nUnits);
}

ZQ_AES_WIDE_TARGET void zq_aes::decryptWide(const Schedule& s, const uint8_t* in, uint8_t* out,
                                            size_t nUnits) {
    ecbWide<false>(s, in, out, nUnits);
}

// Each output pair is combined with its chain units only after the units before are stored.
ZQ_AES_WIDE_TARGET void zq_aes::decryptCbcWide(const Schedule& s, const uint8_t* chain,
                                               const uint8_t* in, uint8_t* out, size_t nUnits) {
    __m256i k[15];
    wideKeys(s.decBytes, s.rounds, k);
    for (; nUnits >= 2 * WIDE_LANES;
         nUnits -= 2 * WIDE_LANES, in += 128, chain += 128, out += 128) {
        __m256i x[WIDE_LANES];
        for (size_t j = 0; j < WIDE_LANES; ++j) {
            x[j] = loadW(in + 32 * j);
        }
        wideRounds<false>(k, s.rounds, x);
        for (size_t j = 0; j < WIDE_LANES; ++j) {
            storeW(out + 32 * j, _mm256_xor_si256(x[j], loadW(chain + 32 * j)));
        }
    }
    if (nUnits != 0) {
        decryptCbcHardware(s, chain, in, out, nUnits);
    }
}

ZqAes::ZqAes() : m_pSchedule(std::make_unique<zq_aes::Schedule>()) {
    zq_aes::expandKey(*m_pSchedule, DEFAULT_KEY, sizeof DEFAULT_KEY);
}

ZqAes::~ZqAes() = default;

bool ZqAes::setKey(const void* const key, const uint32_t length) {
    if (key == nullptr || (length != 16 && length != 24 && length != 32)) {
        return false;
    }
    zq_aes::expandKey(*m_pSchedule, static_cast<const uint8_t*>(key), length);
    return true;
}

void ZqAes::encodeEcb(const void* const src, void* const dst, const uint32_t n) const {
    const auto* const in = static_cast<const uint8_t*>(src);
    auto* const out = static_cast<uint8_t*>(dst);
    if (zq_aes::usesHardware()) {
        HAS_WIDE ? zq_aes::encryptWide(*m_pSchedule, in, out, n)
                 : zq_aes::encryptHardware(*m_pSchedule, in, out, n);
    } else {
        zq_aes::encryptPortable(*m_pSchedule, in, out, n);
    }
}

void ZqAes::decodeEcb(const void* const src, void* const dst, const uint32_t n) const {
    const auto* const in = static_cast<const uint8_t*>(src);
    auto* const out = static_cast<uint8_t*>(dst);
    if (zq_aes::usesHardware()) {
        HAS_WIDE ? zq_aes::decryptWide(*m_pSchedule, in, out, n)
                 : zq_aes::decryptHardware(*m_pSchedule, in, out, n);
    } else {
        zq_aes::decryptPortable(*m_pSchedule, in, out, n);
    }
}

void ZqAes::encodeCbc(const void* const src, const void* const chain, void* const dst,
                      const uint32_t n) const {
    if (zq_aes::usesHardware()) {
        zq_aes::encryptCbcHardware(*m_pSchedule, static_cast<const uint8_t*>(src),
                                   static_cast<const uint8_t*>(chain), static_cast<uint8_t*>(dst),
                                   n);
        return;
    }
    const zq_aes::Schedule& s = *m_pSchedule;
    zq_modes::encodeCbc(src, chain, dst, n,
                        [&s](const uint8_t* in, uint8_t* out) { encryptUnit(s, in, out); });
}

void ZqAes::decodeCbc(const void* const chain, const void* const src, void* const dst,
                      const uint32_t n) const {
    if (zq_aes::usesHardware()) {
        const auto* const c = static_cast<const uint8_t*>(chain);
        const auto* const in = static_cast<const uint8_t*>(src);
        auto* const out = static_cast<uint8_t*>(dst);
        HAS_WIDE ? zq_aes::decryptCbcWide(*m_pSchedule, c, in, out, n)
                 : zq_aes::decryptCbcHardware(*m_pSchedule, c, in, out, n);
        return;
    }
    const zq_aes::Schedule& s = *m_pSchedule;
    zq_modes::decodeCbc(chain, src, dst, n,
                        [&s](const uint8_t* in, uint8_t* out) { decryptUnit(s, in, out); });
}
