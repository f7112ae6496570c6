// Camera paths: writer-made containers load and play with the keyed values, every check of the
// container gives its code, one-frame cuts past the thresholds are held over, and reload swaps
// the path under a live name.
#include "zq/gl/ZqGlCameraAnimation.h"
#include "ZqAnimWriter.h"
#include "zq/gl/ZqGlCameraAnimationFormat.h"
#include "zq/gl/ZqGlCameraAnimationPlayer.h"
#include "zq/gl/ZqGlKeyFrame.h"
#include "zq/gl/ZqGlKeyFramePlayer.h"
#include "zq/math/ZqQuat.h"
#include "zq/platform/os/lasterror.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using zq_anim_writer::CameraAnimation;

class CameraAnimationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ZqGlKeyFrame::sysInit();
        ZqGlKeyFramePlayer::sysInit();
        ZqGlCameraAnimation::sysInit();
        ZqGlCameraAnimationPlayer::sysInit();
    }
    void TearDown() override {
        ZqGlCameraAnimationPlayer::sysQuit();
        ZqGlCameraAnimation::sysQuit();
        ZqGlKeyFramePlayer::sysQuit();
        ZqGlKeyFrame::sysQuit();
    }
    static ZqGlCameraAnimation* load(const std::vector<uint8_t>& bytes,
                                     const char16_t* name = u"cam") {
        return ZqGlCameraAnimation::create(name, bytes.data(), static_cast<uint32_t>(bytes.size()),
                                           60.0f);
    }
};

// A pan at 60 frames a second: the rotation turns about y with a one-frame cut of 0.5 in x
// between frames 10 and 11, the position slides, the projection values change.
CameraAnimation pan() {
    CameraAnimation a;
    a.frameCount = 30;
    a.tracks[0].frames = {0, 10, 11, 20};
    a.tracks[0].values = {0,    0,    0, 1,     0,    0.2f, 0, 0.98f,
                          0.5f, 0.2f, 0, 0.84f, 0.5f, 0.4f, 0, 0.77f};
    a.tracks[1].frames = {0, 20};
    a.tracks[1].values = {0, 1, 10, 1, 4, 1, 2, 1};
    a.tracks[2].values = {45, 60};
    a.tracks[3].values = {1};
    a.tracks[4].frames = {0, 30};
    a.tracks[4].values = {100, 400};
    a.tracks[5].values = {1.5f};
    return a;
}

void put32(std::vector<uint8_t>& b, const size_t at, const uint32_t v) {
    std::memcpy(&b[at], &v, 4);
}

// Where the writer puts the chunk and a track's record.
constexpr size_t CHUNK = 24;
size_t record(const std::vector<uint8_t>& b, const uint32_t track) {
    uint32_t r = 0;
    std::memcpy(&r, &b[CHUNK + zqcamanim::CHUNK_TRACKS + 4 * track], 4);
    return CHUNK + r;
}

float msOfFrame(const float frame) {
    return frame * 1000.0f / 60.0f;
}

void expectCamera(const ZqGlCameraAnimationPlayer& p, const float q[4], const float pos[3]) {
    ZqMatrix m;
    m.setFromQuat(q[0], q[1], q[2], q[3]).setTrans(pos[0], pos[1], pos[2], 1.0f);
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(p.getMatrix().m[i / 4][i % 4], m.m[i / 4][i % 4], 1e-5f) << i;
    }
}

