// The skeletal animation player and the layered mixer on writer-made skeletons: bone matrices
// against a double-precision reference at keys, between keys, across loops and through
// cross-fades (frozen poses, fixed blend ratios, auto-loop chains), bone scale and scale
// tracks, Euler limits, and the refusals with their codes.
#include "zq/gl/ZqGlAnimationPlayer.h"
#include "ZqAnimWriter.h"
#include "tests/zq/gl/SkeletonReference.h"
#include "zq/gl/ZqGlAnimation.h"
#include "zq/gl/ZqGlAnimationMixer.h"
#include "zq/gl/ZqGlKeyFrame.h"
#include "zq/gl/ZqGlKeyFramePlayer.h"
#include "zq/platform/os/lasterror.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using zq_anim_writer::Animation;
using zq_anim_writer::Track;

class AnimationPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ZqGlKeyFrame::sysInit();
        ZqGlKeyFramePlayer::sysInit();
        ZqGlAnimation::sysInit();
        ZqGlAnimationPlayer::sysInit();
        ZqGlAnimationMixer::sysInit();
    }
    void TearDown() override {
        ZqGlAnimationMixer::sysQuit();
        ZqGlAnimationPlayer::sysQuit();
        ZqGlAnimation::sysQuit();
        ZqGlKeyFramePlayer::sysQuit();
        ZqGlKeyFrame::sysQuit();
    }

    ZqGlAnimation* load(const Animation& a, const char16_t* name) {
        const std::vector<uint8_t> bytes = zq_anim_writer::write(a);
        ZqGlAnimation* const r =
            ZqGlAnimation::create(name, bytes.data(), static_cast<uint32_t>(bytes.size()), 0.0f);
        EXPECT_NE(r, nullptr) << std::hex << zqp::getLastError();
        return r;
    }
};

std::vector<float> axisAngle(const float x, const float y, const float z, const float a) {
    const float s = std::sin(a / 2);
    return {x * s, y * s, z * s, std::cos(a / 2)};
}

