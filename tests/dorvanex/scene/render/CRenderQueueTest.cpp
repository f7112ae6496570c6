// The render queue's decisions with fake render objects where no drawing is needed (order,
// culling, groups, pools), and with models and the device where it is (transparency from
// materials, full pools, the shadow states, the late group's presentation).
#include "dorvanex/scene/CRenderQueue.h"
#include "dorvanex/core/render/GameRender.h"
#include "dorvanex/scene/CSPModel.h"
#include "dorvanex/scene/CSPSprite.h"
#include "tests/dorvanex/scene/render/SceneFixtures.h"
#include "tests/support/GoldenImage.h"
#include "tests/zq/gl/FrameworkRun.h"
#include "zq/gl/ZqGlModel.h"
#include "zq/gl/ZqGlState.h"
#include "zq/gl/ZqGlSystem.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

// Records the order in which the queue begins drawing it.
class Fake : public CRenderBase {
public:
    Fake(const int id, const float key, const bool transparent, std::vector<int>* const log,
         const bool culled = false)
        : m_id(id), m_key(key), m_transparent(transparent), m_culled(culled), m_log(log) {}
    bool isTransparent() const override { return m_transparent; }
    bool isCulled() const override { return m_culled; }
    void beginDraw() override { m_log->push_back(m_id); }
    float getSortKey() const override { return m_key; }

private:
    int m_id;
    float m_key;
    bool m_transparent;
    bool m_culled;
    std::vector<int>* m_log;
};

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

ZqVector3 project(const ZqVector3& p, const ZqMatrix& m) {
    return ZqVector3().rotTransProj(p, m);
}

// A box of side 2 round the origin, blended when its colour is not opaque.
ZqGlModel* unitBox(const char16_t* const name, const uint32_t argb) {
    const float lo[3] = {-1, -1, -1};
    const float hi[3] = {1, 1, 1};
    const std::vector<uint8_t> bytes = zq_model_writer::write(scenetest::box(lo, hi, argb));
    return ZqGlModel::create(0, name, bytes.data(), static_cast<unsigned>(bytes.size()));
}

} // namespace

TEST(CRenderQueue, SortsOpaqueNearToFarAndTransparentFarToNear) {
    struct Row {
        int line;
        std::vector<float> keys;
        bool transparent;
        std::vector<int> order;
    };
    const Row rows[] = {
        {__LINE__, {3.0f, 1.0f}, false, {1, 0}},
        {__LINE__, {3.0f, 1.0f}, true, {0, 1}},
        {__LINE__, {2.0f, 2.0f, 2.0f}, false, {0, 1, 2}},
        {__LINE__, {2.0f, 2.0f, 2.0f}, true, {0, 1, 2}},
        {__LINE__, {1.0f, 2.0f, 1.0f, 2.0f}, true, {1, 3, 0, 2}},
        // A key that is no number sorts as 0.
        {__LINE__, {1.0f, NaN, 0.5f, NaN}, false, {1, 3, 2, 0}},
        {__LINE__, {1.0f, NaN, 0.5f}, true, {0, 2, 1}},
    };
    for (const Row& row : rows) {
        scenetest::RenderSet set;
        std::vector<int> log;
        for (size_t i = 0; i < row.keys.size(); ++i) {
            set.queue->add(
                0,
                set.objects->create<Fake>(static_cast<int>(i), row.keys[i], row.transparent, &log),
                false);
        }
        set.queue->drawGroup(0.0f, 0);
        EXPECT_EQ(log, row.order) << "line " << row.line;
    }
}

