// The particle generator and the animated parameters against a reference written from the
// generator's rule in 64-bit arithmetic.
#include "tests/zq/u/pm/ParticleRefRand.h"
#include "zq/u/pm/ZquPm.h"
#include "zq/u/pm/ZquPmParam.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace ZquPm;

namespace {

class ParticleRandom : public ::testing::Test {
protected:
    void SetUp() override { setRandState(RandState{}); }
    void TearDown() override { setRandState(RandState{}); }
};

TEST_F(ParticleRandom, SequenceFollowsTheRuleFromTheLoadState) {
    RefRand ref;
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(randNext(), ref.next()) << "draw " << i;
    }
    const RandState st = randState();
    EXPECT_EQ(st.counter, 1000u);
    EXPECT_EQ(st.state, static_cast<uint32_t>(ref.s));
    EXPECT_EQ(st.h, static_cast<uint32_t>(ref.h));
}

TEST_F(ParticleRandom, DerivedDrawsAndTheirRanges) {
    RefRand ref;
    for (int i = 0; i < 500; ++i) {
        const int32_t r = ref.next();
        EXPECT_EQ(randMod(7), static_cast<uint32_t>(r) % 7u);
        const int32_t r2 = ref.next();
        const int32_t sgn = randSigned(10000);
        EXPECT_EQ(sgn, r2 % 10000);
        EXPECT_TRUE((sgn >= 0) == (r2 >= 0) || sgn == 0);
        const ZqVector3 u = randUnitVector();
        ref.next();
        ref.next();
        EXPECT_NEAR(u.length(), 1.0f, 1e-4f);
    }
    // n <= 0 draws nothing.
    const RandState before = randState();
    EXPECT_EQ(randSigned(0), 0);
    EXPECT_EQ(randSigned(-5), 0);
    EXPECT_EQ(randState().counter, before.counter);
}

TEST_F(ParticleRandom, VariationFactor) {
    const RandState before = randState();
    EXPECT_EQ(variationFactor(0), 1.0f);
    EXPECT_EQ(randState().counter, before.counter) << "p = 0 draws nothing";
    // p = 20 gives n = 1999: factor 1 + (state rem 1999) / 10000.
    RefRand ref;
    for (int i = 0; i < 200; ++i) {
        const float f = variationFactor(20);
        EXPECT_FLOAT_EQ(f, 1.0f + static_cast<float>(ref.next() % 1999) * 0.0001f);
    }
    // p = 1 gives n = 99; huge percentages saturate instead of overflowing.
    const float f1 = variationFactor(1);
    EXPECT_LE(std::fabs(f1 - 1.0f), 0.0099f);
    const float big = variationFactor(0xFFFFFFFFu);
    EXPECT_TRUE(std::isfinite(big));
}

TEST(ParticleThreeKey, BirthAndPhases) {
    struct Case {
        float keys[3];
        uint16_t li;
        uint16_t lo;
        bool alpha;
        float value;
        float in;
        float out;
        int line;
    };
    const Case cases[] = {
        {{200.0f, 250.0f, 100.0f}, 5, 5, true, 200.0f, 10.0f, 30.0f, __LINE__},
        {{300.0f, 400.0f, -20.0f}, 5, 5, true, 255.0f, 0.0f, 55.0f, __LINE__},
        {{1.0f, 3.0f, 0.0f}, 0, 4, false, 3.0f, 0.0f, 0.75f, __LINE__},
        {{1.0f, 3.0f, 0.0f}, 0, 0, false, 3.0f, 0.0f, 0.0f, __LINE__},
    };
    for (const Case& c : cases) {
        ThreeKey k;
        k.birth(c.keys, 1.0f, 1.0f, c.alpha, c.li, c.lo);
        EXPECT_FLOAT_EQ(k.value, c.value) << "line " << c.line;
        EXPECT_FLOAT_EQ(k.in, c.in) << "line " << c.line;
        EXPECT_FLOAT_EQ(k.out, c.out) << "line " << c.line;
    }
    // Life 20, in 5, out 5: rises at ages 1..5, holds 6..15, falls 16..19.
    ThreeKey k;
    const float keys[3] = {0.0f, 10.0f, 2.0f};
    k.birth(keys, 1.0f, 1.0f, false, 5, 5);
    std::vector<int> changes;
    for (uint16_t a = 1; a < 20; ++a) {
        changes.push_back(k.step(a, 20, 5, 5));
    }
    const std::vector<int> expect = {1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1, -1, -1, -1};
    EXPECT_EQ(changes, expect);
    EXPECT_FLOAT_EQ(k.value, 10.0f - 4 * 1.6f);
}