std::vector<float> concat(std::initializer_list<std::vector<float>> parts) {
    std::vector<float> out;
    for (const std::vector<float>& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

// Four bones (0 <- 1 <- 2, 1 <- 3) at 30 frames a second over 40 frames, looping; the keys
// turn and move the bones differently per variant, the last key held to the end.
Animation skeleton(const float turn, const int variant = 0) {
    Animation a;
    a.frameCount = 40;
    a.fps = 30;
    a.loopMode = 1;
    a.parents = {-1, 0, 1, 1};
    const float v = static_cast<float>(variant);
    Track r0{1,
             0,
             {0, 10, 30},
             concat({axisAngle(0, 1, 0, 0), axisAngle(0, 1, 0, turn), axisAngle(0, 1, 0, -turn)})};
    Track r1{1, 1, {0, 20}, concat({axisAngle(0, 0, 1, 0.3f + v), axisAngle(1, 0, 0, turn)})};
    Track r2{1, 2, {}, concat({axisAngle(0.6f, 0.8f, 0, 0.1f), axisAngle(0.6f, 0.8f, 0, 2.5f)})};
    Track t1{29, 1, {0, 40}, {0, 1, 0, 0.5f + v, 1.5f, 0}};
    Track t2{29, 2, {}, {0, 2, 0}};
    Track t3{29, 3, {0, 5, 25}, {1, 0, 0, 1, 0.5f, 0, 0.5f, 0, 1 + v}};
    Track t0{4, 0, {}, {0.25f, 0, -1, 1, 0.5f, 0, -1, 1}};
    a.tracks = {r0, r1, r2, t1, t2, t3, t0};
    return a;
}

const std::vector<int> PARENTS = {-1, 0, 1, 1};

TEST_F(AnimationPlayerTest, MatricesFollowTheReferenceAtKeysBetweenKeysAndAcrossLoops) {
    const Animation desc = skeleton(1.2f);
    ZqGlAnimation* const a = load(desc, u"walk");
    ZqGlAnimationPlayer* const p = ZqGlAnimationPlayer::create(a, 0.0f);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->getNrBones(), 4);
    EXPECT_EQ(p->getAnimation(), a);
    // Absolute times: keys (frames 0, 10, 20, 30), between keys, the held end.
    for (const double ms : {0.0, 1000.0 / 3, 2000.0 / 3, 1000.0, 123.4, 555.5, 1200.0, 1333.0}) {
        p->setTime(static_cast<float>(ms));
        EXPECT_TRUE(zqref::near(p->getMatrixArray(), zqref::pose(PARENTS, zqref::sample(desc, ms))))
            << ms;
    }
    // 17 ms steps through two and a half loops (never landing on a loop's end).
    p->setTime(0.0f);
    double t = 0.0;
    for (int i = 0; i < 200; ++i) {
        p->setRelativeTime(17.0f);
        t += 17.0;
        ASSERT_TRUE(
            zqref::near(p->getMatrixArray(), zqref::pose(PARENTS, zqref::sample(desc, t)), 5e-4))
            << t;
    }
    EXPECT_EQ(p->getLoopCount(), 2);
    // setMatrix holds until the next evaluation.
    p->setMatrix(2, ZqMatrix(7.0f));
    EXPECT_EQ(p->getMatrix(2)._11, 7.0f);
    p->setRelativeTime(0.0f);
    EXPECT_NE(p->getMatrix(2)._11, 7.0f);
    p->release();
    a->release();
}

TEST_F(AnimationPlayerTest, BoneScaleAndScaleTracksScaleTheBoneAndMoveItsChildren) {
    // A parent and one child at offset (1, 0, 0).
    Animation desc;
    desc.parents = {-1, 0};
    desc.tracks = {Track{29, 1, {}, {1, 0, 0}}};
    ZqGlAnimation* const a = load(desc, u"pair");
    ZqGlAnimationPlayer* const p = ZqGlAnimationPlayer::create(a, 0.0f);
    ASSERT_NE(p, nullptr);
    p->setBoneScale(0, 2.0f, 1.0f, 1.0f);
    p->setTime(0.0f);
    EXPECT_FLOAT_EQ(p->getMatrix(0)._11, 1.0f); // scale off: nothing changes
    p->setBoneScaleEnable(true);
    EXPECT_TRUE(p->isBoneScaleEnable());
    p->setTime(0.0f);
    EXPECT_FLOAT_EQ(p->getMatrix(0)._11, 2.0f);
    EXPECT_FLOAT_EQ(p->getMatrix(0)._22, 1.0f);
    EXPECT_FLOAT_EQ(p->getMatrix(1)._41, 2.0f);
    EXPECT_FLOAT_EQ(p->getMatrix(1)._11, 1.0f);
    EXPECT_FLOAT_EQ(p->getBoneScale(0).x, 2.0f);

    // Scale tracks and bone scale together on a turning skeleton, against the reference.
    Animation scaled = skeleton(0.7f);
    scaled.tracks.push_back(Track{10, 1, {0, 40}, {1, 1, 1, 1, 3, 0.5f, 2, 1}});
    scaled.tracks.push_back(Track{10, 3, {}, {0.5f, 2, 1, 1}});
    ZqGlAnimation* const s = load(scaled, u"scaled");
    ASSERT_TRUE(p->setAnimation(s, 0.0f));
    EXPECT_FALSE(p->isBoneScaleEnable()); // a new animation turns the switches off
    p->setBoneScaleEnable(true);
    const std::vector<std::array<double, 3>> boneScale = {
        {1.5, 1, 1}, {1, 2, 1}, {1, 1, 0.5}, {2, 2, 2}};
    for (uint32_t b = 0; b < 4; ++b) {
        p->setBoneScale(b, ZqVector3(static_cast<float>(boneScale[b][0]),
                                     static_cast<float>(boneScale[b][1]),
                                     static_cast<float>(boneScale[b][2])));
    }
    for (const double ms : {0.0, 400.0, 900.0}) {
        p->setTime(static_cast<float>(ms));
        EXPECT_TRUE(zqref::near(p->getMatrixArray(),
                                zqref::pose(PARENTS, zqref::sample(scaled, ms), &boneScale, true),
                                1e-3))
            << ms;
    }
    p->release();
    s->release();
    a->release();
}

TEST_F(AnimationPlayerTest, EulerLimitsClampOnlyTheBoundedAngles) {
    Animation desc;
    desc.parents = {-1, 0};
    desc.tracks = {Track{1, 0, {}, axisAngle(0, 0, 1, 1.0f)},
                   Track{1, 1, {}, axisAngle(1, 0, 0, 0.8f)}, Track{29, 1, {}, {0, 1, 0}}};
    ZqGlAnimation* const a = load(desc, u"bend");
    ZqGlAnimationPlayer* const p = ZqGlAnimationPlayer::create(a, 0.0f);
    ASSERT_NE(p, nullptr);
    const ZqMatrix free0 = p->getMatrix(0);
    const ZqMatrix free1 = p->getMatrix(1);
    p->setRotateLimitationEnable(true);
    p->setRotateLimitation(0, 0, 0, 0, 0, -0.5f, 0.5f);
    // Bone 1 keeps all six limits 0.
    p->setTime(0.0f);
    ZqMatrix z;
    z.setRotZ(0.5f);
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(p->getMatrix(0).m[i / 4][i % 4], z.m[i / 4][i % 4], 1e-5f) << i;
    }
    // Bone 1 moves with its clamped parent; its own local rotation is untouched.
    ZqMatrix expected;
    expected.mul(ZqMatrix().mul(free1, ZqMatrix().inverse(free0)), z);
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(p->getMatrix(1).m[i / 4][i % 4], expected.m[i / 4][i % 4], 1e-5f) << i;
    }
    // Limits in the reverse order clamp the same way.
    p->setRotateLimitation(0, 0, 0, 0, 0, 0.25f, -0.25f);
    p->setTime(0.0f);
    EXPECT_NEAR(std::atan2(p->getMatrix(0)._12, p->getMatrix(0)._11), 0.25f, 1e-5f);
    p->release();
    a->release();
}

