#include "zq/math/ZqBlumBlumShub.h"
#include "zq/math/ZqMarsagliaMulticarry.h"
#include "zq/math/ZqMt19937Ar.h"
#include "zq/math/ZqNumeric.h"

#include "tests/support/FakeClock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

TEST(ZqMt19937Ar, MatchesTheReferenceGenerator) {
    ZqMt19937Ar mt(5489u);
    EXPECT_EQ(mt.rand(), 3499211612u);
    ZqMt19937Ar ref5489(5489u);
    uint32_t last = 0;
    for (int i = 0; i < 10000; ++i) {
        last = ref5489.rand();
    }
    EXPECT_EQ(last, 4123659995u);

    // Default seed 19650218, and any other seed, against the standard library's engine.
    ZqMt19937Ar def;
    EXPECT_EQ(def.rand(), 2325592414u);
    for (const uint32_t seed : {19650218u, 0u, 1u, 0xFFFFFFFFu}) {
        ZqMt19937Ar ours(seed);
        std::mt19937 theirs(seed);
        for (int i = 0; i < 2000; ++i) {
            ASSERT_EQ(ours.rand(), theirs()) << seed << " at " << i;
        }
    }
    // Re-seeding restarts the sequence.
    def.init();
    EXPECT_EQ(def.rand(), 2325592414u);
}

TEST(ZqMt19937Ar, SeedingByArrayMatchesTheReference) {
    const unsigned int key[4] = {0x123, 0x234, 0x345, 0x456};
    ZqMt19937Ar mt;
    mt.init(key, 4);
    const uint32_t want[] = {1067595299u, 955945823u, 477289528u, 4107218783u, 4228976476u};
    for (const uint32_t w : want) {
        EXPECT_EQ(mt.rand(), w);
    }
    // A key longer than the state mixes every word.
    std::vector<unsigned int> longKey(700);
    for (unsigned int i = 0; i < longKey.size(); ++i) {
        longKey[i] = i * 2654435761u;
    }
    ZqMt19937Ar a;
    a.init(longKey.data(), 700);
    longKey[699] ^= 1u;
    ZqMt19937Ar b;
    b.init(longKey.data(), 700);
    EXPECT_NE(a.rand(), b.rand());
    // An empty key is the one-word key {0}, never a read past the array.
    const unsigned int zero[1] = {0};
    ZqMt19937Ar e1;
    e1.init(nullptr, 0);
    ZqMt19937Ar e2;
    e2.init(zero, 1);
    ZqMt19937Ar e3;
    e3.init(key, -3);
    const uint32_t r2 = e2.rand();
    EXPECT_EQ(e1.rand(), r2);
    EXPECT_EQ(e3.rand(), r2);
}

TEST(ZqMt19937Ar, CopiesContinueAlikeAndFloatOutputs) {
    ZqMt19937Ar mt(42u);
    for (int i = 0; i < 1000; ++i) {
        mt.rand();
    }
    ZqMt19937Ar copy(mt);
    ZqMt19937Ar assigned;
    assigned = mt;
    for (int i = 0; i < 1000; ++i) {
        const uint32_t r = mt.rand();
        ASSERT_EQ(copy.rand(), r);
        ASSERT_EQ(assigned.rand(), r);
    }
    // frand is the next output times 2^-32; drand takes 27 + 26 bits of two outputs.
    for (int i = 0; i < 1000; ++i) {
        ZqMt19937Ar peek(mt);
        const uint32_t u = peek.rand();
        const float f = mt.frand();
        ASSERT_EQ(f, static_cast<float>(u * 0x1p-32));
        ASSERT_GE(f, 0.0f);
        ASSERT_LE(f, 1.0f);
        ZqMt19937Ar peek2(mt);
        const uint64_t a = peek2.rand() >> 5;
        const uint64_t b = peek2.rand() >> 6;
        const double d = mt.drand();
        ASSERT_EQ(d, static_cast<double>((a << 26) | b) * 0x1p-53);
        ASSERT_LT(d, 1.0);
    }
}

TEST(ZqMt19937Ar, SavedStateReplaysTheSameOutputsInAnotherGenerator) {
    ZqMt19937Ar a(4357u);
    // Mid-block and at the block's end (the index at N regenerates on the next output).
    for (const unsigned int skip : {5u, ZqMt19937Ar::N - 5}) {
        SCOPED_TRACE(skip);
        for (unsigned int i = 0; i < skip; ++i) {
            a.rand();
        }
        std::vector<uint32_t> words(ZqMt19937Ar::N);
        uint32_t index = 0;
        a.getState(words.data(), &index);
        ZqMt19937Ar b(1u);
        b.setState(words.data(), index);
        for (int i = 0; i < 700; ++i) {
            ASSERT_EQ(a.rand(), b.rand()) << i;
        }
    }
    // An index past the end is taken as the end.
    std::vector<uint32_t> words(ZqMt19937Ar::N);
    uint32_t index = 0;
    a.getState(words.data(), &index);
    ZqMt19937Ar c(1u);
    ZqMt19937Ar d(1u);
    c.setState(words.data(), 9999u);
    d.setState(words.data(), ZqMt19937Ar::N);
    EXPECT_EQ(c.rand(), d.rand());
}

