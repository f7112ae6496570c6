// Hashes and digests against published vectors, the documented values, a literal reference of
// the name id, and OpenSSL as an independent oracle on random buffers.
#include "zq/crypto/ZqHash.h"
#include "zq/crypto/ZqCrc32c_internal.h"
#include "zq/crypto/ZqSha256Core_internal.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

std::string hex(const uint8_t* const p, const size_t n) {
    std::string s;
    char buf[3];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%02x", p[i]);
        s += buf;
    }
    return s;
}

using DigestFn = void (*)(uint8_t*, const void*, uint32_t);

struct Algo {
    const char* name;
    DigestFn ours;
    const EVP_MD* (*openssl)();
    size_t length;
};

const Algo ALGOS[] = {
    {"MD5", &zqCalcMd5, &EVP_md5, 16},
    {"SHA-256", &zqCalcSha256, &EVP_sha256, 32},
    {"SHA-384", &zqCalcSha384, &EVP_sha384, 48},
    {"SHA-512", &zqCalcSha512, &EVP_sha512, 64},
};

std::string ours(const Algo& a, const std::string& msg) {
    uint8_t d[64] = {};
    a.ours(d, msg.data(), static_cast<uint32_t>(msg.size()));
    return hex(d, a.length);
}

// The name id exactly as documented: collect the taken characters, then pack groups of ten.
uint64_t referenceNameId(const std::string& name) {
    std::string taken;
    unsigned others = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c >= 'A' && c <= 'Z') {
            taken += static_cast<char>(c - 'A' + 'a');
        } else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            taken += static_cast<char>(c);
        } else if (c == '/' || c == '\\') {
            taken.clear();
            others = 0;
        } else if (c == '.') {
            const unsigned char next = i + 1 < name.size() ? name[i + 1] : 0;
            if (!(next >= '0' && next <= '9')) {
                break;
            }
        } else {
            ++others;
        }
    }
    if (taken.empty()) {
        taken.push_back(0);
    }
    while (taken.size() % 10 != 0) {
        taken.push_back(0);
    }
    uint64_t id = 0;
    for (size_t g = 0; g < taken.size(); g += 10) {
        uint64_t v = 0;
        for (size_t k = 0; k < 10; ++k) {
            const unsigned char c = taken[g + k];
            const uint64_t code = c == 0 ? 0 : c >= 'a' ? c - 96u : c - 20u;
            v |= code << (54 - 6 * k);
        }
        id ^= v;
    }
    return id | (static_cast<uint64_t>(others % 8) << 60);
}

std::vector<uint8_t> randomBytes(std::mt19937& rng, const size_t n) {
    std::vector<uint8_t> v(n);
    for (auto& b : v) {
        b = static_cast<uint8_t>(rng());
    }
    return v;
}

} // namespace

