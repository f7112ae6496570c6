// The cloth simulator and the rigid body pools: pinned joints, relaxation and push-out from a
// box tree over a writer-made skeleton, bone matrices, and the pools' limits.
#include "zq/dg/ZqDgClothSimulator.h"

#include "ModelFixture.h"
#include "zq/dg/ZqDgObbTree.h"
#include "zq/dg/ZqDgRigid.h"
#include "zq/dg/ZqDgSystem.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using zqdgtest::BoneSpec;

const ZqMatrix IDENTITY = ZqMatrix::UNIT;

// The pools of the geometry library and of models, as the framework starts them.
class Cloth : public zqdgtest::ModelPool {
protected:
    void SetUp() override {
        ModelPool::SetUp();
        ZqDgSystem::sysInit();
    }
    void TearDown() override {
        ZqDgSystem::sysQuit();
        ModelPool::TearDown();
    }

    // A tree whose volumes stand where the bones' boxes are (identity pose).
    ZqDgObbTree* makeTree(const std::vector<BoneSpec>& bones) {
        m_model = makeModel(u"boxes", bones);
        EXPECT_NE(m_model, nullptr);
        ZqDgObbTree* const tree = ZqDgObbTree::create(0, m_model, nullptr);
        EXPECT_NE(tree, nullptr);
        const std::vector<ZqMatrix> pose(bones.size(), IDENTITY);
        tree->update(pose.data(), IDENTITY);
        return tree;
    }

    // A curtain of n x n joints, spacing s, lying flat at height y and pinned at the two
    // corners of its first row. Links run from the pins outwards: the first row from each pin
    // towards the middle, then every column downwards, all of exact length; the middle link of
    // the first row and the cross links of the other rows are springs only.
    ZqDgClothSimulator* makeGrid(const uint32_t n, const float s, const float y, const float k,
                                 const float attenuate) {
        m_positions.clear();
        m_pairs.clear();
        m_flags.assign(n * n, 0);
        for (uint32_t r = 0; r < n; ++r) {
            for (uint32_t c = 0; c < n; ++c) {
                m_positions.emplace_back(c * s, y, r * s);
            }
        }
        const auto link = [&](const uint32_t a, const uint32_t b) {
            m_pairs.insert(m_pairs.end(), {uint16_t(a), uint16_t(b)});
        };
        for (uint32_t c = 0; c + 1 < n / 2; ++c) {
            link(c, c + 1);
            link(n - 1 - c, n - 2 - c);
        }
        const uint32_t exact = uint32_t(m_pairs.size() / 2) + n * (n - 1);
        for (uint32_t r = 0; r + 1 < n; ++r) {
            for (uint32_t c = 0; c < n; ++c) {
                link(r * n + c, r * n + c + n);
            }
        }
        link(n / 2 - 1, n / 2);
        for (uint32_t r = 1; r < n; ++r) {
            for (uint32_t c = 0; c + 1 < n; ++c) {
                link(r * n + c, r * n + c + 1);
            }
        }
        m_flags[0] = m_flags[n - 1] = ZqDgClothSimulator::JOINT_PINNED;
        ZqDgClothSimulator* const cloth =
            ZqDgClothSimulator::create(n * n, uint32_t(m_pairs.size() / 2), m_positions.data(),
                                       m_flags.data(), m_pairs.data(), k, attenuate, 1.0f);
        for (uint32_t l = exact; cloth != nullptr && l < cloth->getNrLinks(); ++l) {
            cloth->setLinkFlags(l, ZqDgClothSimulator::LINK_SPRING_ONLY);
        }
        m_exactLinks = exact;
        return cloth;
    }

    ZqGlModel* m_model = nullptr;
    uint32_t m_exactLinks = 0;
    std::vector<ZqVector3> m_positions;
    std::vector<uint16_t> m_pairs;
    std::vector<uint32_t> m_flags;
};

// How deep p lies inside the cylindroid: 0 outside or on its surface, else the depth of its
// cross-section (1 at the axis).
float depthInside(const ZqDgCylindroid& v, const ZqVector3& p) {
    const ZqVector3 d = p - v.m_center;
    const float x = d.dot(v.m_axis[0]);
    const float y = d.dot(v.m_axis[1]) / v.m_radius[1];
    const float z = d.dot(v.m_axis[2]) / v.m_radius[2];
    if (std::fabs(x) > v.m_radius[0]) {
        return 0.0f;
    }
    return std::max(0.0f, 1.0f - std::sqrt(y * y + z * z));
}