TEST(CRenderQueue, CulledObjectsAndUnknownGroupsAreGivenBackAtOnce) {
    scenetest::RenderSet set;
    std::vector<int> log;
    struct Row {
        int line;
        uint32_t group;
        bool culled;
        bool shadow;
        bool queued;
    };
    const Row rows[] = {
        {__LINE__, 0, true, false, false},  {__LINE__, 3, true, true, false},
        {__LINE__, 4, false, false, false}, {__LINE__, 200, false, true, false},
        {__LINE__, 3, false, true, true},
    };
    for (const Row& row : rows) {
        set.queue->clear();
        set.queue->add(row.group, set.objects->create<Fake>(0, 1.0f, false, &log, row.culled),
                       row.shadow);
        EXPECT_EQ(set.objects->getNrUsed(), row.queued ? 1u : 0u) << "line " << row.line;
    }
    EXPECT_EQ(set.queue->getListSize(3, CRenderQueue::LIST_SHADOW), 1u);
    // With culling off a culled object is queued.
    set.queue->clear();
    set.queue->setCullEnable(false);
    set.queue->add(1, set.objects->create<Fake>(0, 1.0f, true, &log, true), false);
    EXPECT_EQ(set.queue->getListSize(1, CRenderQueue::LIST_TRANSPARENT), 1u);
    set.queue->clear();
    EXPECT_EQ(set.objects->getNrUsed(), 0u);
    // An object outside the pools is left to its owner.
    Fake outside(0, 1.0f, false, &log, true);
    set.queue->setCullEnable(true);
    set.queue->add(0, &outside, false);
    deleteRenderObject(&outside);
}

TEST(CRenderQueue, ThePoolsHandOutTheirFirstFreeSlot) {
    scenetest::RenderSet set;
    std::vector<int> log;
    std::vector<Fake*> made;
    for (uint32_t i = 0; i < CRenderObjPool::NR_SLOTS; ++i) {
        made.push_back(set.objects->create<Fake>(0, 1.0f, false, &log));
        ASSERT_NE(made.back(), nullptr);
    }
    EXPECT_EQ(set.objects->create<Fake>(0, 1.0f, false, &log), nullptr);
    deleteRenderObject(made[7]);
    deleteRenderObject(made[7]);
    EXPECT_EQ(set.objects->create<Fake>(0, 1.0f, false, &log), made[7]);
    EXPECT_EQ(set.objects->getNrUsed(), CRenderObjPool::NR_SLOTS);
}

TEST(CRenderQueue, ShadowMatrixFlattensAlongTheLight) {
    const CRenderQueue queue;
    const ZqVector3 p = project(ZqVector3(0.0f, 100.0f, 0.0f), queue.getShadowMatrix());
    EXPECT_NEAR(p.x, -96.0f, 1e-4f);
    EXPECT_NEAR(p.y, 4.0f, 1e-4f);
    EXPECT_NEAR(p.z, 0.0f, 1e-4f);
    EXPECT_EQ(queue.getShadowMatrix()._44, 1.0f) << "w stays 1 for a light direction";
    // Other lights and planes: every flattened point lies on the plane, on the light's line.
    struct Row {
        int line;
        ZqVector4 light;
        ZqVector3 point;
        ZqVector3 normal;
    };
    const Row rows[] = {
        {__LINE__, {0.3f, 1.0f, -0.2f, 0.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}},
        {__LINE__, {0.0f, 1.0f, 0.0f, 0.0f}, {5.0f, -3.0f, 2.0f}, {0.0f, 2.0f, 0.0f}},
        {__LINE__, {1.0f, 2.0f, 3.0f, 0.0f}, {1.0f, 1.0f, 1.0f}, {0.2f, 1.0f, 0.1f}},
        {__LINE__, {50.0f, 400.0f, 20.0f, 1.0f}, {0.0f, 4.0f, 0.0f}, {0.0f, 1.0f, 0.0f}},
    };
    for (const Row& row : rows) {
        const ZqVector4 plane = CRenderQueue::planeFromPointNormal(row.point, row.normal);
        const ZqMatrix m = CRenderQueue::shadowMatrix(row.light, plane);
        for (const ZqVector3& q : {ZqVector3(10.0f, 50.0f, -7.0f), ZqVector3(-3.0f, 20.0f, 9.0f)}) {
            const ZqVector3 s = project(q, m);
            EXPECT_NEAR(plane.x * s.x + plane.y * s.y + plane.z * s.z + plane.w, 0.0f, 1e-3f)
                << "line " << row.line;
            // Along the light: the step from q to its shadow is parallel to the light's
            // direction (or, for a point light, on the line from the light through q).
            const ZqVector3 dir = row.light.w == 0.0f
                                      ? ZqVector3(row.light.x, row.light.y, row.light.z)
                                      : q - ZqVector3(row.light.x, row.light.y, row.light.z);
            const ZqVector3 c = ZqVector3().cross(s - q, dir);
            EXPECT_LT(c.length(), 1e-2f * dir.length() * (s - q).length() + 1e-3f)
                << "line " << row.line;
        }
    }
}

