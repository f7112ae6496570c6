// The model base and the bone animation with bodies and clips from the writers, loaded
// through the chapter bank: submodel flags, attaching to a bone, the animation list, the end
// test, frame events, and what is asked before load or of a skeleton that does not fit.
#include "dorvanex/scene/CResourceManager.h"
#include "dorvanex/scene/CSPBoneNoBlendAnim.h"
#include "tests/dorvanex/scene/render/SceneFixtures.h"
#include "tests/support/FileTestSupport.h"
#include "tests/zq/gl/FrameworkRun.h"
#include "zq/gl/ZqGlAnimation.h"
#include "zq/gl/ZqGlAnimationPlayer.h"
#include "zq/gl/ZqGlModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace {

constexpr int32_t BODY = 351;
constexpr int32_t CLIP12 = 352;
constexpr int32_t CLIP30 = 353;
constexpr int32_t SHORT_CLIP = 354;
constexpr int32_t BENT_CLIP = 355;
constexpr float FRAME_MS = 1000.0f / 60.0f;

ZqGlAnimation* anim(const int32_t row) {
    return CResourceManager::getInstance()->getAnimation(row, CResourceManager::BANK_CHAPTER);
}

// Runs body in a frame with the body model and the clips in the chapter bank and a queue.
void withBank(const std::function<void(scenetest::RenderSet&)>& body) {
    ScratchFolder scratch;
    std::string error;
    ASSERT_TRUE(scenetest::writeArchive(
        33,
        {{BODY, zq_model_writer::write(scenetest::body())},
         {CLIP12, zq_anim_writer::write(scenetest::clip(12, 13))},
         {CLIP30, zq_anim_writer::write(scenetest::clip(30, 13))},
         {SHORT_CLIP, zq_anim_writer::write(scenetest::clip(12, 8))},
         {BENT_CLIP, zq_anim_writer::write(scenetest::clip(12, 13, 1.0f, 10.0f))}},
        error))
        << error;
    EXPECT_TRUE(zqtest::runOnceInFrame([&] {
        ASSERT_TRUE(scenetest::loadChapterBank(
            {{BODY, 1}, {CLIP12, 3}, {CLIP30, 3}, {SHORT_CLIP, 3}, {BENT_CLIP, 3}}));
        {
            scenetest::RenderSet set;
            set.queue->setCullEnable(false);
            body(set);
        }
        CResourceManager::deleteInstance();
    }));
}

bool near(const ZqVector3& a, const ZqVector3& b) {
    return std::fabs(a.x - b.x) < 1e-3f && std::fabs(a.y - b.y) < 1e-3f &&
           std::fabs(a.z - b.z) < 1e-3f;
}

} // namespace

TEST(CSPModel, SubmodelFlagsDecideThePiecesQueued) {
    withBank([](scenetest::RenderSet& set) {
        CSPBoneNoBlendAnim model(BODY);
        ASSERT_TRUE(model.load(anim(CLIP12)));
        ASSERT_EQ(model.getModel()->getNrSubmodels(), 3);
        // More flags than submodels: only three are read.
        const uint8_t flags[8] = {1, 0, 1, 1, 1, 1, 1, 1};
        model.setSubmodelEnables(flags, 8);
        struct Row {
            bool shadow;
            uint32_t opaque;
            uint32_t shadows;
        };
        for (const Row& row : {Row{false, 2, 0}, Row{true, 2, 2}}) {
            set.queue->clear();
            model.setShadowEnable(row.shadow);
            model.draw(16.0f);
            EXPECT_EQ(set.queue->getListSize(1, CRenderQueue::LIST_OPAQUE), row.opaque);
            EXPECT_EQ(set.queue->getListSize(1, CRenderQueue::LIST_SHADOW), row.shadows);
            EXPECT_EQ(set.objects->getNrUsed(), row.opaque + row.shadows);
        }
        // Hidden, or without draw enable: nothing.
        set.queue->clear();
        model.setVisible(false);
        model.draw(16.0f);
        model.setVisible(true);
        model.setDrawEnable(false);
        model.draw(16.0f);
        EXPECT_EQ(set.objects->getNrUsed(), 0u);
    });
}