TEST(ZqMarsagliaMulticarry, LanesAndOutputs) {
    ZqMarsagliaMulticarry g;
    g.init(1, 1);
    EXPECT_EQ(g.rand(), 2422818384u);
    // Lanes chosen so that the next output is 0xFFFFFFFF: frand rounds it to exactly 1.
    const uint32_t z = (28566u << 16) | 1u;
    const uint32_t w = 0xFFFF0000u;
    g.init(z, w);
    EXPECT_EQ(g.rand(), 0xFFFFFFFFu);
    g.init(z, w);
    EXPECT_EQ(g.frand(), 1.0f);
    // A model of the two lanes over a long run, with drand's two steps.
    uint32_t mz = 12345;
    uint32_t mw = 67890;
    const auto step = [&] {
        mz = 36969u * (mz & 0xFFFFu) + (mz >> 16);
        mw = 18000u * (mw & 0xFFFFu) + (mw >> 16);
        return (mz << 16) + mw;
    };
    g.init(12345, 67890);
    for (int i = 0; i < 5000; ++i) {
        ASSERT_EQ(g.rand(), step());
    }
    const uint32_t a = step();
    const uint32_t b = step();
    EXPECT_EQ(g.drand(), ((a >> 5) * 67108864.0 + (b >> 6)) * 0x1p-53);
}

TEST(ZqMarsagliaMulticarry, SeedsFromTheHighResolutionCounter) {
    // z takes the counter's high 32 bits, w its low 32 bits.
    const zqtest::FakeClock clock(0x0000000500000007ull);
    ZqMarsagliaMulticarry seeded;
    ZqMarsagliaMulticarry want;
    want.init(5, 7);
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(seeded.rand(), want.rand());
    }
    zqtest::FakeClock::set(0xABCD000000001234ull);
    seeded.init();
    want.init(0xABCD0000u, 0x1234u);
    EXPECT_EQ(seeded.rand(), want.rand());
}

TEST(ZqBlumBlumShub, SquaresModuloTheModulus) {
    ZqBlumBlumShub g;
    EXPECT_EQ(g.rand(), 1072365469u);
    uint64_t x = 1072365469u;
    for (int i = 0; i < 1000; ++i) {
        x = x * x % 1074200609u;
        ASSERT_EQ(g.rand(), x);
    }
    ZqBlumBlumShub small(1, 5);
    EXPECT_EQ(small.rand(), 1u); // modulus 2
    EXPECT_FALSE(small.init(0, 5));
    EXPECT_EQ(small.rand(), 1u);
    EXPECT_TRUE(small.init(7, 3));
    EXPECT_EQ(small.rand(), 2u);
    // A state above the modulus is reduced by the first square.
    ZqBlumBlumShub big(11, 0xFFFFFFFFu);
    EXPECT_EQ(big.rand(), static_cast<uint32_t>(0xFFFFFFFFull * 0xFFFFFFFFull % 11));
}

TEST(ZqBlumBlumShub, ParameterSearch) {
    unsigned int m = 0;
    unsigned int x = 0;
    ASSERT_TRUE(ZqBlumBlumShub::calcParam(1000, 2000, 10, &m, &x));
    // p = 1019 is the first prime = 3 mod 4 from 1000; q the first such prime from 2000
    // with gcd(p - 1, q - 1) = 2.
    EXPECT_EQ(m % 1019u, 0u);
    const unsigned int q = m / 1019u;
    EXPECT_GE(q, 2000u);
    EXPECT_EQ(q % 4, 3u);
    EXPECT_TRUE(testPrimality(q));
    EXPECT_EQ(gcd(1018u, q - 1), 2u);
    for (unsigned int c = 2000; c < q; ++c) {
        EXPECT_FALSE(c % 4 == 3 && testPrimality(c) && gcd(1018u, c - 1) == 2u) << c;
    }
    EXPECT_EQ(x, 10u);
    // The first x coprime to M.
    ASSERT_TRUE(ZqBlumBlumShub::calcParam(1000, 2000, 1019 * 3, &m, &x));
    EXPECT_EQ(x, 1019u * 3 + 1);
    ZqBlumBlumShub g;
    EXPECT_TRUE(g.init(m, x));

    // The product overflows 32 bits: false, outputs untouched.
    m = 7;
    x = 8;
    EXPECT_FALSE(ZqBlumBlumShub::calcParam(65535, 65535, 1, &m, &x));
    EXPECT_EQ(m, 7u);
    EXPECT_EQ(x, 8u);
    EXPECT_FALSE(ZqBlumBlumShub::calcParam(1000, 2000, 10, nullptr, &x));
}

} // namespace
