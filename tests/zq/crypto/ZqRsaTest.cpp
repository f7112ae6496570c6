// Big-number products and RSA decode against GMP: Karatsuba at every size and sign mix of
// the halves, and decode against mpz_powm with random moduli of 2,034 to 2,047 bits. Moduli
// the reduction cannot serve (even, too long) and inputs not below the modulus are refused.
#include "zq/crypto/ZqRsa.h"
#include "zq/crypto/ZqKaratsuba.h"
#include "zq/crypto/ZqKaratsubaCore_internal.h"

#include <gmp.h>
#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using Words = std::vector<uint32_t>;
using Number = ZqRsa::Number;

// RAII over mpz_t.
struct Mpz {
    mpz_t z;
    Mpz() { mpz_init(z); }
    ~Mpz() { mpz_clear(z); }
    Mpz(const Mpz&) = delete;
    Mpz& operator=(const Mpz&) = delete;
};

void toMpz(Mpz& out, const uint32_t* const words, const size_t n) {
    mpz_import(out.z, n, 1, sizeof(uint32_t), 0, 0, words);
}

// The value in n words, most significant first; the test fails when it does not fit.
Words fromMpz(const Mpz& v, const size_t n) {
    const size_t needed = (mpz_sizeinbase(v.z, 2) + 31) / 32;
    EXPECT_LE(needed, n);
    Words w(std::max(needed, n), 0);
    size_t count = 0;
    mpz_export(w.data() + (w.size() - needed), &count, 1, sizeof(uint32_t), 0, 0, v.z);
    return Words(w.end() - n, w.end());
}

Words randomWords(std::mt19937& rng, const size_t n) {
    Words w(n);
    for (auto& x : w) {
        x = rng();
    }
    return w;
}

Number toNumber(const Mpz& v) {
    const Words w = fromMpz(v, ZqRsa::NR_DIGITS);
    Number n;
    std::copy(w.begin(), w.end(), n.data());
    return n;
}

// A random odd number of exactly `bits` bits.
void randomModulus(Mpz& out, gmp_randstate_t state, const unsigned bits) {
    mpz_urandomb(out.z, state, bits);
    mpz_setbit(out.z, bits - 1);
    mpz_setbit(out.z, 0);
}

} // namespace

TEST(ZqKaratsuba, WorkSizes) {
    EXPECT_EQ(ZqKaratsuba::getWorkSize(8), 0u);
    EXPECT_EQ(ZqKaratsuba::getWorkSize(16), 32u);
    EXPECT_EQ(ZqKaratsuba::getWorkSize(64), 224u);
    EXPECT_EQ(ZqKaratsuba::getWorkSize(128), 480u);
}

// Every product test runs on the plain schoolbook core and, where the processor has them, on
// the fast rows.
class ZqKaratsubaCores : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (GetParam() && !zq_karatsuba::hasFastRows()) {
            GTEST_SKIP() << "no BMI2 and ADX on this processor";
        }
        zq_karatsuba::allowFastRows(GetParam());
    }
    void TearDown() override { zq_karatsuba::allowFastRows(true); }
};

INSTANTIATE_TEST_SUITE_P(Cores, ZqKaratsubaCores, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "rows" : "plain"; });

