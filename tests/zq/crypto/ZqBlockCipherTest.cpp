// Block ciphers against published vectors (FIPS-197, SP 800-38A, RFC 3713 and the Blowfish
// set with each 4-byte half reversed), OpenSSL as an oracle over random keys and lengths
// (Blowfish through its legacy provider), the chain-array rules and both AES cores.
#include "zq/crypto/ZqAes.h"
#include "zq/crypto/ZqAesCore_internal.h"
#include "zq/crypto/ZqBlowfish.h"
#include "zq/crypto/ZqCamellia.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes unhex(const std::string& s) {
    Bytes out;
    for (size_t i = 0; i + 1 < s.size(); i += 2) {
        out.push_back(static_cast<uint8_t>(std::stoul(s.substr(i, 2), nullptr, 16)));
    }
    return out;
}

std::string hex(const Bytes& b) {
    static const char* const DIGITS = "0123456789abcdef";
    std::string s;
    for (const uint8_t x : b) {
        s += DIGITS[x >> 4];
        s += DIGITS[x & 15];
    }
    return s;
}

Bytes randomBytes(std::mt19937& rng, const size_t n) {
    Bytes v(n);
    for (auto& b : v) {
        b = static_cast<uint8_t>(rng());
    }
    return v;
}

// The Blowfish unit's byte order: every 4-byte group reversed.
Bytes swapHalves(Bytes b) {
    for (size_t i = 0; i + 4 <= b.size(); i += 4) {
        std::reverse(b.begin() + i, b.begin() + i + 4);
    }
    return b;
}

constexpr ZqBlockCipher::TYPE TYPES[] = {ZqBlockCipher::TYPE_AES, ZqBlockCipher::TYPE_BLOWFISH,
                                         ZqBlockCipher::TYPE_CAMELLIA};

Bytes ecb(const ZqBlockCipher& c, const Bytes& in, const bool enc) {
    Bytes out(in.size());
    const auto n = static_cast<uint32_t>(in.size() / 16);
    enc ? c.encodeEcb(in.data(), out.data(), n) : c.decodeEcb(in.data(), out.data(), n);
    return out;
}

// Every test runs once on the AES core the processor picks and once on the portable core.
class ZqBlockCipherTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (GetParam() && !zq_aes::hasHardware()) {
            GTEST_SKIP() << "no AES instructions on this processor";
        }
        zq_aes::allowHardware(GetParam());
    }
    void TearDown() override { zq_aes::allowHardware(true); }
};

INSTANTIATE_TEST_SUITE_P(Cores, ZqBlockCipherTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "hardware" : "portable"; });

// OpenSSL's cipher by name, ECB or CBC, without padding.
Bytes openssl(const char* name, const Bytes& key, const Bytes& iv, const Bytes& in,
              const bool enc) {
    EVP_CIPHER* const cipher = EVP_CIPHER_fetch(nullptr, name, nullptr);
    EXPECT_NE(cipher, nullptr) << name;
    if (cipher == nullptr) {
        return {};
    }
    EVP_CIPHER_CTX* const ctx = EVP_CIPHER_CTX_new();
    Bytes out(in.size() + 32);
    int n = 0;
    int tail = 0;
    bool ok = EVP_CipherInit_ex2(ctx, cipher, nullptr, nullptr, enc ? 1 : 0, nullptr) == 1;
    ok = ok && EVP_CIPHER_CTX_set_key_length(ctx, static_cast<int>(key.size())) == 1;
    ok = ok && EVP_CipherInit_ex2(ctx, nullptr, key.data(), iv.empty() ? nullptr : iv.data(),
                                  enc ? 1 : 0, nullptr) == 1;
    ok = ok && EVP_CIPHER_CTX_set_padding(ctx, 0) == 1;
    ok = ok && EVP_CipherUpdate(ctx, out.data(), &n, in.data(), static_cast<int>(in.size())) == 1;
    ok = ok && EVP_CipherFinal_ex(ctx, out.data() + n, &tail) == 1;
    EXPECT_TRUE(ok) << name;
    EVP_CIPHER_CTX_free(ctx);
    EVP_CIPHER_free(cipher);
    out.resize(static_cast<size_t>(n + tail));
    return out;
}

} // namespace