TEST_F(Cloth, HangsFromTwoPinsOverABoxAndSettles) {
    // A horizontal cylinder below the pinned edge, which the cloth falls onto and hangs over,
    // and a box far away.
    ZqDgObbTree* const tree = makeTree({
        {-1, 0, 0, 0, {-1.0f, 3.0f, -0.5f}, {11.0f, 7.0f, 3.5f}},
        {0, 0, 0, 0, {50.0f, 50.0f, 50.0f}, {60.0f, 60.0f, 60.0f}},
    });
    ZqDgClothSimulator* const c = makeGrid(6, 2.0f, 10.0f, 0.5f, 0.9f);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(tree->getNrObbs(), 2u);
    for (int step = 0; step < 400; ++step) {
        c->update(tree, IDENTITY);
    }
    std::vector<ZqVector3> before;
    for (uint32_t i = 0; i < c->getNrJoints(); ++i) {
        before.push_back(c->getJointPos(i));
    }
    c->update(tree, IDENTITY);
    float worstDepth = 0.0f;
    float worstStretch = 0.0f;
    float fastest = 0.0f;
    bool draped = false;
    for (uint32_t i = 0; i < c->getNrJoints(); ++i) {
        const ZqVector3& p = c->getJointPos(i);
        ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) << i;
        worstDepth = std::max(worstDepth, depthInside(tree->getObb(0), p));
        fastest = std::max(fastest, (p - before[i]).length());
        draped |= p.y < 3.0f;
    }
    for (uint32_t l = 0; l < m_exactLinks; ++l) {
        const float now = (c->getLinkJoint1Pos(l) - c->getLinkJoint0Pos(l)).length();
        worstStretch = std::max(worstStretch, std::fabs(now / c->getLinkLength(l) - 1.0f));
    }
    // Joints rest on the surface (the push-out's reciprocal square root is good to 0.2%, and
    // the exact-length pass after it pulls a little back), links hold their length, and the
    // cloth has come to rest.
    EXPECT_LT(worstDepth, 0.01f);
    EXPECT_LT(worstStretch, 1.0e-4f);
    EXPECT_LT(fastest, 1.0e-4f);
    // The free edge hangs down past the cylinder; the pins stay where they were (the springs
    // of the last pass pull them a little).
    EXPECT_TRUE(draped);
    EXPECT_LT((c->getJointPos(5) - ZqVector3(10.0f, 10.0f, 0.0f)).length(), 0.01f);
    EXPECT_LT((c->getJointPos(0) - ZqVector3(0.0f, 10.0f, 0.0f)).length(), 0.01f);
    c->release();
    tree->release();
}

TEST_F(Cloth, PinsFollowTheMatrixAndFlaggedJointsPassThrough) {
    ZqDgObbTree* const tree = makeTree({{-1, 0, 0, 0, {-1.0f, -1.0f, -1.0f}, {1.0f, 1.0f, 1.0f}}});
    // Joint 0 pinned at (0, 1, 0); joints 1 and 2 start inside the volume, joint 2 free of it;
    // no links.
    const ZqVector3 pos[3] = {{0, 1, 0}, {0, 0.5f, 0.1f}, {0.2f, 0.4f, 0.1f}};
    const uint32_t flags[3] = {ZqDgClothSimulator::JOINT_PINNED, 0,
                               ZqDgClothSimulator::JOINT_NO_COLLISION};
    ZqDgClothSimulator* const c =
        ZqDgClothSimulator::create(3, 0, pos, flags, nullptr, 0.5f, 1.0f, 1.0f);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->getJointFlags(0), flags[0]);
    ZqMatrix move = IDENTITY;
    move.setTrans(5.0f, 0.0f, 0.0f);
    c->update(tree, move);
    const ZqVector3 p0 = c->getJointPos(0);
    EXPECT_FLOAT_EQ(p0.x, 5.0f);
    EXPECT_FLOAT_EQ(p0.y, 1.0f);
    EXPECT_FLOAT_EQ(p0.z, 0.0f);
    const ZqVector3 org = c->getJointOrgPos(0);
    EXPECT_FLOAT_EQ(org.y, 1.0f);
    // Joint 1 is pushed onto the volume's surface, joint 2 is still deep in it.
    EXPECT_LT(depthInside(tree->getObb(0), c->getJointPos(1)), 2e-3f);
    EXPECT_GT(depthInside(tree->getObb(0), c->getJointPos(2)), 0.5f);
    c->release();
    tree->release();
}