TEST_P(ZqKaratsubaCores, ProductsMatchGmpForEverySignMix) {
    std::mt19937 rng(17);
    for (const uint32_t n : {8u, 16u, 32u, 64u, 128u}) {
        for (int round = 0; round < 24; ++round) {
            Words a = randomWords(rng, n);
            Words b = randomWords(rng, n);
            // Rounds 0..3 order the halves of both operands each way (the top-level signs),
            // rounds 4..7 are all ones, zeros and mixed extremes.
            if (round < 4) {
                a[0] = (round & 1) ? 0xFFFFFFFFu : 0;
                a[n / 2] = (round & 1) ? 0 : 0xFFFFFFFFu;
                b[0] = (round & 2) ? 0xFFFFFFFFu : 0;
                b[n / 2] = (round & 2) ? 0 : 0xFFFFFFFFu;
            } else if (round == 4) {
                std::fill(a.begin(), a.end(), 0xFFFFFFFFu);
                std::fill(b.begin(), b.end(), 0xFFFFFFFFu);
            } else if (round == 5) {
                std::fill(a.begin(), a.end(), 0);
            } else if (round == 6) {
                std::fill(a.begin(), a.begin() + n / 2, 0xFFFFFFFFu);
                std::fill(a.begin() + n / 2, a.end(), 0);
                std::fill(b.begin(), b.begin() + n / 2, 0);
            } else if (round == 7) {
                b = a; // equal halves give zero differences
                std::copy(a.begin(), a.begin() + n / 2, a.begin() + n / 2);
            }
            Mpz x;
            Mpz y;
            Mpz p;
            toMpz(x, a.data(), n);
            toMpz(y, b.data(), n);
            mpz_mul(p.z, x.z, y.z);
            const Words expected = fromMpz(p, 2 * n);

            Words full(2 * n);
            Words low(n);
            Words work(ZqKaratsuba::getWorkSize(n) + 1);
            ZqKaratsuba::mul2(full.data(), a.data(), b.data(), n, work.data());
            ASSERT_EQ(full, expected) << "mul2 n " << n << " round " << round;
            ZqKaratsuba::mul(low.data(), a.data(), b.data(), n, work.data());
            ASSERT_EQ(low, Words(expected.begin() + n, expected.end()))
                << "mul n " << n << " round " << round;
            // Squares (one operand twice) take their own path at every level.
            Mpz sq;
            mpz_mul(sq.z, x.z, x.z);
            ZqKaratsuba::mul2(full.data(), a.data(), a.data(), n, work.data());
            ASSERT_EQ(full, fromMpz(sq, 2 * n)) << "square n " << n << " round " << round;
            ZqKaratsuba::mul2(full.data(), a.data(), b.data(), n, work.data());
            // The forms that allocate their own work area agree.
            Words own(2 * n);
            ZqKaratsuba::mul2(own.data(), a.data(), b.data(), n);
            ASSERT_EQ(own, expected);
            ZqKaratsuba::mul(own.data(), a.data(), b.data(), n);
            ASSERT_EQ(Words(own.begin(), own.begin() + n), low);
        }
    }
    // All bits set over n words: 2^(64n) - 2^(32n + 1) + 1.
    for (const uint32_t n : {8u, 64u, 128u}) {
        const Words ones(n, 0xFFFFFFFFu);
        Words full(2 * n);
        ZqKaratsuba::mul2(full.data(), ones.data(), ones.data(), n);
        Words expected(2 * n, 0);
        std::fill(expected.begin(), expected.begin() + n, 0xFFFFFFFFu);
        expected[n - 1] = 0xFFFFFFFEu;
        expected[2 * n - 1] = 1;
        EXPECT_EQ(full, expected) << n;
    }
}