TEST_P(ZqBlockCipherTest, AesPublishedVectors) {
    ZqAes aes;
    // FIPS-197 appendix C.
    const Bytes plain = unhex("00112233445566778899aabbccddeeff");
    const struct {
        const char* key;
        const char* cipher;
    } fips[] = {
        {"000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {"000102030405060708090a0b0c0d0e0f1011121314151617", "dda97ca4864cdfe06eaf70a0ec0d7191"},
        {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
         "8ea2b7ca516745bfeafc49904b496089"},
    };
    for (const auto& v : fips) {
        const Bytes key = unhex(v.key);
        ASSERT_TRUE(aes.setKey(key.data(), static_cast<uint32_t>(key.size())));
        EXPECT_EQ(hex(ecb(aes, plain, true)), v.cipher) << v.key;
        EXPECT_EQ(hex(ecb(aes, unhex(v.cipher), false)), hex(plain)) << v.key;
    }

    // SP 800-38A F.1.1 and F.2.1: AES-128 ECB and CBC over four blocks.
    const Bytes key = unhex("2b7e151628aed2a6abf7158809cf4f3c");
    const Bytes text = unhex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
                             "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710");
    ASSERT_TRUE(aes.setKey(key.data(), 16));
    EXPECT_EQ(hex(ecb(aes, text, true)),
              "3ad77bb40d7a3660a89ecaf32466ef97f5d3d58503b9699de785895a96fdbaaf"
              "43b1cd7f598ece23881b00e3ed0306887b0c785e27e8ad3f8223207104725dd4");
    // CBC the usual way: the chain array starts at the vector just before the output.
    Bytes buf = unhex("000102030405060708090a0b0c0d0e0f");
    buf.resize(16 + text.size());
    aes.encodeCbc(text.data(), buf.data(), buf.data() + 16, 4);
    const Bytes cbc(buf.begin() + 16, buf.end());
    EXPECT_EQ(hex(cbc), "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"
                        "73bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7");
    Bytes back(text.size());
    aes.decodeCbc(buf.data(), buf.data() + 16, back.data(), 4);
    EXPECT_EQ(back, text);
}

TEST_P(ZqBlockCipherTest, CamelliaAndBlowfishPublishedVectors) {
    // RFC 3713 appendix A.
    ZqCamellia camellia;
    const Bytes plain = unhex("0123456789abcdeffedcba9876543210");
    const struct {
        const char* key;
        const char* cipher;
    } rfc[] = {
        {"0123456789abcdeffedcba9876543210", "67673138549669730857065648eabe43"},
        {"0123456789abcdeffedcba98765432100011223344556677", "b4993401b3e996f84ee5cee7d79b09b9"},
        {"0123456789abcdeffedcba987654321000112233445566778899aabbccddeeff",
         "9acc237dff16d76c20ef7c919e3a7509"},
    };
    for (const auto& v : rfc) {
        const Bytes key = unhex(v.key);
        ASSERT_TRUE(camellia.setKey(key.data(), static_cast<uint32_t>(key.size())));
        EXPECT_EQ(hex(ecb(camellia, plain, true)), v.cipher) << v.key;
        EXPECT_EQ(hex(ecb(camellia, unhex(v.cipher), false)), hex(plain)) << v.key;
    }

    // The published Blowfish vectors, each one put in both halves of a unit.
    ZqBlowfish blowfish;
    const struct {
        const char* key;
        const char* plain;
        const char* cipher;
    } bf[] = {
        {"0000000000000000", "0000000000000000", "4ef997456198dd78"},
        {"ffffffffffffffff", "ffffffffffffffff", "51866fd5b85ecb8a"},
        {"3000000000000000", "1000000000000001", "7d856f9a613063f2"},
        {"0123456789abcdef", "1111111111111111", "61f9c3802281b096"},
        {"fedcba9876543210", "0123456789abcdef", "0aceab0fc6a0a28d"},
    };
    for (const auto& v : bf) {
        const Bytes key = unhex(v.key);
        ASSERT_TRUE(blowfish.setKey(key.data(), 8));
        const Bytes in = swapHalves(unhex(std::string(v.plain) + v.plain));
        const Bytes out = ecb(blowfish, in, true);
        EXPECT_EQ(hex(swapHalves(out)), std::string(v.cipher) + v.cipher) << v.key;
        EXPECT_EQ(ecb(blowfish, out, false), in) << v.key;
    }
}

