// Key-frame sets and their player: the stored encodings, the creation checks, and evaluation
// of every track type at keys, between keys, across loops and backwards.
#include "zq/gl/ZqGlKeyFrame.h"
#include "ZqAnimWriter.h"
#include "zq/gl/ZqGlKeyFramePlayer.h"
#include "zq/platform/os/lasterror.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

class KeyFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        ZqGlKeyFrame::sysInit();
        ZqGlKeyFramePlayer::sysInit();
    }
    void TearDown() override {
        ZqGlKeyFramePlayer::sysQuit();
        ZqGlKeyFrame::sysQuit();
    }
};

std::vector<uint8_t> floatBytes(const std::vector<float>& values) {
    std::vector<uint8_t> out(values.size() * 4);
    std::memcpy(out.data(), values.data(), out.size());
    return out;
}

std::vector<uint8_t> frameBytes(const std::vector<uint16_t>& frames) {
    std::vector<uint8_t> out(frames.size() * 2);
    for (size_t i = 0; i < frames.size(); ++i) {
        out[2 * i] = static_cast<uint8_t>(frames[i]);
        out[2 * i + 1] = static_cast<uint8_t>(frames[i] >> 8);
    }
    return out;
}

std::vector<uint8_t> packedBytes(const std::vector<float>& quats) {
    std::vector<uint8_t> out(quats.size() / 4 * 6);
    for (size_t k = 0; k < quats.size() / 4; ++k) {
        zq_anim_writer::encodePackedQuat(&quats[4 * k], &out[6 * k]);
    }
    return out;
}

TEST(KeyFrameCoding, HalfFloatsRebiasWithoutSpecialCases) {
    EXPECT_EQ(ZqGlKeyFrame::decodeHalf(0x3C00), 1.0f);
    EXPECT_EQ(ZqGlKeyFrame::decodeHalf(0xBC00), -1.0f);
    EXPECT_EQ(ZqGlKeyFrame::decodeHalf(0x0000), std::ldexp(1.0f, -15));
    EXPECT_EQ(ZqGlKeyFrame::decodeHalf(0x7C00), 65536.0f); // no infinity
    for (const float v : {1.0f, -2.5f, 0.125f, 300.0f, -0.0078125f}) {
        EXPECT_EQ(ZqGlKeyFrame::decodeHalf(zq_anim_writer::encodeHalf(v)), v) << v;
    }
}