TEST(ZqHash, NameIdDocumentedValues) {
    const struct {
        const char* name;
        uint64_t id;
    } cases[] = {
        {"", 0},
        {".hidden", 0},
        {"/", 0},
        {"abc", 0x00420C0000000000ull},
        {"ABC", 0x00420C0000000000ull},
        {"ABC.png", 0x00420C0000000000ull},
        {"abc.", 0x00420C0000000000ull},
        {"old/dir/abc", 0x00420C0000000000ull},
        {"x_y/abc", 0x00420C0000000000ull}, // the separator also clears the count
        {"dir\\ABC_x.png", 0x10420D8000000000ull},
        {"bone.01", 0x008F38571D000000ull},
        {"abcdefghijk", 0x02820C41461C824Aull},
        {"_abc", 0x10420C0000000000ull},
        {"_________abc", 0x10420C0000000000ull}, // nine others, modulo 8
        {"\xE9"
         "abc",
         0x10420C0000000000ull}, // bytes above 0x7F are other characters
        {"abc/", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(zqCalcNameId64(c.name), c.id) << '"' << c.name << '"';
    }
}

TEST(ZqHash, NameIdMatchesLiteralReferenceOnRandomNames) {
    // Letters, digits, separators, dots and other bytes in a mix that hits every rule,
    // including names well past one group of ten.
    static const char ALPHABET[] = "aZk09.._-/\\ \x80\xFFqQ7";
    std::mt19937 rng(1234);
    for (int n = 0; n < 5000; ++n) {
        std::string name(rng() % 70, ' ');
        for (auto& c : name) {
            c = ALPHABET[rng() % (sizeof ALPHABET - 1)];
        }
        ASSERT_EQ(zqCalcNameId64(name.c_str()), referenceNameId(name)) << '"' << name << '"';
    }
}

TEST(ZqHash, Crc32PublishedVectors) {
    EXPECT_EQ(zqCalcCrc32("123456789", 9), 0xE3069283u);
    EXPECT_EQ(zqCalcCrc32("abc", 3), 0x364B3FB7u);
    EXPECT_EQ(zqCalcCrc32(nullptr, 0), 0u);
    EXPECT_EQ(zqCalcCrc32(0x12345678u, "", 0), 0x12345678u);
    EXPECT_EQ(zqCalcCrc32(zqCalcCrc32("ab", 2), "c", 1), 0x364B3FB7u);

    // iSCSI's test patterns of 32 bytes.
    uint8_t zeros[32] = {};
    uint8_t ones[32];
    uint8_t up[32];
    uint8_t down[32];
    for (int i = 0; i < 32; ++i) {
        ones[i] = 0xFF;
        up[i] = static_cast<uint8_t>(i);
        down[i] = static_cast<uint8_t>(31 - i);
    }
    EXPECT_EQ(zqCalcCrc32(zeros, 32), 0x8A9136AAu);
    EXPECT_EQ(zqCalcCrc32(ones, 32), 0x62A8AB43u);
    EXPECT_EQ(zqCalcCrc32(up, 32), 0x46DD794Eu);
    EXPECT_EQ(zqCalcCrc32(down, 32), 0x113FDB5Cu);
}

TEST(ZqHash, Crc32CoresAgreeAndPiecesChain) {
    std::mt19937 rng(99);
    const std::vector<uint8_t> buf = randomBytes(rng, 400);
    for (uint32_t len = 0; len <= 300; ++len) {
        for (uint32_t offset = 0; offset < 8; ++offset) {
            const uint8_t* const p = buf.data() + offset;
            const uint32_t ref = ~zq_crc32c::bytewise(~0u, p, len);
            ASSERT_EQ(~zq_crc32c::sliced(~0u, p, len), ref) << len << '+' << offset;
            if (zq_crc32c::hasHardware()) {
                ASSERT_EQ(~zq_crc32c::hardware(~0u, p, len), ref) << len << '+' << offset;
            }
            ASSERT_EQ(zqCalcCrc32(p, len), ref);
            const uint32_t cut = len == 0 ? 0 : rng() % (len + 1);
            ASSERT_EQ(zqCalcCrc32(zqCalcCrc32(p, cut), p + cut, len - cut), ref);
        }
    }
}

TEST(ZqHash, FnvDocumentedValues) {
    const struct {
        const char* data;
        uint32_t size;
        uint64_t hash;
    } cases[] = {
        {"", 0, 0xAF63BD4C8601B7DFull},
        {"abc", 3, 0xAF63BD4C8660D5BCull},
        {"abcdefgh", 8, 0x9016262BADF131DAull},
        {"abcdefghi", 9, 0x9016262BADF131B3ull},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(zqCalcFnv(c.data, c.size), c.hash) << '"' << c.data << '"';
    }
    // Unaligned data hashes the same.
    char shifted[16] = {};
    std::memcpy(shifted + 3, "abcdefghi", 9);
    EXPECT_EQ(zqCalcFnv(shifted + 3, 9), 0x9016262BADF131B3ull);
    // UTF-16 names as the pools hash them: the code units' bytes, little-endian.
    const char16_t name[] = u"ab";
    EXPECT_EQ(zqCalcFnv(name, 4), 0xAF63BD4C8601B7DFull ^ 0x61006200ull);
}

TEST(ZqHash, DigestPublishedVectors) {
    const std::string million(1000000, 'a');
    // RFC 1321's test suite.
    const struct {
        std::string msg;
        const char* md5;
    } md5Cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"1234567890123456789012345678901234567890123456789012345678901234567890123456789"
         "0",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : md5Cases) {
        EXPECT_EQ(ours(ALGOS[0], c.msg), c.md5) << c.msg;
    }

    // FIPS 180-2's examples: one block, two blocks, and a million times 'a'.
    const std::string two256 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    const std::string two512 = "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmno"
                               "ijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu";
    const struct {
        const Algo& algo;
        std::string msg;
        const char* digest;
    } shaCases[] = {
        {ALGOS[1], "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {ALGOS[1], two256, "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {ALGOS[1], million, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        {ALGOS[2], "abc",
         "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baec"
         "a134c825a7"},
        {ALGOS[2], two512,
         "09330c33f71147e83d192fc782cd1b4753111b173b3b05d22fa08086e3b0f712fcc7c71a557e2db966c3e9"
         "fa91746039"},
        {ALGOS[2], million,
         "9d0e1809716474cb086e834e310a4a1ced149e9c00f248527972cec5704c2a5b07b8b3dc38ecc4ebae97dd"
         "d87f3d8985"},
        {ALGOS[3], "abc",
         "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c"
         "23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
        {ALGOS[3], two512,
         "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018501d289e4900f7e4331b99"
         "dec4b5433ac7d329eeb6dd26545e96e55b874be909"},
        {ALGOS[3], million,
         "e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973ebde0ff244877ea60a4cb043"
         "2ce577c31beb009c5c2c49aa2e4eadb217ad8cc09b"},
    };
    for (const auto& c : shaCases) {
        EXPECT_EQ(ours(c.algo, c.msg), c.digest) << c.algo.name << ' ' << c.msg.substr(0, 20);
    }
}

TEST(ZqHash, DigestsMatchOpenSslOnRandomBuffers) {
    std::mt19937 rng(7);
    const std::vector<uint8_t> small = randomBytes(rng, 301 + 7);
    const std::vector<uint8_t> large = randomBytes(rng, (3u << 20) + 77);
    uint8_t mine[64];
    uint8_t theirs[EVP_MAX_MD_SIZE];
    unsigned theirLength = 0;

    for (const Algo& a : ALGOS) {
        // Every length that crosses the padding boundaries, at a misaligned address.
        for (uint32_t len = 0; len <= 300; ++len) {
            const uint8_t* const p = small.data() + (len % 7);
            a.ours(mine, p, len);
            ASSERT_EQ(EVP_Digest(p, len, theirs, &theirLength, a.openssl(), nullptr), 1);
            ASSERT_EQ(theirLength, a.length);
            ASSERT_EQ(hex(mine, a.length), hex(theirs, a.length)) << a.name << " len " << len;
        }
        for (const uint32_t len : {1u << 20, 3u << 20, (3u << 20) + 77}) {
            a.ours(mine, large.data(), len);
            ASSERT_EQ(EVP_Digest(large.data(), len, theirs, &theirLength, a.openssl(), nullptr), 1);
            ASSERT_EQ(hex(mine, a.length), hex(theirs, a.length)) << a.name << " len " << len;
        }
    }
}

TEST(ZqHash, Crc32LargeBufferInPieces) {
    std::mt19937 rng(11);
    const std::vector<uint8_t> buf = randomBytes(rng, (2u << 20) + 5);
    const uint32_t size = static_cast<uint32_t>(buf.size());
    const uint32_t whole = zqCalcCrc32(buf.data(), size);
    EXPECT_EQ(whole, ~zq_crc32c::bytewise(~0u, buf.data(), size));
    uint32_t crc = 0;
    for (uint32_t at = 0; at < size;) {
        const uint32_t n = std::min<uint32_t>(size - at, 1 + rng() % 70000);
        crc = zqCalcCrc32(crc, buf.data() + at, n);
        at += n;
    }
    EXPECT_EQ(crc, whole);
}

TEST(ZqHash, Sha256CoresAgree) {
    // The digest tests above go through whichever core this processor picks; compare the two
    // directly so the other one is checked too.
    if (!zq_sha256::hasHardware()) {
        GTEST_SKIP() << "no SHA extensions on this processor";
    }
    std::mt19937 rng(11);
    std::vector<uint8_t> data(64 * 33);
    for (auto& b : data) {
        b = static_cast<uint8_t>(rng());
    }
    for (size_t blocks = 0; blocks <= 33; ++blocks) {
        uint32_t a[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                         0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
        uint32_t b[8];
        std::copy(a, a + 8, b);
        zq_sha256::portable(a, data.data(), blocks);
        zq_sha256::hardware(b, data.data(), blocks);
        ASSERT_TRUE(std::equal(a, a + 8, b)) << blocks << " blocks";
    }
}