TEST_P(ZqBlockCipherTest, MatchesOpenSslOnRandomKeysAndLengths) {
    OSSL_PROVIDER* const legacy = OSSL_PROVIDER_load(nullptr, "legacy");
    OSSL_PROVIDER* const base = OSSL_PROVIDER_load(nullptr, "default");
    ASSERT_NE(legacy, nullptr) << "OpenSSL's legacy provider (Blowfish)";
    std::mt19937 rng(GetParam() ? 31 : 32);
    const struct {
        ZqBlockCipher::TYPE type;
        uint32_t keyLength;
        const char* ecbName;
        const char* cbcName;
    } cases[] = {
        {ZqBlockCipher::TYPE_AES, 16, "AES-128-ECB", "AES-128-CBC"},
        {ZqBlockCipher::TYPE_AES, 24, "AES-192-ECB", "AES-192-CBC"},
        {ZqBlockCipher::TYPE_AES, 32, "AES-256-ECB", "AES-256-CBC"},
        {ZqBlockCipher::TYPE_CAMELLIA, 16, "CAMELLIA-128-ECB", "CAMELLIA-128-CBC"},
        {ZqBlockCipher::TYPE_CAMELLIA, 24, "CAMELLIA-192-ECB", "CAMELLIA-192-CBC"},
        {ZqBlockCipher::TYPE_CAMELLIA, 32, "CAMELLIA-256-ECB", "CAMELLIA-256-CBC"},
        {ZqBlockCipher::TYPE_BLOWFISH, 4, "BF-ECB", nullptr},
        {ZqBlockCipher::TYPE_BLOWFISH, 16, "BF-ECB", nullptr},
        {ZqBlockCipher::TYPE_BLOWFISH, 56, "BF-ECB", nullptr},
    };
    for (const auto& c : cases) {
        const auto cipher = ZqBlockCipher::create(c.type);
        for (int round = 0; round < 12; ++round) {
            const uint32_t keyLength =
                c.type == ZqBlockCipher::TYPE_BLOWFISH && round % 2 ? 4 + rng() % 53 : c.keyLength;
            const Bytes key = randomBytes(rng, keyLength);
            ASSERT_TRUE(cipher->setKey(key.data(), keyLength));
            const uint32_t n = round == 0 ? 1 : 1 + rng() % 300;
            const Bytes plain = randomBytes(rng, 16 * n);
            const Bytes chain = randomBytes(rng, 16 * n);
            const std::string what = std::string(c.ecbName) + " key " + std::to_string(keyLength);

            if (c.type == ZqBlockCipher::TYPE_BLOWFISH) {
                // ECB, and CBC against ECB over the plain text combined with the chain array.
                const Bytes theirs =
                    swapHalves(openssl(c.ecbName, key, {}, swapHalves(plain), true));
                ASSERT_EQ(ecb(*cipher, plain, true), theirs) << what;
                ASSERT_EQ(ecb(*cipher, theirs, false), plain) << what;
                Bytes mixed = plain;
                for (size_t i = 0; i < mixed.size(); ++i) {
                    mixed[i] ^= chain[i];
                }
                Bytes out(plain.size());
                cipher->encodeCbc(plain.data(), chain.data(), out.data(), n);
                ASSERT_EQ(out, swapHalves(openssl(c.ecbName, key, {}, swapHalves(mixed), true)));
                Bytes back(plain.size());
                cipher->decodeCbc(chain.data(), out.data(), back.data(), n);
                ASSERT_EQ(back, plain) << what;
                continue;
            }
            const Bytes theirs = openssl(c.ecbName, key, {}, plain, true);
            ASSERT_EQ(ecb(*cipher, plain, true), theirs) << what;
            ASSERT_EQ(ecb(*cipher, theirs, false), plain) << what;
            // CBC with the vector in front of the output, as a stream enciphers.
            const Bytes iv = randomBytes(rng, 16);
            Bytes buf = iv;
            buf.resize(16 + plain.size());
            cipher->encodeCbc(plain.data(), buf.data(), buf.data() + 16, n);
            const Bytes out(buf.begin() + 16, buf.end());
            ASSERT_EQ(out, openssl(c.cbcName, key, iv, plain, true)) << what;
            Bytes back(plain.size());
            cipher->decodeCbc(buf.data(), buf.data() + 16, back.data(), n);
            ASSERT_EQ(back, plain) << what;
        }
    }
    OSSL_PROVIDER_unload(base);
    OSSL_PROVIDER_unload(legacy);
}