TEST(ParticleColour, KeysAndTint) {
    EMITDATA r = EMITDATA::defaults();
    r.colourStart = {0, 100, 200};
    r.colourMiddle = {255, 255, 255};
    r.colourEnd = {200, 0, 100};
    ColourKeys c;
    c.birth(r, Rgb{0, 0, 0});
    // No middle time: start to end across the life, the middle plays no part.
    c.step(5, 10, 0);
    EXPECT_EQ(c.current.r, 100);
    EXPECT_EQ(c.current.g, 50);
    EXPECT_EQ(c.current.b, 150);
    // Middle time 4: start -> middle by 4, then middle -> end by the life's end.
    c.step(2, 10, 4);
    EXPECT_EQ(c.current.r, 127);
    c.step(7, 10, 4);
    EXPECT_EQ(c.current.r, 227);
    EXPECT_EQ(c.current.g, 127);
    // A tint of 50 % moves each key half way to the effect colour.
    r.tintPct = 50;
    c.birth(r, Rgb{255, 255, 255});
    EXPECT_EQ(c.start.r, 127);
    EXPECT_EQ(c.start.b, 227);
    EXPECT_EQ(c.current.g, c.start.g);
}

// The memo a pool's step shares among neighbours must answer what the keys' own blend gives
// whenever any input changes: every key colour (the last byte, end blue, too), age, life and
// middle time change in turn, and repeats hit the kept value.
TEST(ParticleColour, MemoAnswersAsTheKeys) {
    ColourKeys k;
    k.start = {10, 20, 30};
    k.middle = {200, 150, 100};
    k.end = {0, 255, 7};
    struct Case {
        void (*edit)(ColourKeys&);
        uint16_t a, life, middleTime;
    };
    const Case cases[] = {
        {[](ColourKeys&) {}, 3, 10, 4},
        {[](ColourKeys&) {}, 3, 10, 4},
        {[](ColourKeys& c) { c.start.r = 90; }, 3, 10, 4},
        {[](ColourKeys& c) { c.start.b = 91; }, 3, 10, 4},
        {[](ColourKeys& c) { c.middle.g = 1; }, 3, 10, 4},
        {[](ColourKeys& c) { c.end.r = 40; }, 7, 10, 4},
        {[](ColourKeys& c) { c.end.g = 41; }, 7, 10, 4},
        {[](ColourKeys& c) { c.end.b = 250; }, 7, 10, 4},
        {[](ColourKeys&) {}, 8, 10, 4},
        {[](ColourKeys&) {}, 8, 12, 4},
        {[](ColourKeys&) {}, 8, 12, 0},
        {[](ColourKeys&) {}, 8, 12, 0},
    };
    ColourMemo memo;
    for (const Case& c : cases) {
        c.edit(k);
        ColourKeys fresh = k;
        fresh.step(c.a, c.life, c.middleTime);
        k.setCurrent(memo.packedAt(k, c.a, c.life, c.middleTime));
        EXPECT_EQ(k.current.r, fresh.current.r) << c.a << " " << c.life << " " << c.middleTime;
        EXPECT_EQ(k.current.g, fresh.current.g) << c.a << " " << c.life << " " << c.middleTime;
        EXPECT_EQ(k.current.b, fresh.current.b) << c.a << " " << c.life << " " << c.middleTime;
    }
}

TEST(ParticleFrame, Modes) {
    const auto run = [](uint32_t mode, int16_t first, int16_t last, uint32_t steps, int n) {
        EMITDATA r = EMITDATA::defaults();
        r.frameMode = mode;
        r.frameFirst = static_cast<uint32_t>(first);
        r.frameLast = static_cast<uint32_t>(last);
        r.frameSteps = steps;
        TextureFrame f;
        f.birth(r);
        std::vector<int> out = {f.current};
        for (uint16_t a = 1; a <= n; ++a) {
            f.step(a);
            out.push_back(f.current);
        }
        return out;
    };
    EXPECT_EQ(run(3, 2, 4, 1, 6), (std::vector<int>{2, 3, 4, 3, 2, 3, 4}));
    EXPECT_EQ(run(1, 0, 2, 2, 6), (std::vector<int>{0, 0, 1, 1, 2, 2, 2}));
    EXPECT_EQ(run(2, 5, 6, 1, 4), (std::vector<int>{5, 6, 5, 6, 5}));
    // 0 steps per frame counts as 1 (it would divide by zero).
    EXPECT_EQ(run(2, 0, 1, 0, 3), (std::vector<int>{0, 1, 0, 1}));
    // No animation when the last frame is -1.
    EXPECT_EQ(run(2, 3, -1, 1, 2), (std::vector<int>{3, 3, 3}));
    for (const int v : run(4, 1, 3, 1, 50)) {
        EXPECT_GE(v, 1);
        EXPECT_LE(v, 3);
    }
}

} // namespace
