// Mass-spring body: one relaxation pass restores a link with k = 0.5, coinciding joints fall
// back on their old positions, gravity and the one-shot friction over steps, the limits of the
// block, the colours of the drawing, and bodies built from writer-made skeletons: a hanging
// chain swings under gravity keeping its link lengths, and a skeleton with two roots leaves
// link slots without joints that every walk over the links passes by.
#include "tests/zq/dg/DgTestUtil.h"
#include "tests/zq/dg/ModelFixture.h"
#include "zq/dg/ZqDgBody.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The building members belong to the owners (cloth, rigid body); the test is one.
class OwnedBody : public ZqDgBody {
public:
    using ZqDgBody::init;
    using ZqDgBody::initBody;
};

const ZqVector3 REST_GRAVITY(0.0f, -0.0980665f, 0.0f);

class ZqDgBodyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ZqDgBody::gravity = REST_GRAVITY;
        ZqDgBody::setWind(ZqVector3(0, 0, 0));
    }
    void TearDown() override { SetUp(); }
};

} // namespace

TEST_F(ZqDgBodyTest, OnePassRestoresALinkAndCoincidingJointsUseOldPositions) {
    OwnedBody body;
    const ZqVector3 p[2] = {ZqVector3(0, 0, 0), ZqVector3(0, 0, 2)};
    ASSERT_TRUE(body.init(2, 1, p, nullptr, 0.5f, 1.0f, 1.0f));
    EXPECT_FLOAT_EQ(body.getLinkLength(0), 2.0f);
    body.setJointPos(1, ZqVector3(0, 0, 3));
    body.calcLinks();
    EXPECT_TRUE(body.getJointPos(0).epsilonEquals(ZqVector3(0, 0, 0.5f), 1e-6f));
    EXPECT_TRUE(body.getJointPos(1).epsilonEquals(ZqVector3(0, 0, 2.5f), 1e-6f));
    ZqVector3 mid;
    body.calcLinkCenterPoint(0, &mid);
    EXPECT_TRUE(mid.epsilonEquals(ZqVector3(0, 0, 1.5f), 1e-6f));

    // Joints on top of each other: the direction comes from the old positions (along z here).
    body.setJointPos(0, ZqVector3(1, 1, 1));
    body.setJointPos(1, ZqVector3(1, 1, 1));
    body.setJointOldPos(0, ZqVector3(0, 0, 0));
    body.setJointOldPos(1, ZqVector3(0, 0, 1));
    body.resetLinkLength(0);
    EXPECT_TRUE(body.getJointPos(0).epsilonEquals(ZqVector3(1, 1, 1), 0.0f));
    EXPECT_TRUE(body.getJointPos(1).epsilonEquals(ZqVector3(1, 1, 3), 1e-6f));

    // Old positions coinciding too: calcLinks leaves the link, resetLinkLength puts joint 1
    // on joint 0.
    body.setJointPos(1, ZqVector3(1, 1, 1));
    body.setJointOldPos(1, ZqVector3(0, 0, 0));
    body.calcLinks();
    EXPECT_TRUE(body.getJointPos(0).epsilonEquals(ZqVector3(1, 1, 1), 0.0f));
    EXPECT_TRUE(body.getJointPos(1).epsilonEquals(ZqVector3(1, 1, 1), 0.0f));
    body.setJointPos(1, ZqVector3(1, 1, 1));
    body.resetLinkLength(0);
    EXPECT_TRUE(std::isfinite(body.getJointPos(1).x));
    EXPECT_TRUE(body.getJointPos(1).epsilonEquals(ZqVector3(1, 1, 1), 0.0f));
}