TEST_F(AnimationPlayerTest, SetAnimationRefusalsAndStrayTracks) {
    EXPECT_EQ(ZqGlAnimationPlayer::create(nullptr, 0.0f), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqGlAnimationPlayer::ERROR_NULL);

    // A track of bone -1 is evaluated and moves nothing; one bone gives its local matrix.
    Animation one;
    one.parents = {-1};
    one.tracks = {Track{1, 0, {}, axisAngle(0, 1, 0, 0.5f)}, Track{29, -1, {}, {5, 5, 5}}};
    ZqGlAnimation* const a = load(one, u"one");
    ZqGlAnimationPlayer* const p = ZqGlAnimationPlayer::create(a, 0.0f);
    ASSERT_NE(p, nullptr);
    ZqMatrix y;
    y.setRotY(0.5f);
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(p->getMatrix(0).m[i / 4][i % 4], y.m[i / 4][i % 4], 1e-6f) << i;
    }

    // Another bone count: the tables follow it.
    ZqGlAnimation* const four = load(skeleton(0.4f), u"four");
    ASSERT_TRUE(p->setAnimation(four, 100.0f));
    EXPECT_EQ(p->getNrBones(), 4);
    EXPECT_TRUE(zqref::near(p->getMatrixArray(),
                            zqref::pose(PARENTS, zqref::sample(skeleton(0.4f), 100.0))));

    // A scalar track drives no bone part: refused, and the player then holds nothing.
    Animation bad = one;
    bad.tracks.push_back(Track{8, 0, {}, {1}});
    ZqGlAnimation* const b = load(bad, u"bad");
    const unsigned int before = four->getRefCount();
    EXPECT_FALSE(p->setAnimation(b, 0.0f));
    EXPECT_EQ(zqp::getLastError(), ZqGlAnimationPlayer::ERROR_TRACK_TYPE);
    EXPECT_EQ(p->getAnimation(), nullptr);
    EXPECT_EQ(four->getRefCount(), before - 1);
    p->setTime(10.0f); // nothing to evaluate
    p->setRelativeTime(10.0f);
    EXPECT_EQ(p->getNrBones(), 0);
    EXPECT_EQ(ZqGlAnimationPlayer::create(b, 0.0f), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqGlAnimationPlayer::ERROR_NULL);
    p->release();

    // The pool holds 256 players.
    std::vector<ZqGlAnimationPlayer*> all;
    for (uint32_t i = 0; i < ZqGlAnimationPlayer::POOL_SIZE; ++i) {
        all.push_back(ZqGlAnimationPlayer::create(a, 0.0f));
        ASSERT_NE(all.back(), nullptr);
    }
    EXPECT_EQ(ZqGlAnimationPlayer::create(a, 0.0f), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqGlAnimationPlayer::ERROR_NO_FREE);
    for (ZqGlAnimationPlayer* const q : all) {
        q->release();
    }
    b->release();
    four->release();
    a->release();
}

