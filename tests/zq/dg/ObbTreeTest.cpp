// The box tree over a writer-made model: entries by mask, volumes from the bone boxes, the
// pose followed from a bone palette set directly (unit axes and fixed sizes under scale), the
// recorded wire boxes with their edge colours, the pool of 32 and the model's references.
#include "tests/zq/dg/DgTestUtil.h"
#include "tests/zq/dg/ModelFixture.h"
#include "zq/dg/ZqDgObbTree.h"
#include "zq/dg/ZqDgOrientedBoundingBox.h"
#include "zq/dg/ZqDgPoint.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

class ZqDgObbTreeTest : public zqdgtest::ModelPool {
protected:
    void SetUp() override {
        ModelPool::SetUp();
        ZqDgObbTree::sysInit();
    }
    void TearDown() override {
        ZqDgObbTree::sysQuit();
        ModelPool::TearDown();
    }

    // Bone i sits at (i, 0, 0) with a box of half sizes (0.5, 0.25 + 0.01 i, 0.125) centred
    // at (0.5, 0, 0) in its own space.
    static ZqGlModel* chain(const char16_t* name, const int n) {
        std::vector<zqdgtest::BoneSpec> bones;
        for (int i = 0; i < n; ++i) {
            const float hy = 0.25f + 0.01f * static_cast<float>(i);
            bones.push_back({i - 1,
                             static_cast<float>(i),
                             0.0f,
                             0.0f,
                             {0.0f, -hy, -0.125f},
                             {1.0f, hy, 0.125f}});
        }
        return makeModel(name, bones);
    }
};

} // namespace

TEST_F(ZqDgObbTreeTest, EntriesByMaskAndVolumesFromBoneBoxes) {
    ZqGlModel* const model = chain(u"twenty", 20);
    ASSERT_NE(model, nullptr);
    ZqDgObbTree* const all = ZqDgObbTree::create(0, model, nullptr);
    ASSERT_NE(all, nullptr);
    ASSERT_EQ(all->getNrObbs(), 20u);
    for (unsigned int i = 0; i < 20; ++i) {
        EXPECT_EQ(all->getBoneNr(i), i);
    }
    const ZqDgCylindroid& v = all->getObb(7);
    EXPECT_EQ(v.getFigureType(), ZqDgFigure::CYLINDROID);
    EXPECT_TRUE(v.m_center.epsilonEquals(ZqVector3(0.5f, 0, 0), 1e-6f));
    EXPECT_FLOAT_EQ(v.m_radius[0], 0.5f);
    EXPECT_FLOAT_EQ(v.m_radius[1], 0.32f);
    EXPECT_FLOAT_EQ(v.m_radius[2], 0.125f);
    EXPECT_TRUE(v.m_axis[1].epsilonEquals(ZqVector3(0, 1, 0), 0.0f));
    EXPECT_EQ(&all->getModel(), model);

    bool mask[20] = {};
    mask[3] = true;
    mask[7] = true;
    ZqDgObbTree* const two = ZqDgObbTree::create(0, model, mask);
    ASSERT_NE(two, nullptr);
    ASSERT_EQ(two->getNrObbs(), 2u);
    EXPECT_EQ(two->getBoneNr(0), 3u);
    EXPECT_EQ(two->getBoneNr(1), 7u);

    // No bone chosen: nothing to update or draw.
    const bool none[20] = {};
    ZqDgObbTree* const empty = ZqDgObbTree::create(0, model, none);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->getNrObbs(), 0u);
    empty->update(nullptr, ZqMatrix(1.0f));
    {
        const zqdgtest::LineRecording rec;
        empty->draw();
        EXPECT_TRUE(rec.get().empty());
    }

    EXPECT_EQ(ZqDgObbTree::create(0, nullptr, nullptr), nullptr);
    // Three trees hold three references besides the creator's.
    EXPECT_EQ(model->getRefCount(), 4u);
    EXPECT_EQ(empty->release(), 0u);
    EXPECT_EQ(two->release(), 0u);
    EXPECT_EQ(all->release(), 0u);
    EXPECT_EQ(model->getRefCount(), 1u);
    EXPECT_EQ(model->release(), 0u);
}

TEST_F(ZqDgObbTreeTest, PoolOfThirtyTwo) {
    ZqGlModel* const model = chain(u"small", 2);
    ASSERT_NE(model, nullptr);
    std::vector<ZqDgObbTree*> trees;
    for (int i = 0; i < 32; ++i) {
        trees.push_back(ZqDgObbTree::create(0, model, nullptr));
        ASSERT_NE(trees.back(), nullptr);
    }
    EXPECT_EQ(ZqDgObbTree::create(0, model, nullptr), nullptr);
    EXPECT_EQ(model->getRefCount(), 33u);
    trees.back()->release();
    trees.pop_back();
    ZqDgObbTree* const again = ZqDgObbTree::create(0, model, nullptr);
    EXPECT_NE(again, nullptr);
    // Shutting the pool down releases the trees still alive and their model references.
    ZqDgObbTree::sysQuit();
    EXPECT_EQ(model->getRefCount(), 1u);
    ZqDgObbTree::sysInit();
    EXPECT_EQ(model->release(), 0u);
}