TEST_F(ZqDgBodyTest, GravityWindAndOneShotFriction) {
    OwnedBody body;
    const ZqVector3 p[2] = {ZqVector3(0, 0, 0), ZqVector3(5, 0, 0)};
    ASSERT_TRUE(body.init(2, 1, p, nullptr, 0.5f, 1.0f, 1.0f));
    // Two steps from rest: the velocity grows by gravity each step.
    body.moveJointsVelocities();
    body.calcJointsVelocities();
    EXPECT_FLOAT_EQ(body.getJointVelocity(0).y, -0.0980665f);
    body.moveJointsVelocities();
    body.calcJointsVelocities();
    EXPECT_FLOAT_EQ(body.getJointVelocity(0).y, -0.196133f);
    EXPECT_FLOAT_EQ(body.getJointPos(0).y, -0.0980665f);

    // setGravity scales by 0.01: the initial value is standard gravity.
    ZqDgBody::setGravity(ZqVector3(0, -9.80665f, 0));
    EXPECT_TRUE(ZqDgBody::gravity.epsilonEquals(REST_GRAVITY, 1e-9f));

    // Friction: mu 0.5 on a body of mu 0.8 scales the next velocity by 0.4, once.
    ZqDgBody::gravity = ZqVector3(0, 0, 0);
    body.setMu(0.8f);
    body.setJointPos(1, ZqVector3(5, 0, 0));
    body.setJointOldPos(1, ZqVector3(4, 0, 0));
    body.setJointMu(1, 0.5f);
    body.calcJointsVelocities();
    EXPECT_FLOAT_EQ(body.getJointVelocity(1).x, 0.4f);
    EXPECT_EQ(body.getJointMu(1), 1.0f);
    body.setJointPos(1, ZqVector3(6, 0, 0));
    body.calcJointsVelocities();
    EXPECT_FLOAT_EQ(body.getJointVelocity(1).x, 1.0f);

    // Wind is added before damping; damping scales the whole velocity.
    ZqDgBody::setWind(ZqVector3(0, 0, 1));
    body.setJointAttenuates(0.5f);
    body.setJointPos(1, ZqVector3(8, 0, 0));
    body.calcJointsVelocities();
    EXPECT_TRUE(body.getJointVelocity(1).epsilonEquals(ZqVector3(1, 0, 0.5f), 1e-6f));
}

TEST_F(ZqDgBodyTest, BlockLimits) {
    struct Row {
        int line;
        uint32_t joints;
        uint32_t links;
        bool ok;
    };
    const Row rows[] = {
        {__LINE__, 1, 0, false}, {__LINE__, 2, 1024, false},  {__LINE__, 512, 0, false},
        {__LINE__, 2, 0, true},  {__LINE__, 511, 1023, true},
    };
    for (const Row& r : rows) {
        OwnedBody body;
        EXPECT_EQ(body.initBody(r.joints, r.links, 0.7f), r.ok) << "row at line " << r.line;
        if (r.ok) {
            EXPECT_EQ(body.getNrJoints(), r.joints);
            EXPECT_EQ(body.getNrLinks(), r.links);
            EXPECT_EQ(body.getMu(), 0.7f);
            EXPECT_EQ(body.getJointPos(r.joints - 1).x, 0.0f);
        }
    }
}

TEST_F(ZqDgBodyTest, DrawColoursByLink) {
    ZqVector3 p[11];
    uint16_t pairs[20];
    for (uint16_t i = 0; i < 11; ++i) {
        p[i] = ZqVector3(static_cast<float>(i), 0, 0);
    }
    for (uint16_t i = 0; i < 10; ++i) {
        pairs[2 * i] = i;
        pairs[2 * i + 1] = static_cast<uint16_t>(i + 1);
    }
    OwnedBody body;
    ASSERT_TRUE(body.init(11, 10, p, pairs, 0.5f, 1.0f, 1.0f));
    const zqdgtest::LineRecording rec;
    body.draw(0xA0u, 0xA1u, 0xA2u, 0xA3u);
    body.draw(0xB0u, 0xB1u);
    body.draw(0xC0u);
    const auto& calls = rec.get();
    ASSERT_EQ(calls.size(), 30u);
    for (uint32_t i = 0; i < 10; ++i) {
        const uint32_t four = i == 0 ? 0xA1u : (i == 4 ? 0xA2u : (i == 8 ? 0xA3u : 0xA0u));
        EXPECT_EQ(calls[i].color, four) << i;
        EXPECT_EQ(calls[10 + i].color, i % 2 == 0 ? 0xB0u : 0xB1u) << i;
        EXPECT_EQ(calls[20 + i].color, 0xC0u) << i;
        ASSERT_EQ(calls[i].points.size(), 2u);
        EXPECT_EQ(calls[i].points[0].x, static_cast<float>(i));
        EXPECT_EQ(calls[i].points[1].x, static_cast<float>(i + 1));
    }
}