TEST_P(ZqBlockCipherTest, KeySizesAndDefaultKey) {
    const struct {
        ZqBlockCipher::TYPE type;
        std::vector<uint32_t> good;
        std::vector<uint32_t> bad;
        uint32_t maxKey;
    } cases[] = {
        {ZqBlockCipher::TYPE_AES, {16, 24, 32}, {0, 8, 15, 17, 23, 31, 33, 64}, 32},
        {ZqBlockCipher::TYPE_CAMELLIA, {16, 24, 32}, {0, 15, 17, 33}, 32},
        {ZqBlockCipher::TYPE_BLOWFISH, {4, 5, 56}, {0, 3, 57}, 56},
    };
    std::mt19937 rng(3);
    const Bytes key = randomBytes(rng, 64);
    const Bytes plain = randomBytes(rng, 64);
    for (const auto& c : cases) {
        const auto cipher = ZqBlockCipher::create(c.type);
        EXPECT_EQ(cipher->getBlockSize(), 16u);
        EXPECT_EQ(cipher->getMaxKeyLength(), c.maxKey);
        // A new cipher works with its default key.
        const Bytes first = ecb(*cipher, plain, true);
        EXPECT_NE(first, plain);
        EXPECT_EQ(ecb(*cipher, first, false), plain);
        for (const uint32_t bad : c.bad) {
            EXPECT_FALSE(cipher->setKey(key.data(), bad)) << c.type << ' ' << bad;
            EXPECT_EQ(ecb(*cipher, plain, true), first) << "refused key changed the schedule";
        }
        for (const uint32_t good : c.good) {
            ASSERT_TRUE(cipher->setKey(key.data(), good)) << c.type << ' ' << good;
            const Bytes out = ecb(*cipher, plain, true);
            EXPECT_NE(out, first);
            EXPECT_EQ(ecb(*cipher, out, false), plain);
        }
    }
}