TEST_F(Cloth, WithoutBoxesItIntegratesAndKeepsLengths) {
    ZqDgClothSimulator* const a = makeGrid(4, 0.25f, 2.0f, 0.3f, 1.0f);
    ZqDgClothSimulator* const b = makeGrid(4, 0.25f, 2.0f, 0.3f, 1.0f);
    ZqDgObbTree* const empty = makeTree({{-1, 0, 0, 0, {0, 0, 0}, {1, 1, 1}}});
    const bool none[1] = {false};
    ZqDgObbTree* const noBoxes = ZqDgObbTree::create(0, m_model, none);
    ASSERT_NE(noBoxes, nullptr);
    ASSERT_EQ(noBoxes->getNrObbs(), 0u);
    for (int step = 0; step < 30; ++step) {
        a->update(nullptr, IDENTITY);
        b->update(noBoxes, IDENTITY);
    }
    for (uint32_t i = 0; i < a->getNrJoints(); ++i) {
        EXPECT_EQ(a->getJointPos(i).x, b->getJointPos(i).x);
        EXPECT_EQ(a->getJointPos(i).y, b->getJointPos(i).y);
    }
    // Gravity has pulled the free joints down; links hold their lengths.
    EXPECT_LT(a->getJointPos(15).y, 1.9f);
    for (uint32_t l = 0; l < m_exactLinks; ++l) {
        const float now = (a->getLinkJoint1Pos(l) - a->getLinkJoint0Pos(l)).length();
        EXPECT_NEAR(now, a->getLinkLength(l), 0.01f * a->getLinkLength(l)) << l;
    }
    a->release();
    b->release();
    noBoxes->release();
    empty->release();
}

// A chain of three bones along +y: bone 0 at the origin, bone 1 at (0, 1, 0), bone 2 at
// (0, 2, 0).
const std::vector<BoneSpec> CHAIN = {
    {-1, 0, 0, 0, {0, 0, 0}, {1, 1, 1}},
    {0, 0, 1, 0, {0, 0, 0}, {1, 1, 1}},
    {1, 0, 2, 0, {0, 0, 0}, {1, 1, 1}},
};

bool matrixEq(const ZqMatrix& a, const ZqMatrix& b, const float eps) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            if (!(std::fabs(a.m[r][c] - b.m[r][c]) <= eps)) {
                return false;
            }
        }
    }
    return true;
}