TEST_F(CameraAnimationTest, PlaysTheKeyedValues) {
    ZqGlCameraAnimation* const a = load(zq_anim_writer::write(pan()));
    ASSERT_NE(a, nullptr) << std::hex << zqp::getLastError();
    EXPECT_EQ(a->getKeyFrame()->getNrTracks(), 6);
    ZqGlCameraAnimationPlayer* const p = ZqGlCameraAnimationPlayer::create(a, 0.0f);
    ASSERT_NE(p, nullptr);
    const float q0[4] = {0, 0, 0, 1};
    const float p0[3] = {0, 1, 10};
    expectCamera(*p, q0, p0);
    EXPECT_NEAR(p->getFovY(), 0.7853982f, 1e-6f);
    EXPECT_FLOAT_EQ(p->getZNear(), 1.0f);
    EXPECT_FLOAT_EQ(p->getZFar(), 100.0f);
    EXPECT_FLOAT_EQ(p->getAspect(), 1.5f);
    // Between keys: a slerp of the rotation, lerps of the rest.
    p->setTime(msOfFrame(15.0f));
    const ZqQuat q =
        ZqQuat().slerp(ZqQuat(0.5f, 0.2f, 0, 0.84f), ZqQuat(0.5f, 0.4f, 0, 0.77f), 4.0f / 9.0f);
    const float qs[4] = {q.x, q.y, q.z, q.w};
    const float ps[3] = {3.0f, 1.0f, 4.0f};
    expectCamera(*p, qs, ps);
    EXPECT_NEAR(p->getFovY(), 60.0f * 0.017453292f, 1e-6f); // the last key held
    EXPECT_NEAR(p->getZFar(), 250.0f, 1e-3f);
    EXPECT_EQ(p->getKey(0), 2u);
    EXPECT_EQ(p->getCameraAnimation(), a);

    // With the matrix calculation off time runs and the outputs stay.
    p->setCalcMatrixEnable(false);
    EXPECT_FALSE(p->isCalcMatrixEnable());
    p->setRelativeTime(msOfFrame(5.0f));
    EXPECT_NEAR(p->getTime(), msOfFrame(20.0f), 1e-3f);
    expectCamera(*p, qs, ps);
    p->setCalcMatrixEnable(true);
    // The setters hold until the next evaluation.
    p->setFovY(2.0f);
    p->setZNear(3.0f);
    EXPECT_EQ(p->getFovY(), 2.0f);
    p->setRelativeTime(0.0f);
    EXPECT_NEAR(p->getFovY(), 60.0f * 0.017453292f, 1e-6f);
    EXPECT_FLOAT_EQ(p->getZNear(), 1.0f);
    p->release();
    a->release();
}

TEST_F(CameraAnimationTest, OneFrameCutsPastTheThresholdsAreHeld) {
    ZqGlCameraAnimation* const a = load(zq_anim_writer::write(pan()));
    ASSERT_NE(a, nullptr);
    ZqGlCameraAnimationPlayer* const p = ZqGlCameraAnimationPlayer::create(a, msOfFrame(9.5f));
    ASSERT_NE(p, nullptr);
    const ZqMatrix before = p->getMatrix();
    const float farBefore = p->getZFar();
    // Default thresholds: nothing is held.
    p->setTime(msOfFrame(10.5f));
    EXPECT_NE(std::memcmp(p->getMatrix().m, before.m, sizeof before.m), 0);
    p->setTime(msOfFrame(9.5f));
    p->setRotationThreshold(0.1f, 1.0f, 1.0f, 1.0f);
    // Between frames 10 and 11 (x jumps by 0.5): everything stays as it was.
    p->setTime(msOfFrame(10.5f));
    EXPECT_EQ(std::memcmp(p->getMatrix().m, before.m, sizeof before.m), 0);
    EXPECT_EQ(p->getZFar(), farBefore);
    // Past frame 11 the path is followed again.
    p->setTime(msOfFrame(12.0f));
    EXPECT_NE(p->getZFar(), farBefore);
    // Keys two frames or more apart are never held, whatever the thresholds.
    p->setRotationThreshold(0.0f, 0.0f, 0.0f, 0.0f);
    p->setTransThreshold(0.0f, 0.0f, 0.0f, 0.0f);
    p->setTime(msOfFrame(5.0f));
    EXPECT_NEAR(p->getZFar(), 150.0f, 1e-3f);
    p->release();

    // A position w jumping by more than 1.0 in one frame is held with the default thresholds.
    CameraAnimation w = pan();
    w.tracks[1].frames = {0, 1};
    w.tracks[1].values = {0, 0, 0, 1, 0, 0, 0, 2.5f};
    ZqGlCameraAnimation* const b = load(zq_anim_writer::write(w), u"w");
    ASSERT_NE(b, nullptr);
    ZqGlCameraAnimationPlayer* const q = ZqGlCameraAnimationPlayer::create(b, msOfFrame(0.5f));
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->getZFar(), 0.0f); // held from the start: nothing of an earlier player
    q->setTime(msOfFrame(1.5f));
    EXPECT_FLOAT_EQ(q->getMatrix()._44, 2.5f);
    q->release();
    b->release();
    a->release();
}