TEST(CSPModel, AttachFollowsTheBoneAndDetachKeepsThePlace) {
    withBank([](scenetest::RenderSet&) {
        CSPBoneNoBlendAnim parent(BODY);
        ASSERT_TRUE(parent.load(anim(BENT_CLIP)));
        parent.setTransXYZ(100.0f, 0.0f, 50.0f);
        parent.setRotY(0.5f);
        parent.update(5.0f * FRAME_MS);
        CSPModel hat;
        hat.setModel(parent.getModel(), nullptr, 0);
        hat.setTransXYZ(0.0f, 3.0f, 0.0f);
        const int32_t head = hat.searchBone("Head");
        ASSERT_EQ(head, 12);
        hat.attach(&parent, head);
        ASSERT_TRUE(hat.isAttached());
        hat.draw(0.0f, nullptr, nullptr, 0);
        const ZqMatrix expected = parent.getBoneMatrix(head) * parent.getMatrix() * hat.getMatrix();
        EXPECT_TRUE(hat.getWorldMatrix().epsilonEquals(expected, 1e-3f));
        const ZqVector3 drawnAt(hat.getWorldMatrix()._41, hat.getWorldMatrix()._42,
                                hat.getWorldMatrix()._43);
        // The head stands high above the parent's feet, moved by the bend.
        EXPECT_GT(drawnAt.y, 100.0f);
        EXPECT_EQ(hat.detach(), &parent);
        EXPECT_TRUE(near(hat.getTrans(), drawnAt));
        EXPECT_EQ(hat.detach(), nullptr);
        parent.update(5.0f * FRAME_MS);
        hat.draw(0.0f, nullptr, nullptr, 0);
        EXPECT_TRUE(near(hat.getTrans(), drawnAt)) << "a free model no longer follows";
    });
}

TEST(CSPBoneNoBlendAnim, TheAnimationListAndItsEnd) {
    withBank([](scenetest::RenderSet&) {
        CSPBoneNoBlendAnim m(BODY);
        ASSERT_TRUE(m.load(anim(CLIP12)));
        const int32_t first = m.ChangeAnm(anim(CLIP12), 7, 0);
        EXPECT_GT(first, 0);
        EXPECT_EQ(m.addAnimation(anim(CLIP30), 1, 0), first + 1);
        EXPECT_EQ(m.addAnimation(anim(CLIP30), 1, 0), -1) << "same animation, same file id";
        EXPECT_EQ(m.addAnimation(anim(CLIP12), 7, 0), -1);
        EXPECT_EQ(m.addAnimation(anim(CLIP30), 2, 0), first + 2) << "another file id";
        EXPECT_EQ(m.getNrEntries(), 3u);
        // 12 frames are 200 ms: steps of 60 ms end it in the fourth (180 + 60 > 200).
        for (int i = 0; i < 3; ++i) {
            m.update(60.0f);
            EXPECT_FALSE(m.isEnd());
            EXPECT_EQ(m.getFirstEntry(), anim(CLIP12));
        }
        m.update(60.0f);
        EXPECT_TRUE(m.isEnd());
        EXPECT_EQ(m.getFirstEntry(), anim(CLIP30));
        EXPECT_FLOAT_EQ(m.GetCurrAnmInf().total, 200.0f);
        EXPECT_FLOAT_EQ(m.GetCurrAnmInf().remaining, 20.0f);
        EXPECT_EQ(m.GetCurrAnmInf().fileId, 7);
        // Drop the third entry by playing both out, then rest on the end.
        for (int i = 0; i < 40; ++i) {
            m.update(60.0f);
        }
        EXPECT_EQ(m.getNrEntries(), 1u);
        const float rest = m.getTime();
        m.update(60.0f);
        EXPECT_TRUE(m.isEnd());
        EXPECT_FLOAT_EQ(m.getTime(), rest);
        EXPECT_LE(rest, m.getTotalTime());
        EXPECT_EQ(m.getTotalFrames(), 30);
    });
}

TEST(CSPBoneNoBlendAnim, FrameEventsFireOncePerPlayAfterTheirFrame) {
    withBank([](scenetest::RenderSet&) {
        CSPBoneNoBlendAnim m(BODY);
        ASSERT_TRUE(m.load(anim(CLIP12)));
        struct Log {
            CSPBoneNoBlendAnim* model;
            std::vector<int32_t> frames;
            bool allow = true;
        };
        Log log0{&m, {}, true};
        Log log5{&m, {}, true};
        const auto action = [](void* const p) {
            auto* const l = static_cast<Log*>(p);
            l->frames.push_back(l->model->getFrame());
        };
        const auto condition = [](void* const p) { return static_cast<Log*>(p)->allow; };
        m.addFrameEvent(anim(CLIP12), 5, action, &log5, nullptr, condition);
        m.addFrameEvent(anim(CLIP12), 0, action, &log0);
        m.ChangeAnm(anim(CLIP12), 0, 1);
        // Two plays of the looping clip, a frame at a time.
        for (int i = 0; i < 24; ++i) {
            m.update(FRAME_MS);
        }
        EXPECT_EQ(log0.frames, (std::vector<int32_t>{1, 1}));
        EXPECT_EQ(log5.frames, (std::vector<int32_t>{6, 6}));
        EXPECT_EQ(m.getLastFiredFrame(), 5);
        // Played once without looping, it fires once; a change starts a new play.
        log0.frames.clear();
        log5.frames.clear();
        log5.allow = false;
        m.ChangeAnm(anim(CLIP12), 0, 0);
        for (int i = 0; i < 30; ++i) {
            m.update(FRAME_MS);
        }
        EXPECT_EQ(log0.frames, (std::vector<int32_t>{1}));
        EXPECT_TRUE(log5.frames.empty()) << "its condition held it back";
        log5.allow = true;
        m.ChangeAnm(anim(CLIP12), 0, 0);
        for (int i = 0; i < 8; ++i) {
            m.update(FRAME_MS);
        }
        EXPECT_EQ(log0.frames, (std::vector<int32_t>{1, 1}));
        EXPECT_EQ(log5.frames, (std::vector<int32_t>{6}));
    });
}