TEST(CRenderQueue, MaterialsAndAlphaDecideTransparency) {
    EXPECT_TRUE(zqtest::runOnceInFrame([] {
        scenetest::RenderSet set;
        set.queue->setCullEnable(false);
        ZqGlModel* const off = unitBox(u"solid", 0xFF0000FFu);
        ZqGlModel* const blended = unitBox(u"glass", 0x800000FFu);
        ASSERT_NE(off, nullptr);
        ASSERT_NE(blended, nullptr);
        ASSERT_EQ(off->getSubmodelMaterial(0)->blendOp, ZqGlModel::Material::OFF);
        ASSERT_GE(blended->getSubmodelMaterial(0)->blendOp, 0);
        struct Row {
            int line;
            ZqGlModel* model;
            float alpha;
            bool transparent;
        };
        const Row rows[] = {
            {__LINE__, off, 1.0f, false},    {__LINE__, off, 0.95f, false},
            {__LINE__, off, 0.94f, true},    {__LINE__, off, 0.0f, true},
            {__LINE__, blended, 1.0f, true},
        };
        for (const Row& row : rows) {
            CSPModel model;
            model.setModel(row.model, nullptr, 0);
            model.setAlpha(row.alpha);
            set.queue->clear();
            model.draw(0.0f, nullptr, nullptr, 0);
            EXPECT_EQ(set.queue->getListSize(0, CRenderQueue::LIST_TRANSPARENT),
                      row.transparent ? 1u : 0u)
                << "line " << row.line;
            EXPECT_EQ(set.queue->getListSize(0, CRenderQueue::LIST_OPAQUE),
                      row.transparent ? 0u : 1u)
                << "line " << row.line;
        }
        set.queue->clear();
        off->release();
        blended->release();
    }));
}

TEST(CRenderQueue, FullPoolsDropPiecesAndCountThem) {
    EXPECT_TRUE(zqtest::runOnceInFrame([] {
        scenetest::RenderSet set;
        set.queue->setCullEnable(false);
        ZqGlModel* const box = unitBox(u"box", 0xFF0000FFu);
        ASSERT_NE(box, nullptr);
        std::vector<std::unique_ptr<CSPModel>> models;
        for (uint32_t i = 0; i <= NR_RENDER_OBJ_SLOTS; ++i) {
            models.push_back(std::make_unique<CSPModel>());
            models.back()->setModel(box, nullptr, 0);
            models.back()->draw(0.0f, nullptr, nullptr, 0);
        }
        EXPECT_EQ(set.queue->getListSize(0, CRenderQueue::LIST_OPAQUE), NR_RENDER_OBJ_SLOTS);
        EXPECT_EQ(set.queue->getDropped(), 1u);
        std::vector<std::unique_ptr<CSPSprite3D>> sprites;
        for (uint32_t i = 0; i <= NR_RENDER_SPRITE_SLOTS; ++i) {
            sprites.push_back(
                std::make_unique<CSPSprite3D>(nullptr, 8.0f, 8.0f, 0.0f, 0.0f, -1.0f, -1.0f));
            sprites.back()->draw();
        }
        EXPECT_EQ(set.queue->getListSize(1, CRenderQueue::LIST_TRANSPARENT),
                  NR_RENDER_SPRITE_SLOTS);
        EXPECT_EQ(set.queue->getDropped(), 2u);
        set.queue->clear();
        EXPECT_EQ(set.queue->getDropped(), 0u);
        EXPECT_EQ(set.objects->getNrUsed(), 0u);
        EXPECT_EQ(set.sprites->getNrUsed(), 0u);
        box->release();
    }));
}

