#include "zq/math/ZqNumeric.h"
#include "zq/math/ZqRect.h"

#include "MathTestUtil.h"

#include <cmath>
#include <limits>
#include <numbers>
#include <numeric>

namespace {

constexpr float PI = std::numbers::pi_v<float>;
constexpr float INF = std::numeric_limits<float>::infinity();
const float NaN = std::numeric_limits<float>::quiet_NaN();

TEST(ZqNumeric, PrimitivesAgainstTheLibraryOnRandomInputs) {
    zqmt::Rng rng(1);
    for (int i = 0; i < 20000; ++i) {
        // Magnitudes over many binades, both signs for the reciprocal.
        const float a = std::ldexp(rng.uni(0.5f, 1.0f), static_cast<int>(rng.uni(-60.0f, 60.0f)));
        const float s = rng.uni() < 0.0f ? -a : a;
        EXPECT_LE(std::fabs(zqRcp(s) - 1.0f / s), 1e-6f * std::fabs(1.0f / s)) << s;
        EXPECT_EQ(zqSqrt(a), std::sqrt(a));
        EXPECT_LE(std::fabs(zqFastSqrt(a) - std::sqrt(a)), 2e-3f * std::sqrt(a)) << a;
        EXPECT_EQ(zqFabs(s), a);
    }
}

TEST(ZqNumeric, PrimitiveEdgeValues) {
    EXPECT_EQ(std::bit_cast<uint32_t>(zqFabs(-0.0f)), 0u);
    EXPECT_TRUE(std::isnan(zqFabs(NaN)));
    EXPECT_EQ(zqFabs(-INF), INF);
    EXPECT_TRUE(std::isnan(zqSqrt(-1.0f)));
    EXPECT_EQ(zqFastSqrt(0.0f), 0.0f);
    EXPECT_TRUE(zqmt::near(zqFastSqrt(4.0f), 2.0f, 2e-3f));
}

TEST(ZqNumeric, IntegerPower) {
    struct Case {
        uint64_t base;
        uint8_t exp;
        uint64_t want;
    };
    const Case cases[] = {{2, 10, 1024},
                          {3, 0, 1},
                          {1, 200, 1},
                          {2, 64, 0},
                          {0, 0, 0},
                          {0, 5, 0},
                          {10, 19, 10000000000000000000ull},
                          {7, 255, 0}};
    for (const Case& c : cases) {
        uint64_t want = c.want;
        if (c.base == 7) {
            // Wrapping product computed the slow way.
            want = 1;
            for (int i = 0; i < 255; ++i) {
                want *= 7;
            }
        }
        EXPECT_EQ(iPow(c.base, c.exp), want) << c.base << "^" << int(c.exp);
    }
}

TEST(ZqNumeric, IntegerLength) {
    EXPECT_EQ(integerLength(9, 10), 1u);
    EXPECT_EQ(integerLength(10, 10), 2u);
    EXPECT_EQ(integerLength(0, 10), 1u);
    EXPECT_EQ(integerLength(4294967295u, 10), 10u);
    EXPECT_EQ(integerLength(255, 16), 2u);
    EXPECT_EQ(integerLength(256, 16), 3u);
    EXPECT_EQ(integerLength(4294967295u, 2), 32u);
    // Outside the contract, answered instead of dividing by zero or never ending.
    EXPECT_EQ(integerLength(5, 0), 0u);
    EXPECT_EQ(integerLength(5, 1), 0u);
}

TEST(ZqNumeric, PrimalityMatchesASieve) {
    for (const uint64_t n : {0ull, 1ull, 4ull, 9ull, 25ull, 49ull, 4294967297ull}) {
        EXPECT_FALSE(testPrimality(n)) << n;
    }
    for (const uint64_t n : {2ull, 3ull, 5ull, 7ull, 4294967291ull, 1000000007ull}) {
        EXPECT_TRUE(testPrimality(n)) << n;
    }
    constexpr int LIMIT = 20000;
    std::vector<bool> composite(LIMIT, false);
    for (int i = 2; i * i < LIMIT; ++i) {
        for (int j = i * i; j < LIMIT; j += i) {
            composite[j] = true;
        }
    }
    for (int n = 2; n < LIMIT; ++n) {
        ASSERT_EQ(testPrimality(n), !composite[n]) << n;
    }
}

TEST(ZqNumeric, GcdMatchesTheStandardLibrary) {
    EXPECT_EQ(gcd(12u, 18u), 6u);
    EXPECT_EQ(gcd(7u, 0u), 7u);
    EXPECT_EQ(gcd(0u, 7u), 7u);
    EXPECT_EQ(gcd(0u, 0u), 0u);
    EXPECT_EQ(gcd(uint64_t{1} << 40, uint64_t{3} << 38), uint64_t{1} << 38);
    std::mt19937_64 gen(3);
    for (int i = 0; i < 2000; ++i) {
        const uint64_t a = gen() >> (gen() % 64);
        const uint64_t b = gen() >> (gen() % 64);
        ASSERT_EQ(gcd(a, b), std::gcd(a, b));
        ASSERT_EQ(gcd(uint32_t(a), uint32_t(b)), std::gcd(uint32_t(a), uint32_t(b)));
    }
}

TEST(ZqNumeric, FloatRangeChecks) {
    EXPECT_FALSE(isFinite(NaN, 1e30f));
    EXPECT_FALSE(isFinite(INF, 1e30f));
    EXPECT_FALSE(isFinite(-INF, -INF, INF));
    EXPECT_TRUE(isFinite(-1.0f, 1.0f));
    EXPECT_FALSE(isFinite(-1.5f, 1.0f));
    EXPECT_TRUE(isFinite(1.0f, 0.0f, 1.0f));
    EXPECT_FALSE(isFinite(1.5f, 0.0f, 1.0f));
    EXPECT_FALSE(isFinite(NaN, -1.0f, 1.0f));
}

TEST(ZqNumeric, NormalizeRadWrapsIntoHalfOpenRange) {
    EXPECT_TRUE(zqmt::near(normalizeRad(PI), -PI, 1e-6f));
    EXPECT_TRUE(zqmt::near(normalizeRad(-PI), -PI, 1e-6f));
    EXPECT_TRUE(zqmt::near(normalizeRad(1.5f * PI), -0.5f * PI, 1e-6f));
    EXPECT_EQ(normalizeRad(0.0f), 0.0f);
    zqmt::Rng rng(2);
    for (int i = 0; i < 5000; ++i) {
        const float a = rng.uni(-100.0f, 100.0f);
        const float r = normalizeRad(a);
        ASSERT_GE(r, -PI);
        ASSERT_LE(r, PI);
        // Same angle: the difference is a whole number of turns.
        const double turns = (static_cast<double>(a) - r) / (2.0 * std::numbers::pi);
        ASSERT_NEAR(turns, std::round(turns), 1e-5) << a;
    }
}

TEST(ZqPointRect, ComparisonAndContainment) {
    static_assert(sizeof(ZqPoint) == 8 && sizeof(ZqRect) == 16);
    ZqPoint p;
    p.set(3, -4);
    EXPECT_EQ(p, ZqPoint(3, -4));
    EXPECT_NE(p, ZqPoint(3, 4));
    ZqRect r;
    r.set(0, 0, 10, 10);
    EXPECT_EQ(r, ZqRect(0, 0, 10, 10));
    EXPECT_NE(r, ZqRect(0, 0, 10, 11));
    // Right and bottom are exclusive.
    EXPECT_TRUE(r.intersect(ZqPoint(0, 0)));
    EXPECT_TRUE(r.intersect(ZqPoint(9, 9)));
    EXPECT_FALSE(r.intersect(ZqPoint(10, 5)));
    EXPECT_FALSE(r.intersect(ZqPoint(5, 10)));
    EXPECT_FALSE(r.intersect(ZqPoint(-1, 5)));
}

} // namespace