TEST_P(ZqBlockCipherTest, EncodedSizeAndChainRules) {
    std::mt19937 rng(4);
    for (const ZqBlockCipher::TYPE type : TYPES) {
        const auto c = ZqBlockCipher::create(type);
        const struct {
            uint32_t in;
            uint32_t out;
        } sizes[] = {{0, 0},        {1, 16},        {16, 16}, {17, 32}, {0x400000, 0x400000},
                     {0x400001, 0}, {0xFFFFFFFF, 0}};
        for (const auto& s : sizes) {
            EXPECT_EQ(c->calcEncodedSize(s.in), s.out) << s.in;
        }

        const Bytes key = randomBytes(rng, 16);
        ASSERT_TRUE(c->setKey(key.data(), 16));
        const uint32_t n = 9;
        const Bytes plain = randomBytes(rng, 16 * n);
        // A zero chain is plain ECB for the first unit.
        const Bytes zero(16 * n, 0);
        Bytes out(16 * n);
        c->encodeCbc(plain.data(), zero.data(), out.data(), n);
        EXPECT_EQ(out, ecb(*c, plain, true));

        // Chained in one call, or in two with the second chained to the first's last unit.
        Bytes whole(16 * (n + 1), 0);
        c->encodeCbc(plain.data(), whole.data(), whole.data() + 16, n);
        Bytes split(16 * (n + 1), 0);
        c->encodeCbc(plain.data(), split.data(), split.data() + 16, 4);
        c->encodeCbc(plain.data() + 64, split.data() + 64, split.data() + 80, n - 4);
        EXPECT_EQ(split, whole);

        // In place, and with the output over the chain array, and 0 units doing nothing.
        Bytes inPlace = plain;
        const Bytes chain = randomBytes(rng, 16 * n);
        Bytes expected(16 * n);
        c->encodeCbc(plain.data(), chain.data(), expected.data(), n);
        c->encodeCbc(inPlace.data(), chain.data(), inPlace.data(), n);
        EXPECT_EQ(inPlace, expected);
        c->decodeCbc(chain.data(), inPlace.data(), inPlace.data(), n);
        EXPECT_EQ(inPlace, plain);
        Bytes overChain = chain;
        c->decodeCbc(overChain.data(), expected.data(), overChain.data(), n);
        EXPECT_EQ(overChain, plain);
        const Bytes before = inPlace;
        c->encodeEcb(plain.data(), inPlace.data(), 0);
        c->encodeCbc(plain.data(), chain.data(), inPlace.data(), 0);
        c->decodeCbc(chain.data(), plain.data(), inPlace.data(), 0);
        EXPECT_EQ(inPlace, before);
    }
}

TEST(ZqBlockCipher, BlowfishHalvesAreNotChained) {
    ZqBlowfish bf;
    uint8_t unit[16];
    for (int i = 0; i < 8; ++i) {
        unit[i] = unit[i + 8] = static_cast<uint8_t>(0x30 + i);
    }
    const uint8_t zero[16] = {};
    uint8_t out[16];
    bf.encodeCbc(unit, zero, out, 1);
    EXPECT_TRUE(std::equal(out, out + 8, out + 8));
}

TEST(ZqBlockCipher, AesCoresAgree) {
    if (!zq_aes::hasHardware()) {
        GTEST_SKIP() << "no AES instructions on this processor";
    }
    std::mt19937 rng(8);
    for (const uint32_t keyLength : {16u, 24u, 32u}) {
        zq_aes::Schedule s{};
        const Bytes key = randomBytes(rng, keyLength);
        zq_aes::expandKey(s, key.data(), keyLength);
        for (const size_t n : {1u, 7u, 8u, 9u, 16u, 33u}) {
            const Bytes in = randomBytes(rng, 16 * n);
            Bytes a(in.size());
            Bytes b(in.size());
            zq_aes::encryptPortable(s, in.data(), a.data(), n);
            zq_aes::encryptHardware(s, in.data(), b.data(), n);
            ASSERT_EQ(a, b) << keyLength << ' ' << n;
            zq_aes::decryptPortable(s, in.data(), a.data(), n);
            zq_aes::decryptHardware(s, in.data(), b.data(), n);
            ASSERT_EQ(a, b) << keyLength << ' ' << n;
            // CBC deciphering through the 128-bit and the wide cores, chained the usual way.
            Bytes chained = randomBytes(rng, 16);
            chained.insert(chained.end(), in.begin(), in.end());
            Bytes c(in.size());
            zq_aes::decryptCbcHardware(s, chained.data(), chained.data() + 16, c.data(), n);
            if (zq_aes::hasWideHardware()) {
                Bytes w(in.size());
                zq_aes::encryptWide(s, in.data(), w.data(), n);
                zq_aes::encryptPortable(s, in.data(), a.data(), n);
                ASSERT_EQ(w, a) << "wide " << keyLength << ' ' << n;
                zq_aes::decryptWide(s, in.data(), w.data(), n);
                zq_aes::decryptPortable(s, in.data(), a.data(), n);
                ASSERT_EQ(w, a) << "wide " << keyLength << ' ' << n;
                zq_aes::decryptCbcWide(s, chained.data(), chained.data() + 16, w.data(), n);
                ASSERT_EQ(w, c) << "wide CBC " << keyLength << ' ' << n;
            }
        }
    }
}