TEST_F(CameraAnimationTest, ContainerChecksGiveTheirCodes) {
    const std::vector<uint8_t> good = zq_anim_writer::write(pan());
    using Edit = std::function<void(std::vector<uint8_t>&)>;
    struct Case {
        int line;
        Edit edit;
        uint32_t code;
    };
    const Case cases[] = {
        {__LINE__, [](std::vector<uint8_t>& b) { b[0] ^= 1; }, ZqGlCameraAnimation::ERROR_MAGIC},
        {__LINE__, [](std::vector<uint8_t>& b) { put32(b, 16, 0); },
         ZqGlCameraAnimation::ERROR_NO_CHUNK},
        {__LINE__, [](std::vector<uint8_t>& b) { put32(b, 16, 19); },
         ZqGlCameraAnimation::ERROR_CHUNK_OFFSET},
        {__LINE__, [](std::vector<uint8_t>& b) { put32(b, 16, uint32_t(b.size())); },
         ZqGlCameraAnimation::ERROR_CHUNK_OFFSET},
        {__LINE__, [](std::vector<uint8_t>& b) { put32(b, CHUNK, 0xFF010003u); },
         ZqGlCameraAnimation::ERROR_CHUNK_TYPE},
        {__LINE__,
         [](std::vector<uint8_t>& b) { put32(b, CHUNK + 8 + 4 * 3, uint32_t(b.size() - CHUNK)); },
         ZqGlCameraAnimation::ERROR_TRACK_OFFSET},
        {__LINE__, [](std::vector<uint8_t>& b) { b[record(b, 2)] = 4; },
         ZqGlCameraAnimation::ERROR_TRACK_TYPE},
        {__LINE__, [](std::vector<uint8_t>& b) { b[record(b, 4) + 6] = 3; },
         ZqGlCameraAnimation::ERROR_TRACK_NUMBER},
        {__LINE__, [](std::vector<uint8_t>& b) { b[record(b, 5) + 7] = 1; },
         ZqGlCameraAnimation::ERROR_TRACK_NUMBER},
        {__LINE__, [](std::vector<uint8_t>& b) { put32(b, record(b, 0) + 8, 0x10000); },
         ZqGlCameraAnimation::ERROR_FRAMES},
        // A frame table that starts inside the data but does not fit in it.
        {__LINE__,
         [](std::vector<uint8_t>& b) {
             b[record(b, 0) + 4] = 0xFF;
             b[record(b, 0) + 5] = 0xFF;
         },
         ZqGlCameraAnimation::ERROR_FRAMES},
        {__LINE__, [](std::vector<uint8_t>& b) { put32(b, record(b, 3) + 12, 0x10000); },
         ZqGlCameraAnimation::ERROR_VALUES},
        // Value data that starts inside and runs past the end.
        {__LINE__,
         [](std::vector<uint8_t>& b) {
             b[record(b, 5) + 4] = 0xFF;
             b[record(b, 5) + 5] = 0xFF;
         },
         ZqGlCameraAnimation::ERROR_VALUES},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> b = good;
        c.edit(b);
        EXPECT_EQ(load(b), nullptr) << "line " << c.line;
        EXPECT_EQ(zqp::getLastError(), c.code) << "line " << c.line;
    }
    // Three chunk entries.
    std::vector<uint8_t> three(good.begin(), good.begin() + 16);
    for (const uint32_t v : {32u, 32u, 32u, 0u}) {
        three.insert(three.end(), 4, 0);
        put32(three, three.size() - 4, v);
    }
    three.insert(three.end(), good.begin() + CHUNK, good.end());
    EXPECT_EQ(load(three), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqGlCameraAnimation::ERROR_NR_CHUNKS);
    // A skeletal animation has no camera chunk.
    zq_anim_writer::Animation skeletal;
    skeletal.parents = {-1};
    skeletal.tracks = {{1, 0, {}, {0, 0, 0, 1}}};
    EXPECT_EQ(load(zq_anim_writer::write(skeletal)), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqGlCameraAnimation::ERROR_CHUNK_TYPE);

    EXPECT_EQ(ZqGlCameraAnimation::create(nullptr, good.data(), 100, 0.0f), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqGlCameraAnimation::ERROR_NULL);
    EXPECT_EQ(ZqGlCameraAnimation::create(u"x", good.data(), 9, 0.0f), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqGlCameraAnimation::ERROR_SIZE);
    std::vector<uint8_t> big(65536);
    EXPECT_EQ(load(big), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqGlCameraAnimation::ERROR_SIZE);
    EXPECT_EQ(ZqGlCameraAnimationPlayer::create(nullptr, 0.0f), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqGlCameraAnimationPlayer::ERROR_NULL);
}