class ZqDgBodyModelTest : public zqdgtest::ModelPool {
protected:
    void SetUp() override {
        ModelPool::SetUp();
        ZqDgBody::gravity = REST_GRAVITY;
        ZqDgBody::setWind(ZqVector3(0, 0, 0));
    }
};

// A horizontal chain of five bones hung by its root: each step the root is held, the links
// are relaxed, and the chain swings down keeping its link lengths.
TEST_F(ZqDgBodyModelTest, ChainFromSkeletonSwingsKeepingLinkLengths) {
    std::vector<zqdgtest::BoneSpec> bones;
    for (int i = 0; i < 5; ++i) {
        bones.push_back({i - 1, static_cast<float>(i), 10.0f, 0.0f, {0, 0, 0}, {0, 0, 0}});
    }
    ZqGlModel* const model = makeModel(u"chain", bones);
    ASSERT_NE(model, nullptr);
    OwnedBody body;
    // Placed by a world matrix: moved up by 1.
    ASSERT_TRUE(body.init(model, ZqMatrix(0.0f, 1.0f, 0.0f), 0.5f, 0.99f, 1.0f));
    ASSERT_EQ(body.getNrJoints(), 5u);
    ASSERT_EQ(body.getNrLinks(), 4u);
    EXPECT_TRUE(body.getJointPos(4).epsilonEquals(ZqVector3(4, 11, 0), 1e-6f));
    const ZqVector3 anchor = body.getJointPos(0);
    float worst = 0.0f;
    for (int step = 0; step < 200; ++step) {
        body.moveJointsVelocities();
        for (int pass = 0; pass < 20; ++pass) {
            body.setJointPos(0, anchor);
            body.calcLinks();
        }
        body.setJointPos(0, anchor);
        body.resetLinksLength();
        body.calcJointsVelocities();
        for (uint32_t i = 0; i < 4; ++i) {
            const float len = body.getLinkJoint0Pos(i).distance(body.getLinkJoint1Pos(i));
            worst = std::max(worst, std::fabs(len - body.getLinkLength(i)));
        }
    }
    EXPECT_LT(worst, 1e-4f);
    // The tip has swung well below the root.
    EXPECT_LT(body.getJointPos(4).y, anchor.y - 2.0f);
    EXPECT_EQ(model->release(), 0u);
}

// Two roots: three link slots, two made, then one extra link after them. The empty slot is
// passed by relaxation, length resets and drawing.
TEST_F(ZqDgBodyModelTest, SkeletonWithTwoRootsSkipsTheEmptySlot) {
    const std::vector<zqdgtest::BoneSpec> bones = {
        {-1, 0, 0, 0, {0, 0, 0}, {0, 0, 0}},
        {0, 0, 1, 0, {0, 0, 0}, {0, 0, 0}},
        {-1, 5, 0, 0, {0, 0, 0}, {0, 0, 0}},
        {2, 5, 2, 0, {0, 0, 0}, {0, 0, 0}},
    };
    ZqGlModel* const model = makeModel(u"roots", bones);
    ASSERT_NE(model, nullptr);
    OwnedBody body;
    const uint16_t extra[2] = {0, 2};
    ASSERT_TRUE(body.init(model, ZqMatrix(1.0f), 1, extra, 0.5f, 1.0f, 1.0f));
    ASSERT_EQ(body.getNrLinks(), 4u);
    EXPECT_FLOAT_EQ(body.getLinkLength(0), 1.0f);
    EXPECT_FLOAT_EQ(body.getLinkLength(1), 2.0f);
    EXPECT_FLOAT_EQ(body.getLinkLength(3), 5.0f);
    body.setJointPos(3, ZqVector3(5, 4, 0));
    body.calcLinks();
    body.resetLinksLength();
    EXPECT_NEAR(body.getJointPos(3).distance(body.getJointPos(2)), 2.0f, 1e-5f);
    {
        const zqdgtest::LineRecording rec;
        body.draw(0x11u);
        EXPECT_EQ(rec.get().size(), 3u);
    }
    EXPECT_FALSE(body.init(nullptr, ZqMatrix(1.0f), 0.5f, 1.0f, 1.0f));
    EXPECT_EQ(model->release(), 0u);
}