TEST(CRenderQueue, ShadowStatesOnlyWithShadows) {
    EXPECT_TRUE(zqtest::runOnceInFrame([] {
        scenetest::RenderSet set;
        ZqGlState* const state = ZqGlState::getCurrent();
        ASSERT_NE(state, nullptr);
        std::vector<int> log;
        state->setAmbient(0xFF102030u);
        state->setDiffuse(0xFF405060u);
        state->setShininess(7.0f);
        state->setStencilPass(ZqGlState::STENCILOP_ZERO);
        set.queue->add(0, set.objects->create<Fake>(0, 1.0f, false, &log), false);
        set.queue->drawGroup(0.0f, 0);
        EXPECT_FALSE(state->getStencilEnable());
        EXPECT_EQ(state->getStencilPass(), ZqGlState::STENCILOP_ZERO);
        EXPECT_EQ(state->getAmbient(), 0xFF102030u);
        EXPECT_EQ(state->getDiffuse(), 0xFF405060u);
        EXPECT_EQ(state->getShininess(), 7.0f);
        // With a shadow: the stencil rule during, and the after-states.
        set.queue->add(0, set.objects->create<Fake>(1, 1.0f, false, &log), true);
        set.queue->drawGroup(0.0f, 0);
        EXPECT_EQ(log, (std::vector<int>{0, 0, 1}));
        EXPECT_FALSE(state->getStencilEnable());
        EXPECT_EQ(state->getStencilPass(), ZqGlState::STENCILOP_INCR);
        EXPECT_EQ(state->getStencilFunc(), ZqGlState::CMPFUNC_EQUAL);
        EXPECT_TRUE(state->getZWriteEnable());
        EXPECT_EQ(state->getDiffuse(), 0xFFFFFFFFu);
        EXPECT_EQ(state->getShininess(), 1.0f);
    }));
}

TEST(CRenderQueue, DrawLatePresentsAndFlipsTheTargets) {
    EXPECT_TRUE(zqtest::runOnceInFrame(
        [] {
            ASSERT_TRUE(createOffscreenTargets());
            scenetest::RenderSet set;
            setOffscreenTargetSelector(0);
            set.queue->beginFrame(0.0f);
            EXPECT_EQ(getRenderTarget(), getCurrentOffscreenTarget());
            ZqGlSystem::clear(1, 0xFF20C040u, 1.0f, 0);
            set.queue->drawLate(0.0f);
            EXPECT_EQ(getOffscreenTargetSelector(), 1);
            EXPECT_EQ(getRenderTarget(), nullptr);
            const zqtest::Image shown = zqtest::readRenderTarget(*ZqGlSystem::getD3dDevice());
            ASSERT_EQ(shown.width, OFFSCREEN_WIDTH);
            EXPECT_EQ(shown.at(10, 10) & 0xFFFFFFu, 0x20C040u);
            EXPECT_EQ(shown.at(1000, 700) & 0xFFFFFFu, 0x20C040u);
            set.queue->drawLate(0.0f);
            EXPECT_EQ(getOffscreenTargetSelector(), 0);
            releaseOffscreenTargets();
        },
        OFFSCREEN_WIDTH, OFFSCREEN_HEIGHT));
}

// Models whose frame was drawn may go before the next clear: the queue's clear reads nothing
// of them (AddressSanitizer watches).
TEST(CRenderQueue, ClearTouchesNoModelGoneAfterItsFrame) {
    EXPECT_TRUE(zqtest::runOnceInFrame([] {
        scenetest::RenderSet set;
        set.queue->setCullEnable(false);
        ZqGlModel* const box = unitBox(u"box", 0xFF0000FFu);
        ASSERT_NE(box, nullptr);
        {
            auto model = std::make_unique<CSPModel>();
            model->setModel(box, nullptr, 0);
            model->setShadowEnable(true);
            model->draw(0.0f, nullptr, nullptr, 0);
            set.queue->drawAll(0.0f);
        }
        set.queue->clear();
        EXPECT_EQ(set.objects->getNrUsed(), 0u);
        box->release();
    }));
}