TEST_F(Cloth, BoneMatricesFollowTheJoints) {
    ZqGlModel* const model = makeModel(u"chain", CHAIN);
    ASSERT_NE(model, nullptr);
    ZqMatrix world = IDENTITY;
    world.setTrans(1.0f, 0.0f, 0.0f);
    const uint16_t extra[2] = {0, 2};
    ZqDgClothSimulator* const c = ZqDgClothSimulator::create(model, world, 1, extra, 0.5f, 1, 1);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->getNrLinks(), 3u);
    EXPECT_EQ(c->getLinkFlags(1), 0u);
    EXPECT_EQ(c->getLinkFlags(2), 3u);
    EXPECT_TRUE(matrixEq(c->getMatrix(1), model->getBoneBindMatrix(1), 0.0f));

    // Joints along the bones: the matrices are bind x world, translated to the joints.
    c->setJointPos(2, ZqVector3(1.0f, 3.0f, 0.0f));
    c->calcMatrices(*model, world);
    ZqMatrix want;
    want.mul(model->getBoneBindMatrix(1), world);
    EXPECT_TRUE(matrixEq(c->getMatrix(1), want, 1e-6f));
    EXPECT_FLOAT_EQ(c->getMatrix(2)._42, 3.0f);

    // Joint 2 swung to +x from joint 1: bone 1 turns a quarter about -z, so its y axis
    // points along +x.
    c->setJointPos(2, ZqVector3(2.0f, 1.0f, 0.0f));
    c->calcMatrices(*model, world);
    EXPECT_NEAR(c->getMatrix(1)._21, 1.0f, 1e-5f);
    EXPECT_NEAR(c->getMatrix(1)._22, 0.0f, 1e-5f);
    EXPECT_FLOAT_EQ(c->getMatrix(1)._41, 1.0f);
    EXPECT_FLOAT_EQ(c->getMatrix(2)._41, 2.0f);

    // Straight back down (the half-turn case): still a rotation, turning y onto -y, not a
    // reflection of every axis.
    c->setJointPos(2, ZqVector3(1.0f, 0.0f, 0.0f));
    c->calcMatrices(*model, world);
    const ZqMatrix& m = c->getMatrix(1);
    const float det = m._11 * (m._22 * m._33 - m._23 * m._32) -
                      m._12 * (m._21 * m._33 - m._23 * m._31) +
                      m._13 * (m._21 * m._32 - m._22 * m._31);
    EXPECT_NEAR(det, 1.0f, 1e-5f);
    EXPECT_NEAR(m._22, -1.0f, 1e-5f);

    // Joint 2 on joint 1: the bone stays unturned and nothing becomes NaN.
    c->setJointPos(2, ZqVector3(1.0f, 1.0f, 0.0f));
    c->calcMatrices(*model, world);
    EXPECT_TRUE(matrixEq(c->getMatrix(1), want, 1e-6f));

    // A pinned joint does not turn its parent bone.
    c->setJointFlags(2, ZqDgClothSimulator::JOINT_PINNED);
    c->setJointPos(2, ZqVector3(2.0f, 1.0f, 0.0f));
    c->calcMatrices(*model, world);
    EXPECT_TRUE(matrixEq(c->getMatrix(1), want, 1e-6f));
    EXPECT_FLOAT_EQ(c->getMatrix(2)._42, 2.0f);
    c->release();
    model->release();
}

TEST_F(Cloth, PoolsRefuseBadCountsAndRunOut) {
    const ZqVector3 pos[2] = {{0, 0, 0}, {0, 0, 1}};
    const uint32_t free = ZqDgClothSimulator::getNrFree();
    EXPECT_EQ(ZqDgClothSimulator::create(2, 1, nullptr, nullptr, nullptr, 0.5f, 1, 1), nullptr);
    EXPECT_EQ(ZqDgClothSimulator::create(1, 0, pos, nullptr, nullptr, 0.5f, 1, 1), nullptr);
    EXPECT_EQ(ZqDgClothSimulator::create(2, 1024, pos, nullptr, nullptr, 0.5f, 1, 1), nullptr);
    EXPECT_EQ(ZqDgClothSimulator::create(nullptr, IDENTITY, 0.5f, 1, 1), nullptr);
    EXPECT_EQ(ZqDgClothSimulator::getNrFree(), free);
    EXPECT_EQ(ZqDgRigid::create(2, 1024, pos, nullptr, 0.5f, 1, 1), nullptr);
    EXPECT_EQ(ZqDgRigid::getNrFree(), ZqDgRigid::POOL_SIZE);

    std::vector<ZqDgRigid*> rigids;
    for (uint32_t i = 0; i < ZqDgRigid::POOL_SIZE; ++i) {
        rigids.push_back(ZqDgRigid::create(2, 1, pos, nullptr, 0.5f, 1, 1));
        ASSERT_NE(rigids.back(), nullptr);
    }
    EXPECT_EQ(ZqDgRigid::create(2, 1, pos, nullptr, 0.5f, 1, 1), nullptr);
    EXPECT_EQ(rigids[7]->release(), 0u);
    ZqDgRigid* const again = ZqDgRigid::create(2, 1, nullptr, nullptr, 0.5f, 1, 1);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->getJointPos(1).z, 0.0f);
    // A rigid body is the body's own integration: one relaxation restores a stretched link.
    rigids[0]->setJointPos(1, ZqVector3(0, 0, 3));
    rigids[0]->calcLinks();
    EXPECT_FLOAT_EQ(rigids[0]->getJointPos(0).z, 1.0f);
    EXPECT_FLOAT_EQ(rigids[0]->getJointPos(1).z, 2.0f);
    // The rest stay in use: shutting the pools down releases them (the leak check sees it).
    for (uint32_t i = 0; i < 8; ++i) {
        ASSERT_NE(ZqDgClothSimulator::create(2, 1, pos, nullptr, nullptr, 0.5f, 1, 1), nullptr);
    }
}

} // namespace