// The mixer against the reference: cross-fades by elapsed time, a third animation from the
// frozen mixed pose, a fixed ratio, and idle layers.
class MixerTest : public AnimationPlayerTest {
protected:
    void SetUp() override {
        AnimationPlayerTest::SetUp();
        for (int i = 0; i < 3; ++i) {
            desc[i] = skeleton(0.5f + i, i);
        }
        anim[0] = load(desc[0], u"a");
        anim[1] = load(desc[1], u"b");
        anim[2] = load(desc[2], u"c");
        mixer = ZqGlAnimationMixer::create(anim[0]);
        ASSERT_NE(mixer, nullptr);
    }
    void TearDown() override {
        if (mixer != nullptr) {
            mixer->release();
        }
        for (ZqGlAnimation* const a : anim) {
            a->release();
        }
        AnimationPlayerTest::TearDown();
    }
    // A frame: the layer's time, then the blend clock and the matrices.
    void step(const float ms) {
        mixer->setRelativeTime(0, ms);
        mixer->setBlendRelativeTime(ms);
    }

    Animation desc[3];
    ZqGlAnimation* anim[3] = {};
    ZqGlAnimationMixer* mixer = nullptr;
};

TEST_F(MixerTest, CrossFadesFromThePoseReachedOverTheBlendDuration) {
    // An idle layer set at once: no blend.
    ASSERT_TRUE(mixer->setAnimation(0, anim[0], 0.0f, 0.0f));
    step(0.0f);
    EXPECT_TRUE(
        zqref::near(mixer->getMatrixArray(), zqref::pose(PARENTS, zqref::sample(desc[0], 0))));
    double ta = 0.0;
    for (int i = 0; i < 6; ++i) {
        step(50.0f);
        ta += 50.0;
    }
    EXPECT_TRUE(
        zqref::near(mixer->getMatrixArray(), zqref::pose(PARENTS, zqref::sample(desc[0], ta))));

    // B over 300 ms: the pose moves by elapsed / 300.
    ASSERT_TRUE(mixer->setAnimation(0, anim[1], 300.0f, 0.0f));
    EXPECT_EQ(mixer->getAnimation(0), anim[1]);
    double tb = 0.0;
    std::vector<zqref::Pose> frozen;
    for (int i = 1; i <= 3; ++i) {
        step(50.0f);
        ta += 50.0;
        tb += 50.0;
        const std::vector<zqref::Pose> pa = zqref::sample(desc[0], ta);
        const std::vector<zqref::Pose> pb = zqref::sample(desc[1], tb);
        frozen.assign(4, {});
        for (size_t b = 0; b < 4; ++b) {
            frozen[b] = zqref::blend(pa[b], pb[b], i * 50.0 / 300.0);
        }
        ASSERT_TRUE(zqref::near(mixer->getMatrixArray(), zqref::pose(PARENTS, frozen))) << i;
    }
    EXPECT_FLOAT_EQ(mixer->getBlendTime(0), 150.0f);

    // C 150 ms into that blend: a new 200 ms blend from the frozen mixed pose.
    const unsigned int aRefs = anim[0]->getRefCount();
    const unsigned int bRefs = anim[1]->getRefCount();
    ASSERT_TRUE(mixer->setAnimation(0, anim[2], 200.0f, 100.0f));
    EXPECT_EQ(anim[0]->getRefCount(), aRefs - 1); // A left the old slot
    EXPECT_EQ(anim[1]->getRefCount(), bRefs - 1); // B was frozen into a pose
    double tc = 100.0;
    for (int i = 1; i <= 5; ++i) {
        step(50.0f);
        tc += 50.0;
        const std::vector<zqref::Pose> pc = zqref::sample(desc[2], tc);
        std::vector<zqref::Pose> mixed(4);
        for (size_t b = 0; b < 4; ++b) {
            mixed[b] = zqref::blend(frozen[b], pc[b], std::min(i * 50.0 / 200.0, 1.0));
        }
        ASSERT_TRUE(zqref::near(mixer->getMatrixArray(), zqref::pose(PARENTS, mixed))) << i;
    }
    // The blend is over: C alone, the frozen slot empty.
    EXPECT_FLOAT_EQ(mixer->getTime(0), static_cast<float>(tc));
    step(50.0f);
    tc += 50.0;
    EXPECT_TRUE(
        zqref::near(mixer->getMatrixArray(), zqref::pose(PARENTS, zqref::sample(desc[2], tc))));

    // A null animation clears the layer: the default pose.
    ASSERT_TRUE(mixer->setAnimation(0, nullptr, 0.0f, 0.0f));
    EXPECT_EQ(mixer->getAnimation(0), nullptr);
    EXPECT_EQ(mixer->getTime(0), 0.0f);
    step(10.0f);
    EXPECT_TRUE(
        zqref::near(mixer->getMatrixArray(), zqref::pose(PARENTS, std::vector<zqref::Pose>(4))));
}