TEST(CSPBoneNoBlendAnim, ReleaseFunctionsRunAtDestruction) {
    withBank([](scenetest::RenderSet&) {
        int released = 0;
        {
            CSPBoneNoBlendAnim m(BODY);
            ASSERT_TRUE(m.load(anim(CLIP12)));
            m.addFrameEvent(
                anim(CLIP12), 3, [](void*) {}, &released,
                [](void* const p) { ++*static_cast<int*>(p); });
            m.addFrameEvent(
                anim(CLIP12), 4, [](void*) {}, &released);
        }
        EXPECT_EQ(released, 1);
    });
}

TEST(CSPBoneNoBlendAnim, ChangeAnmSpeed) {
    withBank([](scenetest::RenderSet&) {
        CSPBoneNoBlendAnim m(BODY);
        ASSERT_TRUE(m.load(anim(CLIP12)));
        m.setSpeedFactor(2.0f);
        struct Row {
            float speed;
            float factor;
        };
        for (const Row& row : {Row{-1.0f, 2.0f}, Row{0.5f, 0.5f}, Row{-1.0f, 0.5f}}) {
            EXPECT_GT(m.ChangeAnm(anim(CLIP30), 0, 1, row.speed), 0);
            EXPECT_FLOAT_EQ(m.getSpeedFactor(), row.factor) << row.speed;
        }
        m.update(100.0f);
        EXPECT_NEAR(m.getTime(), 50.0f, 1e-3f);
    });
}

TEST(CSPBoneNoBlendAnim, BeforeLoadUnfittingSkeletonsAndBadBones) {
    withBank([](scenetest::RenderSet& set) {
        CSPBoneNoBlendAnim m(BODY);
        m.setTransXYZ(1.0f, 2.0f, 3.0f);
        // Before load: refusals, and nothing reads a missing player.
        EXPECT_EQ(m.ChangeAnm(anim(CLIP12)), -1);
        EXPECT_EQ(m.addAnimation(anim(CLIP12)), -1);
        m.setLoop(1);
        EXPECT_FALSE(m.isLoop());
        m.update(16.0f);
        m.draw(16.0f);
        EXPECT_EQ(set.objects->getNrUsed(), 0u);
        EXPECT_EQ(m.getFrame(), 0);
        EXPECT_TRUE(m.getBoneMatrix(3).isIdentity());
        EXPECT_TRUE(near(m.getBonePosition(3), ZqVector3(1.0f, 2.0f, 3.0f)));
        // The retired forms answer as the old message box did.
        EXPECT_EQ(m.ChangeAnm(5), 1);
        EXPECT_EQ(m.getCurrentAnimationId(), 0);
        // A skeleton of 8 bones does not fit a body of 13.
        EXPECT_FALSE(m.load(anim(SHORT_CLIP)));
        EXPECT_EQ(m.getPlayer(), nullptr);
        ASSERT_TRUE(m.load(anim(CLIP12)));
        EXPECT_EQ(m.ChangeAnm(anim(SHORT_CLIP)), -1);
        EXPECT_EQ(m.addAnimation(anim(SHORT_CLIP), 3), -1);
        EXPECT_EQ(m.getFirstEntry(), anim(CLIP12));
        // Bones the skeleton does not have leave an attached model free.
        CSPModel hat;
        hat.setModel(m.getModel(), nullptr, 0);
        for (const int32_t bone : {-1, 13, 200}) {
            hat.attach(&m, bone);
            EXPECT_FALSE(hat.isAttached()) << bone;
            EXPECT_TRUE(m.getBoneMatrix(bone).isIdentity()) << bone;
            EXPECT_TRUE(near(m.getBonePosition(bone), ZqVector3(1.0f, 2.0f, 3.0f))) << bone;
        }
        hat.attach(nullptr, 3);
        EXPECT_FALSE(hat.isAttached());
        // Two positions in one expression are two values.
        m.update(FRAME_MS);
        const float rise = m.getBonePosition(12).y - m.getBonePosition(0).y;
        EXPECT_NEAR(rise, 120.0f, 1e-2f);
        // Without a player (animations cleared), the model draws rigid.
        m.clearAnimations();
        EXPECT_EQ(m.getPlayer(), nullptr);
        m.draw(16.0f);
        EXPECT_EQ(set.queue->getListSize(1, CRenderQueue::LIST_OPAQUE), 3u);
    });
}