TEST_P(ZqKaratsubaCores, DecodeMatchesGmpPowerModulo) {
    gmp_randstate_t state;
    gmp_randinit_mt(state);
    gmp_randseed_ui(state, 2034);
    ZqRsa rsa;
    for (unsigned bits = 2034; bits <= 2047; ++bits) {
        Mpz n;
        Mpz d;
        Mpz in;
        Mpz expected;
        randomModulus(n, state, bits);
        mpz_urandomm(d.z, state, n.z);
        mpz_urandomm(in.z, state, n.z);
        rsa.setModulus(toNumber(n));
        rsa.setSecretKey(toNumber(d));
        ASSERT_EQ(rsa.getNrEncryptBits(), static_cast<int32_t>(bits) - 16);
        mpz_powm(expected.z, in.z, d.z, n.z);
        mpz_fdiv_r_2exp(expected.z, expected.z, bits - 16);
        Number out;
        ASSERT_TRUE(rsa.decode(toNumber(in), out));
        ASSERT_EQ(fromMpz(expected, 64), Words(out.data(), out.data() + 64)) << bits << " bits";
        if (bits == 2047) {
            // in and out may be one object.
            Number same = toNumber(in);
            ASSERT_TRUE(rsa.decode(same, same));
            EXPECT_EQ(Words(same.data(), same.data() + 64), Words(out.data(), out.data() + 64));
        }
    }

    // Exponents 0 and 1, input 0, the largest input, and shorter moduli.
    for (const unsigned bits : {16u, 33u, 100u, 1024u, 2047u}) {
        Mpz n;
        randomModulus(n, state, bits);
        rsa.setModulus(toNumber(n));
        Mpz in;
        mpz_urandomm(in.z, state, n.z);
        const struct {
            int exponent; // -1: random
            bool zeroIn;
            bool topIn;
        } cases[] = {{0, false, false},
                     {1, false, false},
                     {-1, true, false},
                     {-1, false, true},
                     {-1, false, false}};
        for (const auto& c : cases) {
            Mpz d;
            Mpz x;
            Mpz expected;
            if (c.exponent < 0) {
                mpz_urandomm(d.z, state, n.z);
            } else {
                mpz_set_ui(d.z, static_cast<unsigned long>(c.exponent));
            }
            if (c.topIn) {
                mpz_sub_ui(x.z, n.z, 1);
            } else if (!c.zeroIn) {
                mpz_set(x.z, in.z);
            }
            rsa.setSecretKey(toNumber(d));
            mpz_powm(expected.z, x.z, d.z, n.z);
            mpz_fdiv_r_2exp(expected.z, expected.z, bits - 16);
            Number out;
            ASSERT_TRUE(rsa.decode(toNumber(x), out)) << bits;
            EXPECT_EQ(fromMpz(expected, 64), Words(out.data(), out.data() + 64))
                << bits << " bits, exponent " << c.exponent;
        }
    }
    gmp_randclear(state);
}

TEST(ZqRsa, EncryptBitsAndRefusedModuliAndInputs) {
    gmp_randstate_t state;
    gmp_randinit_mt(state);
    gmp_randseed_ui(state, 5);
    ZqRsa rsa;
    EXPECT_EQ(rsa.getNrEncryptBits(), -1);
    const struct {
        unsigned bits;
        int32_t encryptBits;
    } lengths[] = {{2047, 2031}, {2034, 2018}, {2033, -1}, {512, -1}};
    for (const auto& l : lengths) {
        Mpz n;
        randomModulus(n, state, l.bits);
        rsa.setModulus(toNumber(n));
        EXPECT_EQ(rsa.getNrEncryptBits(), l.encryptBits) << l.bits;
    }

    Mpz n;
    randomModulus(n, state, 2040);
    Mpz d;
    mpz_set_ui(d.z, 65537);
    rsa.setSecretKey(toNumber(d));
    rsa.setModulus(toNumber(n));
    EXPECT_EQ(Words(rsa.getModulus().data(), rsa.getModulus().data() + 64), fromMpz(n, 64));
    Number out;
    out[63] = 7;
    // The modulus itself and anything above it are refused.
    Mpz big;
    mpz_set(big.z, n.z);
    EXPECT_FALSE(rsa.decode(toNumber(big), out));
    EXPECT_EQ(Words(out.data(), out.data() + 64), Words(64, 0));
    mpz_add_ui(big.z, n.z, 12345);
    EXPECT_FALSE(rsa.decode(toNumber(big), out));

    // An even modulus, a 2,048-bit one and a too short one leave decode refusing.
    Mpz even;
    mpz_sub_ui(even.z, n.z, 1);
    Mpz wide;
    randomModulus(wide, state, 2048);
    Mpz tiny;
    mpz_set_ui(tiny.z, 0x7FFF);
    for (Mpz* const m : {&even, &wide, &tiny}) {
        rsa.setModulus(toNumber(*m));
        EXPECT_EQ(rsa.getNrEncryptBits(), -1);
        Number one;
        one[63] = 1;
        EXPECT_FALSE(rsa.decode(one, out));
    }
    // A good modulus again serves as before.
    rsa.setModulus(toNumber(n));
    Number two;
    two[63] = 2;
    EXPECT_TRUE(rsa.decode(two, out));
    gmp_randclear(state);
}
