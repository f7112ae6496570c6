// The geometry start-up and shut-down that the framework runs: every pool is made with its
// size, and whatever is still in use at shut-down is released (the leak check sees the rest).
#include "zq/dg/ZqDgSystem.h"

#include "ModelFixture.h"
#include "zq/dg/ZqDgClothSimulator.h"
#include "zq/dg/ZqDgCollision.h"
#include "zq/dg/ZqDgObbTree.h"
#include "zq/dg/ZqDgPoint.h"
#include "zq/dg/ZqDgRigid.h"

#include <gtest/gtest.h>

namespace {

using DgSystem = zqdgtest::ModelPool;

TEST_F(DgSystem, StartUpMakesEveryPoolAndShutDownReleasesWhatIsLeft) {
    ZqDgSystem::sysInit();
    EXPECT_EQ(ZqDgClothSimulator::getNrFree(), 1024u);
    EXPECT_EQ(ZqDgRigid::getNrFree(), 1024u);
    EXPECT_EQ(ZqDgObbTree::getNrFree(), 32u);
    EXPECT_EQ(ZqDgCollision::getNrFree(), 10u);
    const ZqVector3 pos[2] = {{0, 0, 0}, {0, 1, 0}};
    EXPECT_NE(ZqDgClothSimulator::create(2, 1, pos, nullptr, nullptr, 0.5f, 1, 1), nullptr);
    EXPECT_NE(ZqDgRigid::create(2, 1, pos, nullptr, 0.5f, 1, 1), nullptr);
    ZqDgCollision* const set = ZqDgCollision::create(u"set", nullptr, 0);
    ASSERT_NE(set, nullptr);
    set->addFigure(new ZqDgPoint(1, 2, 3));
    set->addRef();
    ZqGlModel* const model = makeModel(u"bones", {{-1, 0, 0, 0, {0, 0, 0}, {1, 1, 1}}});
    ASSERT_NE(model, nullptr);
    EXPECT_NE(ZqDgObbTree::create(0, model, nullptr), nullptr);
    EXPECT_EQ(model->getRefCount(), 2u);

    ZqDgSystem::sysQuit();
    EXPECT_EQ(model->getRefCount(), 1u);
    model->release();
    EXPECT_EQ(ZqDgClothSimulator::getNrInstances(), 0u);
    EXPECT_EQ(ZqDgRigid::getNrInstances(), 0u);
    EXPECT_EQ(ZqDgObbTree::getNrInstances(), 0u);
    EXPECT_EQ(ZqDgCollision::getNrInstances(), 0u);
    // A second start after a shut-down finds fresh pools.
    ZqDgSystem::sysInit();
    EXPECT_EQ(ZqDgClothSimulator::getNrFree(), 1024u);
    ZqDgSystem::sysQuit();
}

} // namespace