// A 48-bit key from its omitted-component index and three fields.
void packFields(const uint32_t index, const uint64_t p, const uint64_t q, const uint64_t r,
                uint8_t out[6]) {
    const uint64_t v = index | p << 2 | q << 17 | r << 32;
    for (int i = 0; i < 6; ++i) {
        out[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

TEST(KeyFrameCoding, PackedQuaternionFieldsAndRoot) {
    uint8_t key[6] = {};
    float q[4] = {};
    packFields(3, 16383, 16384, 16383, key);
    ZqGlKeyFrame::decodePackedQuat(key, q);
    EXPECT_NEAR(q[0], 0.0f, 1e-4f);
    EXPECT_NEAR(q[1], 0.0f, 1e-4f);
    EXPECT_NEAR(q[2], 0.0f, 1e-4f);
    EXPECT_NEAR(q[3], 1.0f, 1e-6f);

    // Omitted x: (root, R, Q, P).
    packFields(0, 32767, 16383, 0, key);
    ZqGlKeyFrame::decodePackedQuat(key, q);
    EXPECT_NEAR(q[1], -0.7071068f, 1e-6f);
    EXPECT_NEAR(q[2], 0.0f, 1e-4f);
    EXPECT_NEAR(q[3], 0.7071068f, 1e-6f);
    EXPECT_NEAR(q[0], 0.0f, 1e-3f);

    // Fields that square-sum above 1 give a root of 0, not NaN.
    packFields(3, 0, 0, 0, key);
    ZqGlKeyFrame::decodePackedQuat(key, q);
    EXPECT_EQ(q[3], 0.0f);
    EXPECT_FALSE(std::isnan(q[3]));

    // The writer's keys come back to within the 15-bit step, sign-normalised.
    const float in[4] = {0.1825742f, -0.3651484f, 0.5477226f, -0.7302967f};
    zq_anim_writer::encodePackedQuat(in, key);
    ZqGlKeyFrame::decodePackedQuat(key, q);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(q[i], -in[i], 1e-4f) << i;
    }
}

TEST_F(KeyFrameTest, CreationChecksGiveTheirCodes) {
    const std::vector<uint8_t> values = floatBytes(std::vector<float>(8000, 0.5f));
    const std::vector<uint8_t> late = frameBytes({3, 4});
    const std::vector<uint8_t> repeated = frameBytes({0, 5, 5});
    const float inf = std::numeric_limits<float>::infinity();
    struct Row {
        int line;
        uint32_t tracks;
        uint8_t type;
        uint16_t keys;
        const void* frames;
        uint32_t totalFrames;
        float rate;
        uint32_t code; // 0: accepted
    };
    const Row rows[] = {
        {__LINE__, 126, 8, 1, nullptr, 10, 30.0f, 0},
        {__LINE__, 127, 8, 1, nullptr, 10, 30.0f, ZqGlKeyFrame::ERROR_NR_TRACKS},
        {__LINE__, 0, 8, 1, nullptr, 10, 30.0f, ZqGlKeyFrame::ERROR_NR_TRACKS},
        {__LINE__, 1, 8, 7999, nullptr, 10, 30.0f, 0},
        {__LINE__, 1, 8, 8000, nullptr, 10, 30.0f, ZqGlKeyFrame::ERROR_NR_KEYS},
        {__LINE__, 1, 8, 0, nullptr, 10, 30.0f, ZqGlKeyFrame::ERROR_NR_KEYS},
        {__LINE__, 1, 2, 1, nullptr, 10, 30.0f, ZqGlKeyFrame::ERROR_TYPE},
        {__LINE__, 1, 8, 2, late.data(), 10, 30.0f, ZqGlKeyFrame::ERROR_FIRST_FRAME},
        {__LINE__, 1, 8, 3, repeated.data(), 10, 30.0f, ZqGlKeyFrame::ERROR_FRAME_ORDER},
        {__LINE__, 1, 8, 1, nullptr, 0, 30.0f, ZqGlKeyFrame::ERROR_TIMING},
        {__LINE__, 1, 8, 1, nullptr, 0x80000000u, 30.0f, ZqGlKeyFrame::ERROR_TIMING},
        {__LINE__, 1, 8, 1, nullptr, 10, 0.0f, ZqGlKeyFrame::ERROR_TIMING},
        {__LINE__, 1, 8, 1, nullptr, 10, -30.0f, ZqGlKeyFrame::ERROR_TIMING},
        {__LINE__, 1, 8, 1, nullptr, 10, inf, ZqGlKeyFrame::ERROR_TIMING},
        {__LINE__, 1, 8, 1, nullptr, 10, std::nanf(""), ZqGlKeyFrame::ERROR_TIMING},
    };
    for (const Row& row : rows) {
        std::vector<ZqGlKeyFrame::CreateData> data(row.tracks == 0 ? 1 : row.tracks);
        for (ZqGlKeyFrame::CreateData& d : data) {
            d = {row.type, row.keys, row.frames, values.data()};
        }
        zqp::setLastError(0);
        ZqGlKeyFrame* const set = ZqGlKeyFrame::createForce(u"set", row.tracks, data.data(),
                                                            row.totalFrames, row.rate, 0);
        EXPECT_EQ(set != nullptr, row.code == 0) << "line " << row.line;
        if (set != nullptr) {
            EXPECT_EQ(set->getNrTracks(), row.tracks) << "line " << row.line;
            set->release();
        } else {
            EXPECT_EQ(zqp::getLastError(), row.code) << "line " << row.line;
        }
    }
    EXPECT_EQ(ZqGlKeyFrame::getNrInstances(), 0u);
}

TEST_F(KeyFrameTest, SharedByNameUnlessForced) {
    const std::vector<uint8_t> values = floatBytes({1.0f, 2.0f});
    const ZqGlKeyFrame::CreateData d{ZqGlKeyFrame::TYPE_SCALAR, 2, nullptr, values.data()};
    ZqGlKeyFrame* const a = ZqGlKeyFrame::create(u"shared", 1, &d, 30, 30.0f, 1);
    ZqGlKeyFrame* const b = ZqGlKeyFrame::create(u"shared", 1, &d, 60, 60.0f, 0);
    ZqGlKeyFrame* const c = ZqGlKeyFrame::createForce(u"shared", 1, &d, 60, 60.0f, 0);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    EXPECT_EQ(a->getRefCount(), 2u);
    EXPECT_FLOAT_EQ(a->getTotalTime(), 1000.0f);
    EXPECT_FLOAT_EQ(c->getTotalTime(), 1000.0f);
    EXPECT_FLOAT_EQ(a->frame2msec(15.0f), 500.0f);
    EXPECT_FLOAT_EQ(a->msec2frame(500.0f), 15.0f);
    EXPECT_EQ(b->release(), 1u);
    EXPECT_EQ(a->release(), 0u);
    EXPECT_EQ(c->release(), 0u);
}

// One set of every track type: keys on frames 0, 10 and 30 (rate 30: 0, 333.3 and 1000 ms).
class KeyFramePlayerTest : public KeyFrameTest {
protected:
    void SetUp() override {
        KeyFrameTest::SetUp();
        const float s = std::sqrt(0.5f);
        quats = {0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, s, s, 0.0f, 0.0f, 1.0f, 0.0f};
        xyz = {0.0f, 0.0f, 0.0f, 3.0f, 6.0f, -3.0f, 1.0f, 2.0f, 4.0f};
        xyzw = {0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 7.0f, 8.0f, 9.0f, 10.0f, 11.0f};
        scalar = {1.0f, 4.0f, -2.0f};
        frames = frameBytes({0, 10, 30});
        raw[0] = floatBytes(quats);
        raw[1] = packedBytes(quats);
        raw[2] = floatBytes(xyz);
        raw[3] = halves(xyz);
        std::vector<uint8_t> based = floatBytes({10.0f, 20.0f, 30.0f});
        const std::vector<uint8_t> offsets = halves(xyz);
        based.insert(based.end(), offsets.begin(), offsets.end());
        raw[4] = based;
        raw[5] = floatBytes(xyzw);
        raw[6] = floatBytes(scalar);
        raw[7] = floatBytes(xyzw);
        const uint8_t types[8] = {1, 28, 29, 30, 31, 4, 8, 10};
        for (int i = 0; i < 8; ++i) {
            data[i] = {types[i], 3, frames.data(), raw[i].data()};
        }
        set = ZqGlKeyFrame::create(u"all", 8, data, 30, 30.0f, 1);
        ASSERT_NE(set, nullptr);
        player = ZqGlKeyFramePlayer::create(set, 0.0f);
        ASSERT_NE(player, nullptr);
    }
    void TearDown() override {
        player->release();
        set->release();
        KeyFrameTest::TearDown();
    }
    static std::vector<uint8_t> halves(const std::vector<float>& v) {
        std::vector<uint8_t> out;
        for (const float f : v) {
            const uint16_t h = zq_anim_writer::encodeHalf(f);
            out.push_back(static_cast<uint8_t>(h));
            out.push_back(static_cast<uint8_t>(h >> 8));
        }
        return out;
    }
    // The expected values of every track at fraction t between keys a and a + 1.
    void expectBetween(const int a, const float t, const int line) {
        const float s = std::sqrt(0.5f);
        for (uint32_t track = 0; track < 8; ++track) {
            const float* const got = player->getInterpolatedValues(track);
            float want[4] = {0.0f, 0.0f, 0.0f, 1.0f};
            if (track <= 1) {
                // Slerp about z between the keys' angles (0, 90, 180 degrees).
                const float angle = (static_cast<float>(a) + t) * 3.14159265f / 4.0f;
                want[0] = 0.0f;
                want[1] = 0.0f;
                want[2] = std::sin(angle);
                want[3] = std::cos(angle);
                (void)s;
            } else if (track <= 4) {
                for (int c = 0; c < 3; ++c) {
                    want[c] = xyz[3 * a + c] + (xyz[3 * a + 3 + c] - xyz[3 * a + c]) * t +
                              (track == 4 ? 10.0f * (c + 1) : 0.0f);
                }
            } else if (track == 6) {
                want[0] = (1.0f - t) * scalar[a] + t * scalar[a + 1];
            } else {
                for (int c = 0; c < 4; ++c) {
                    want[c] = xyzw[4 * a + c] + (xyzw[4 * a + 4 + c] - xyzw[4 * a + c]) * t;
                }
            }
            const int n = track == 6 ? 1 : 4;
            const float tolerance = track == 1 || (track >= 3 && track <= 4) ? 2e-3f : 1e-5f;
            for (int c = 0; c < n; ++c) {
                EXPECT_NEAR(got[c], want[c], tolerance)
                    << "line " << line << " track " << track << " component " << c;
            }
        }
    }

    std::vector<float> quats, xyz, xyzw, scalar;
    std::vector<uint8_t> frames;
    std::vector<uint8_t> raw[8];
    ZqGlKeyFrame::CreateData data[8];
    ZqGlKeyFrame* set = nullptr;
    ZqGlKeyFramePlayer* player = nullptr;
};

TEST_F(KeyFramePlayerTest, EveryTypeAtKeysAndBetween) {
    EXPECT_EQ(set->getType(1), ZqGlKeyFrame::TYPE_QUAT_PACKED);
    EXPECT_EQ(set->getNrValues(3), 3);
    EXPECT_EQ(set->getFrame(0, 2), 30);
    player->setTime(0.0f);
    expectBetween(0, 0.0f, __LINE__);
    player->setTime(1000.0f / 3.0f * 0.25f); // a quarter of the way to key 1
    expectBetween(0, 0.25f, __LINE__);
    player->setTime(1000.0f / 3.0f);
    expectBetween(1, 0.0f, __LINE__);
    EXPECT_EQ(player->getKey(0), 1u);
    player->setTime(1000.0f / 3.0f + 2000.0f / 3.0f * 0.5f);
    expectBetween(1, 0.5f, __LINE__);
    // Three-float tracks keep w at 1.
    EXPECT_EQ(player->getInterpolatedValues(2)[3], 1.0f);
}

TEST_F(KeyFramePlayerTest, LoopingWrapsAndCounts) {
    player->setTime(2500.0f);
    EXPECT_FLOAT_EQ(player->getCurrentTime(), 500.0f);
    EXPECT_EQ(player->getLoopCount(), 2);
    EXPECT_FLOAT_EQ(player->getTime(), 2500.0f);
    expectBetween(1, 0.25f, __LINE__);

    // Forward steps pass keys one by one and wrap through the end.
    player->setTime(0.0f);
    for (int i = 0; i < 9; ++i) {
        player->setRelativeTime(125.0f);
    }
    EXPECT_FLOAT_EQ(player->getTime(), 1125.0f);
    EXPECT_FLOAT_EQ(player->getCurrentTime(), 125.0f);
    EXPECT_EQ(player->getLoopCount(), 1);
    expectBetween(0, 0.375f, __LINE__);
    EXPECT_TRUE(player->isEnd());

    // Backward steps search down from the current key.
    player->setTime(900.0f);
    player->setRelativeTime(-650.0f);
    expectBetween(0, 0.75f, __LINE__);
    EXPECT_EQ(player->getKey(0), 0u);
}

TEST_F(KeyFramePlayerTest, PlayingOnceHoldsTheEnds) {
    player->setLoopMode(0);
    player->setTime(-50.0f);
    expectBetween(0, 0.0f, __LINE__);
    EXPECT_EQ(player->getKey(0), 0u);
    player->setTime(999.0f);
    EXPECT_FALSE(player->isEnd());
    player->setRelativeTime(500.0f);
    EXPECT_TRUE(player->isEnd());
    EXPECT_FLOAT_EQ(player->getCurrentTime(), 1499.0f);
    expectBetween(1, 1.0f, __LINE__);
    EXPECT_EQ(player->getLoopCount(), 0);
}

TEST_F(KeyFramePlayerTest, SwitchedOffTracksKeepTheirKeysAndAnotherSetKeepsTheRate) {
    // A track switched off follows the keys but keeps its values until switched on again.
    player->setTime(0.0f);
    player->setTrackActive(2, false);
    player->setRelativeTime(1000.0f / 3.0f + 2000.0f / 3.0f * 0.5f);
    EXPECT_EQ(player->getKey(2), 1u);
    EXPECT_EQ(player->getInterpolatedValues(2)[0], 0.0f);
    player->setTrackActive(2, true);
    expectBetween(1, 0.5f, __LINE__);
    player->setTrackActive(2, false);
    player->setTime(900.0f);
    player->setRelativeTime(-650.0f);
    EXPECT_EQ(player->getKey(2), 0u);
    player->setTrackActive(2, true);
    expectBetween(0, 0.75f, __LINE__);

    // Under a set of as many tracks with fewer keys, a track switched off finds its key anew.
    player->setTime(500.0f);
    EXPECT_EQ(player->getKey(2), 1u);
    player->setTrackActive(2, false);
    ZqGlKeyFrame::CreateData firstKeys[8];
    for (int i = 0; i < 8; ++i) {
        firstKeys[i] = data[i];
        firstKeys[i].nrKeys = 1;
    }
    ZqGlKeyFrame* const still = ZqGlKeyFrame::create(u"still", 8, firstKeys, 30, 30.0f, 1);
    ASSERT_NE(still, nullptr);
    ASSERT_TRUE(player->setKeyFrame(still, 500.0f));
    EXPECT_EQ(player->getKey(2), 0u);
    player->setTrackActive(2, true);
    EXPECT_EQ(player->getInterpolatedValues(2)[0], xyz[0]);
    ASSERT_TRUE(player->setKeyFrame(set, 0.0f));
    still->release();

    // The same tracks at 60 frames a second: the player keeps its work array and its rate of
    // 30, so the keys stay at 0, 333.3 and 1000 ms.
    ZqGlKeyFrame* const twice = ZqGlKeyFrame::createForce(u"all", 8, data, 60, 60.0f, 1);
    ASSERT_NE(twice, nullptr);
    ASSERT_TRUE(player->setKeyFrame(twice, 1000.0f / 3.0f * 0.25f));
    EXPECT_EQ(player->getRate(), 30.0f);
    expectBetween(0, 0.25f, __LINE__);
    player->setRelativeTime(1000.0f / 3.0f * 0.75f + 2000.0f / 3.0f * 0.5f);
    expectBetween(1, 0.5f, __LINE__);
    twice->release();
}

TEST_F(KeyFramePlayerTest, SetKeyFrameBeyondTheEndKeepsTheOldSet) {
    const std::vector<uint8_t> one = floatBytes({7.0f});
    const ZqGlKeyFrame::CreateData d{ZqGlKeyFrame::TYPE_SCALAR, 1, nullptr, one.data()};
    ZqGlKeyFrame* const other = ZqGlKeyFrame::create(u"other", 1, &d, 3, 30.0f, 0);
    ASSERT_NE(other, nullptr);
    EXPECT_FALSE(player->setKeyFrame(other, 101.0f));
    EXPECT_EQ(zqp::getLastError(), ZqGlKeyFramePlayer::ERROR_TIME);
    EXPECT_EQ(player->getKeyFrame(), set);
    EXPECT_EQ(other->getRefCount(), 1u);
    EXPECT_TRUE(player->setKeyFrame(other, 100.0f));
    EXPECT_EQ(player->getNrTracks(), 1);
    EXPECT_EQ(player->getInterpolatedValues(0)[0], 7.0f);
    EXPECT_EQ(other->getRefCount(), 2u);
    EXPECT_EQ(set->getRefCount(), 1u);
    EXPECT_EQ(ZqGlKeyFramePlayer::create(other, 200.0f), nullptr);
    EXPECT_EQ(ZqGlKeyFramePlayer::getNrInstances(), 1u);
    other->release();
}

} // namespace