TEST_F(MixerTest, FixedRatioLayersPerBoneAndIdleLayers) {
    ASSERT_TRUE(mixer->setAnimation(0, anim[0], 0.0f, 200.0f));
    step(0.0f);
    ASSERT_TRUE(mixer->setAnimation(0, anim[1], 300.0f, 400.0f));
    mixer->setCalcBlendEnable(0, false);
    EXPECT_FALSE(mixer->isCalcBlendEnable(0));
    mixer->setBlendRatio(0, 0.25f);
    for (int i = 0; i < 3; ++i) {
        step(100.0f); // far past the duration: the ratio holds
    }
    const std::vector<zqref::Pose> pa = zqref::sample(desc[0], 500.0);
    const std::vector<zqref::Pose> pb = zqref::sample(desc[1], 700.0);
    std::vector<zqref::Pose> quarter(4);
    for (size_t b = 0; b < 4; ++b) {
        quarter[b] = zqref::blend(pa[b], pb[b], 0.25);
    }
    EXPECT_TRUE(zqref::near(mixer->getMatrixArray(), zqref::pose(PARENTS, quarter)));

    // Bones 2 and 3 on layer 2 (C), bone 1 on the idle layer 3: the default pose there.
    ASSERT_TRUE(mixer->setAnimation(2, anim[2], 0.0f, 50.0f));
    const unsigned char layers[4] = {0, 3, 2, 2};
    mixer->setLayerNrArray(layers, 4);
    mixer->setBlendRelativeTime(0.0f);
    const std::vector<zqref::Pose> pc = zqref::sample(desc[2], 50.0);
    std::vector<zqref::Pose> mixed = {quarter[0], zqref::Pose{}, pc[2], pc[3]};
    EXPECT_TRUE(zqref::near(mixer->getMatrixArray(), zqref::pose(PARENTS, mixed)));

    // Out-of-range layers and bones are refused or ignored.
    EXPECT_FALSE(mixer->setAnimation(4, anim[0], 0.0f, 0.0f));
    mixer->setLayerNr(9, 0);
    mixer->setLayerNr(0, 7);
    EXPECT_EQ(mixer->getAnimation(7), nullptr);
    // A released layer drives its bones with the default pose.
    mixer->releaseLayer(2);
    mixer->setBlendRelativeTime(0.0f);
    mixed = {quarter[0], zqref::Pose{}, zqref::Pose{}, zqref::Pose{}};
    EXPECT_TRUE(zqref::near(mixer->getMatrixArray(), zqref::pose(PARENTS, mixed)));
}

TEST_F(MixerTest, AutoLoopFadesInBeforeTheEnd) {
    // A plays once (1333 ms); C chains with a 200 ms fade from 500 ms into it.
    mixer->setLoopMode(0, 0);
    ASSERT_TRUE(mixer->setAnimation(0, anim[0], 0.0f, 1000.0f));
    ASSERT_TRUE(mixer->setAutoLoopAnimation(0, anim[2], 200.0f, 500.0f));
    EXPECT_EQ(mixer->getAutoLoopAnimation(0), anim[2]);
    step(100.0f); // 1100: 233 ms left
    EXPECT_EQ(mixer->getAnimation(0), anim[0]);
    step(100.0f); // 1200: 133 ms left, C starts at 500 + 200 - 133
    const double remaining = 4000.0 / 3 - 1200.0;
    EXPECT_EQ(mixer->getAnimation(0), anim[2]);
    EXPECT_NEAR(mixer->getTime(0), 500.0 + 200.0 - remaining, 1e-3);
    // The blend clock ran on this frame already: a tenth of a second into a fade as long as
    // the time A had left.
    double tc = 700.0 - remaining;
    const std::vector<zqref::Pose> pa = zqref::sample(desc[0], 1200.0);
    const std::vector<zqref::Pose> pc = zqref::sample(desc[2], tc);
    std::vector<zqref::Pose> mixed(4);
    for (size_t b = 0; b < 4; ++b) {
        mixed[b] = zqref::blend(pa[b], pc[b], 100.0 / remaining);
    }
    EXPECT_TRUE(zqref::near(mixer->getMatrixArray(), zqref::pose(PARENTS, mixed), 1e-3));
    const unsigned int refs = anim[0]->getRefCount();
    step(50.0f); // the fade ends and A goes
    tc += 50.0;
    EXPECT_EQ(anim[0]->getRefCount(), refs - 1);
    EXPECT_TRUE(zqref::near(mixer->getMatrixArray(),
                            zqref::pose(PARENTS, zqref::sample(desc[2], tc)), 1e-3));
    // Later loops of C start at 0 + 200 - what is left.
    while (4000.0 / 3 - tc >= 200.0) {
        step(100.0f);
        tc += 100.0;
    }
    EXPECT_EQ(mixer->getAnimation(0), anim[2]);
    EXPECT_NEAR(mixer->getTime(0), 200.0 - (4000.0 / 3 - tc), 1e-2);
}