// The tree follows a posed model: bone 1 turned a quarter around z about its joint and the
// whole model scaled by 2 and moved. Volumes land where the double-precision pose puts them,
// with unit axes and unchanged sizes, and point queries follow.
TEST_F(ZqDgObbTreeTest, FollowsAPosedModel) {
    ZqGlModel* const model = chain(u"posed", 2);
    ASSERT_NE(model, nullptr);
    ZqDgObbTree* const tree = ZqDgObbTree::create(0, model, nullptr);
    ASSERT_NE(tree, nullptr);

    // Identity pose: each volume at its local centre with the world axes.
    const ZqMatrix identity[2] = {ZqMatrix(1.0f), ZqMatrix(1.0f)};
    tree->update(identity, ZqMatrix(1.0f));
    EXPECT_TRUE(tree->getObb(1).m_center.epsilonEquals(ZqVector3(0.5f, 0, 0), 1e-6f));
    EXPECT_TRUE(tree->getObb(1).m_axis[0].epsilonEquals(ZqVector3(1, 0, 0), 0.0f));

    // Bone matrices map bone space to model space: bone 0 at the origin, bone 1 at (1, 0, 0)
    // turned by 90 degrees around z (its x axis now points up).
    ZqMatrix bone[2] = {ZqMatrix(1.0f), ZqMatrix(1.0f)};
    bone[1].set(0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 1);
    ZqMatrix world(2.0f);
    world._44 = 1.0f;
    world._41 = 10.0f;
    world._42 = 0.0f;
    world._43 = -3.0f;
    tree->update(bone, world);
    // Bone 1's box centre (0.5, 0, 0) -> model (1, 0.5, 0) -> world (12, 1, -3).
    const ZqDgCylindroid& v = tree->getObb(1);
    EXPECT_TRUE(v.m_center.epsilonEquals(ZqVector3(12, 1, -3), 1e-5f));
    EXPECT_TRUE(v.m_axis[0].epsilonEquals(ZqVector3(0, 1, 0), 1e-6f));
    EXPECT_TRUE(v.m_axis[1].epsilonEquals(ZqVector3(-1, 0, 0), 1e-6f));
    EXPECT_TRUE(v.m_axis[2].epsilonEquals(ZqVector3(0, 0, 1), 1e-6f));
    EXPECT_FLOAT_EQ(v.m_radius[0], 0.5f);
    EXPECT_FLOAT_EQ(v.m_radius[1], 0.26f);
    EXPECT_TRUE(tree->getObb(0).m_center.epsilonEquals(ZqVector3(11, 0, -3), 1e-5f));
    // The points a game asks about: along the turned bone inside, beside it outside.
    EXPECT_TRUE(ZqDgPoint(12, 1.45f, -3).vIntersect(v));
    EXPECT_FALSE(ZqDgPoint(12.3f, 1, -3).vIntersect(v));
    EXPECT_TRUE(ZqDgPoint(12.2f, 1, -3).vIntersect(v));

    // The recorded wire boxes: 12 edges per volume in corner order, edges from corner 0
    // coloured by axis, the rest white, all half transparent.
    const zqdgtest::LineRecording rec;
    tree->draw();
    const auto& calls = rec.get();
    ASSERT_EQ(calls.size(), 24u);
    ZqVector3 corners[8];
    ZqDgOrientedBoundingBox(v).calcCoordinates(corners);
    static constexpr int EDGES[24] = {0, 1, 2, 3, 4, 5, 6, 7, 0, 2, 1, 3,
                                      4, 6, 5, 7, 0, 4, 1, 5, 2, 6, 3, 7};
    for (int i = 0; i < 12; ++i) {
        const auto& c = calls[12 + i];
        const uint32_t expected =
            i == 0 ? 0x8000FF00u : (i == 4 ? 0x80FF0000u : (i == 8 ? 0x800000FFu : 0x80FFFFFFu));
        EXPECT_EQ(c.color, expected) << i;
        ASSERT_EQ(c.points.size(), 2u);
        EXPECT_TRUE(c.points[0].epsilonEquals(corners[EDGES[2 * i]], 0.0f)) << i;
        EXPECT_TRUE(c.points[1].epsilonEquals(corners[EDGES[2 * i + 1]], 0.0f)) << i;
    }
    // Corner 0 of the turned box: centre - 0.5 up - 0.26 along -x - 0.125 along z.
    EXPECT_TRUE(corners[0].epsilonEquals(ZqVector3(12.26f, 0.5f, -3.125f), 1e-5f));
    EXPECT_EQ(ZqGlLine::m_color, 0x80FFFFFFu);
    tree->release();
    EXPECT_EQ(model->release(), 0u);
}