TEST_F(CameraAnimationTest, TwoChunksTheSecondReadSharingAndReload) {
    // Two chunks: a still camera first, the pan second; the pan plays.
    const float at[3] = {7, 8, 9};
    const std::vector<uint8_t> still =
        zq_anim_writer::write(zq_anim_writer::stillCamera(at, 30, 2, 50, 1));
    const std::vector<uint8_t> moving = zq_anim_writer::write(pan());
    std::vector<uint8_t> two(moving.begin(), moving.begin() + 16);
    const uint32_t first = 28;
    const uint32_t second = first + uint32_t(still.size() - CHUNK);
    for (const uint32_t v : {first, second, 0u}) {
        two.insert(two.end(), 4, 0);
        put32(two, two.size() - 4, v);
    }
    two.insert(two.end(), still.begin() + CHUNK, still.end());
    two.insert(two.end(), moving.begin() + CHUNK, moving.end());
    ZqGlCameraAnimation* const a = load(two);
    ASSERT_NE(a, nullptr) << std::hex << zqp::getLastError();
    ZqGlCameraAnimationPlayer* const p = ZqGlCameraAnimationPlayer::create(a, 0.0f);
    ASSERT_NE(p, nullptr);
    EXPECT_FLOAT_EQ(p->getZFar(), 100.0f);

    // The same name gives the same path, its data unread.
    ZqGlCameraAnimation* const again = load(std::vector<uint8_t>(20, 0));
    EXPECT_EQ(again, a);
    EXPECT_EQ(a->getRefCount(), 3u); // the player holds one
    again->release();

    // Reload swaps the path; set again, the player plays the new one.
    EXPECT_EQ(a->reload(still.data(), uint32_t(still.size()), 60.0f), a);
    ASSERT_TRUE(p->setCameraAnimation(a, 0.0f));
    EXPECT_FLOAT_EQ(p->getZFar(), 50.0f);
    EXPECT_FLOAT_EQ(p->getMatrix()._41, 7.0f);
    // A failed reload keeps the path; a null argument sets no error.
    std::vector<uint8_t> broken = moving;
    broken[0] = 0;
    EXPECT_EQ(a->reload(broken.data(), uint32_t(broken.size()), 60.0f), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqGlCameraAnimation::ERROR_MAGIC);
    zqp::setLastError(0);
    EXPECT_EQ(a->reload(static_cast<const void*>(nullptr), 100, 60.0f), nullptr);
    EXPECT_EQ(zqp::getLastError(), 0u);
    ASSERT_TRUE(p->setCameraAnimation(a, 0.0f));
    EXPECT_FLOAT_EQ(p->getZFar(), 50.0f);
    p->release();
    a->release();
}

TEST(CameraAnimationText, TextFormWritesTheSameContainer) {
    CameraAnimation parsed;
    std::string error;
    ASSERT_TRUE(zq_anim_writer::parseCameraText(
        "frames 30 # half a second\nfps 60\nloop 1\n"
        "track 0 4 frames 0 10 11 20 values 0 0 0 1 0 0.2 0 0.98 0.5 0.2 0 0.84 0.5 0.4 0 0.77\n"
        "track 1 2 frames 0 20 values 0 1 10 1 4 1 2 1\ntrack 2 2 values 45 60\n"
        "track 3 1 values 1\ntrack 4 2 frames 0 30 values 100 400\ntrack 5 1 values 1.5\n",
        parsed, error))
        << error;
    EXPECT_EQ(zq_anim_writer::write(parsed), zq_anim_writer::write(pan()));
    EXPECT_FALSE(zq_anim_writer::parseCameraText("fps 60\ntrack 6 1 values 1\n", parsed, error));
    EXPECT_EQ(error, "line 2: track needs INDEX (0..5) KEYS");
    EXPECT_FALSE(zq_anim_writer::parseCameraText("track 1 1 values 1 2\n", parsed, error));
    EXPECT_EQ(error, "line 1: too few values");
    // A track left without keys cannot be written.
    ASSERT_TRUE(zq_anim_writer::parseCameraText("track 0 1 values 0 0 0 1\n", parsed, error));
    EXPECT_THROW(zq_anim_writer::write(parsed), std::invalid_argument);
}

} // namespace