// A layer works out only the bones it drives; a bone that joins it later, or a pose frozen
// while some bones were elsewhere, must still come out bit for bit as if it had driven every
// bone all along. `mixer` keeps all bones on layer 0; `split` moves bones 1 to 3 away and back.
TEST_F(MixerTest, BonesOnOtherLayersComeBackWithTheSamePose) {
    ZqGlAnimationMixer* const split = ZqGlAnimationMixer::create(anim[0]);
    ASSERT_NE(split, nullptr);
    const auto same = [&](const char* what) {
        for (uint32_t b = 0; b < 4; ++b) {
            for (int i = 0; i < 16; ++i) {
                ASSERT_EQ(mixer->getMatrix(b).m[i / 4][i % 4], split->getMatrix(b).m[i / 4][i % 4])
                    << what << ", bone " << b;
            }
        }
    };
    const auto both = [&](const auto& f) {
        f(mixer);
        f(split);
    };
    const auto frame = [&](const float ms) {
        both([&](ZqGlAnimationMixer* m) {
            m->setRelativeTime(0, ms);
            m->setRelativeTime(1, ms);
            m->setBlendRelativeTime(ms);
        });
    };
    const unsigned char away[4] = {0, 1, 1, 1};
    const unsigned char home[4] = {0, 0, 0, 0};
    split->setAnimation(1, anim[2], 0.0f, 0.0f);
    split->setLayerNrArray(away, 4);
    both([&](ZqGlAnimationMixer* m) { m->setAnimation(0, anim[0], 0.0f, 0.0f); });
    frame(70.0f);
    // Joining while one animation plays: their tracks were left behind and catch up at once.
    split->setLayerNrArray(home, 4);
    both([](ZqGlAnimationMixer* m) { m->setBlendRelativeTime(0.0f); });
    same("joined while playing");
    split->setLayerNrArray(away, 4);
    both([&](ZqGlAnimationMixer* m) { m->setAnimation(0, anim[1], 300.0f, 100.0f); });
    frame(50.0f);
    frame(50.0f);
    // The players move on after the last blend; the new blend freezes that blend's pose.
    both([&](ZqGlAnimationMixer* m) { m->setRelativeTime(0, 30.0f); });
    both([&](ZqGlAnimationMixer* m) { m->setAnimation(0, anim[2], 200.0f, 0.0f); });
    frame(50.0f);
    split->setLayerNrArray(home, 4);
    frame(20.0f);
    same("frozen pose");
    // A fade that ends while the bones are away, and one started and frozen before any blend.
    split->setLayerNrArray(away, 4);
    frame(200.0f);
    both([&](ZqGlAnimationMixer* m) {
        m->setAnimation(0, anim[0], 100.0f, 0.0f);
        m->setAnimation(0, anim[1], 100.0f, 0.0f);
    });
    frame(30.0f);
    split->setLayerNrArray(home, 4);
    frame(30.0f);
    same("pose frozen after a finished fade");
    split->release();
}

TEST_F(MixerTest, CreateRefusals) {
    EXPECT_EQ(ZqGlAnimationMixer::create(nullptr), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqGlAnimationMixer::ERROR_NULL);
    std::vector<ZqGlAnimationMixer*> all;
    while (ZqGlAnimationMixer* const m = ZqGlAnimationMixer::create(anim[0])) {
        all.push_back(m);
    }
    EXPECT_EQ(zqp::getLastError(), ZqGlAnimationMixer::ERROR_NO_FREE);
    EXPECT_EQ(all.size() + 1, ZqGlAnimationMixer::POOL_SIZE);
    for (ZqGlAnimationMixer* const m : all) {
        m->release();
    }
    EXPECT_EQ(mixer->getRefAnimation(), anim[0]);
    EXPECT_EQ(mixer->getNrBones(), 4);
}

} // namespace
