// Cameras: the manager's kinds and its edge cases, the gliding camera's spring (cap, rest,
// stability of stiff gains, gains per camera), path playback modes, the aiming camera's
// offset and its flat-axis guard, and the debug camera's keys.
#include "dorvanex/core/flow/OperatorErrors.h"
#include "dorvanex/scene/CCameraAnm.h"
#include "dorvanex/scene/CCameraManager.h"
#include "dorvanex/scene/CDbgCamera.h"
#include "dorvanex/scene/CResourceManager.h"
#include "dorvanex/scene/CResourceManifest.h"
#include "tests/dorvanex/scene/render/SceneFixtures.h"
#include "tests/support/FileTestSupport.h"
#include "tests/support/FrameScript.h"
#include "tests/support/InputTestSupport.h"
#include "tests/zq/gl/FrameworkRun.h"
#include "zq/gl/ZqGlCamera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>

namespace {

ZqVector3 position(const CBaseCamera& c) {
    ZqVector3 p;
    c.getTrans(p);
    return p;
}

class FakeAthlete : public CAimTarget {
public:
    FakeAthlete(const float x, const float speed) : m_x(x), m_speed(speed) {}
    ZqVector3 getModelPosition() const override { return ZqVector3(m_x, 0.0f, 3870.0f); }
    float getSpeed() const override { return m_speed; }

private:
    float m_x;
    float m_speed;
};

} // namespace

TEST(CCameraManager, KindsAndIndicesThatDoNotExist) {
    EXPECT_TRUE(zqtest::runOnceInFrame([] {
        CCameraManager manager;
        // No main camera: the frame runs, and unknown indices change nothing.
        manager.update(16.0f);
        manager.setCamera(0);
        manager.setSubCamera(3);
        manager.useSubCamera(true);
        manager.deleteCamera(2);
        EXPECT_EQ(manager.getMainCamera(), nullptr);
        EXPECT_EQ(manager.createCamera(5), nullptr);
        EXPECT_EQ(manager.getNrCameras(), 0u);
        EXPECT_NE(dynamic_cast<CBaseCamera*>(manager.createCamera(0)), nullptr);
        EXPECT_NE(dynamic_cast<CProCamera*>(manager.createCamera(1)), nullptr);
        EXPECT_NE(dynamic_cast<CCameraAnm*>(manager.createCamera(2)), nullptr);
        EXPECT_NE(dynamic_cast<CAnmAimCamera*>(manager.createCamera(3)), nullptr);
        EXPECT_NE(dynamic_cast<CDbgCamera*>(manager.createCamera(4)), nullptr);
        EXPECT_EQ(manager.getNrCameras(), 5u);
        manager.setCamera(1);
        EXPECT_EQ(ZqGlCamera::getCurrent(), manager.getCamera(1)->getCamera());
        manager.setSubCamera(2);
        manager.useSubCamera(true);
        EXPECT_EQ(ZqGlCamera::getCurrent(), manager.getCamera(2)->getCamera());
        manager.useSubCamera(false);
        EXPECT_EQ(ZqGlCamera::getCurrent(), manager.getCamera(1)->getCamera());
        // Deleting the main camera leaves none, not a dangling one.
        manager.deleteCamera(1);
        EXPECT_EQ(manager.getMainCamera(), nullptr);
        manager.update(16.0f);
        manager.releaseAll();
        EXPECT_EQ(ZqGlCamera::getCurrent(), ZqGlCamera::getDefaultCamera());
        EXPECT_EQ(manager.getNrCameras(), 0u);
        EXPECT_EQ(manager.getSubCamera(), nullptr);
    }));
}

TEST(CProCamera, TheSpringRestsCapsAndKeepsItsOwnGains) {
    EXPECT_TRUE(zqtest::runOnceInFrame([] {
        // At its target: at rest in the first update.
        CProCamera still;
        still.setTargetTransXYZ(0.0f, 0.0f, 0.0f, false);
        EXPECT_EQ(still.getMotion(), CProCamera::MOTION_POSITION);
        still.update(16.0f);
        EXPECT_EQ(still.getMotion(), 0u);
        // 100 ms moves as far as 30 ms.
        CProCamera a;
        CProCamera b;
        a.setTargetTransXYZ(100.0f, 0.0f, 0.0f, false);
        b.setTargetTransXYZ(100.0f, 0.0f, 0.0f, false);
        a.update(100.0f);
        b.update(30.0f);
        EXPECT_GT(position(a).x, 0.0f);
        EXPECT_FLOAT_EQ(position(a).x, position(b).x);
        // Gains belong to one camera.
        a.setGains(900.0f, 60.0f);
        EXPECT_EQ(b.getStiffness(), 25.0f);
        EXPECT_EQ(b.getDamping(), 10.0f);
        CProCamera c;
        EXPECT_EQ(c.getStiffness(), CProCamera::DEFAULT_STIFFNESS);
        EXPECT_EQ(c.getDamping(), CProCamera::DEFAULT_DAMPING);
    }));
}

TEST(CProCamera, StiffGainsComeToRestAtLongFrames) {
    EXPECT_TRUE(zqtest::runOnceInFrame([] {
        CProCamera cam;
        cam.setGains(900.0f, 60.0f);
        cam.setTargetTransXYZ(500.0f, 0.0f, 0.0f, false);
        float worst = 0.0f;
        int frames = 0;
        for (; frames < 300 && cam.isMoving(); ++frames) {
            cam.update(33.0f);
            worst = std::fmax(worst, std::fabs(position(cam).x - 250.0f));
        }
        EXPECT_FALSE(cam.isMoving()) << "still moving after " << frames << " frames";
        EXPECT_FLOAT_EQ(position(cam).x, 500.0f);
        EXPECT_LE(worst, 260.0f) << "no growth past the target";

        // At 16 ms a frame is one plain step of the spring.
        CProCamera plain;
        plain.setGains(900.0f, 60.0f);
        plain.setTargetTransXYZ(100.0f, 0.0f, 0.0f, false);
        float p = 0.0f;
        float v = 0.0f;
        for (int i = 0; i < 20; ++i) {
            plain.update(16.0f);
            const float t = 0.016f;
            const float e = p - 100.0f;
            v += (-e * 900.0f - v * 60.0f) * t;
            p += v * t;
            EXPECT_NEAR(position(plain).x, p, 1e-2f) << i;
        }
    }));
}

TEST(CProCamera, RotationGlidesToItsTarget) {
    EXPECT_TRUE(zqtest::runOnceInFrame([] {
        CProCamera cam;
        cam.lookAtTarget(ZqVector3(0.0f, 100.0f, 500.0f), ZqVector3(0.0f, 0.0f, 0.0f),
                         ZqVector3(0.0f, 1.0f, 0.0f), false);
        EXPECT_EQ(cam.getMotion(), CProCamera::MOTION_POSITION | CProCamera::MOTION_ROTATION);
        for (int i = 0; i < 600 && cam.isMoving(); ++i) {
            cam.update(16.0f);
        }
        EXPECT_FALSE(cam.isMoving());
        EXPECT_TRUE(cam.getMatrix().epsilonEquals(cam.getTargetMatrix(), 1e-2f));
        // lookAtTarget is the inverse of the look-at view.
        ZqMatrix view;
        view.setLookAtRH(ZqVector3(0.0f, 100.0f, 500.0f), ZqVector3(0.0f, 0.0f, 0.0f),
                         ZqVector3(0.0f, 1.0f, 0.0f));
        EXPECT_TRUE((cam.getTargetMatrix() * view).epsilonEquals(ZqMatrix::UNIT, 1e-4f));
    }));
}

TEST(CAnmAimCamera, AimOffsetIsHalfTheDistanceUpTo160) {
    struct Row {
        int line;
        float a, b;
        bool withB;
        float offset;
    };
    const Row rows[] = {
        {__LINE__, 0.0f, 400.0f, true, 160.0f},  {__LINE__, 0.0f, 100.0f, true, 50.0f},
        {__LINE__, 0.0f, -100.0f, true, -50.0f}, {__LINE__, 300.0f, -300.0f, true, -160.0f},
        {__LINE__, 7.0f, 7.0f, true, 0.0f},      {__LINE__, 0.0f, 400.0f, false, 0.0f},
    };
    EXPECT_TRUE(zqtest::runOnceInFrame([&] {
        for (const Row& row : rows) {
            const FakeAthlete a(row.a, 1.0f);
            const FakeAthlete b(row.b, 1.0f);
            CAnmAimCamera cam;
            cam.setTarget(&a);
            cam.setTargetB(row.withB ? &b : nullptr);
            EXPECT_FLOAT_EQ(cam.getAimOffset().x, row.offset) << "line " << row.line;
        }
    }));
}

namespace {

// Rows 336 and 337 of archive 30: a dolly along x looking down -z, and the same turned a
// quarter round (its viewing axis has no z).
void withPaths(const std::function<void()>& body) {
    ScratchFolder scratch;
    const float from[3] = {-600.0f, 150.0f, 5200.0f};
    const float to[3] = {600.0f, 150.0f, 5200.0f};
    std::string error;
    ASSERT_TRUE(scenetest::writeArchive(
        30,
        {{336, zq_anim_writer::write(scenetest::dolly(61, from, to))},
         {337,
          zq_anim_writer::write(scenetest::dolly(61, from, to, std::numbers::pi_v<float> / 2.0f))}},
        error))
        << error;
    EXPECT_TRUE(zqtest::runOnceInFrame([&] {
        ASSERT_TRUE(scenetest::loadChapterBank({{336, 5}, {337, 5}}));
        body();
        CResourceManager::deleteInstance();
        quitErrorManager();
    }));
}

} // namespace

TEST(CCameraAnm, PlayHoldAndHoldAtStart) {
    withPaths([] {
        CCameraAnm cam;
        EXPECT_TRUE(cam.isEnd()) << "no path: ended, so nobody waits for it";
        cam.update(100.0f);
        EXPECT_FALSE(cam.loadAnimation(999));
        ASSERT_TRUE(cam.loadAnimation(336));
        EXPECT_EQ(cam.getAnimationId(), 336);
        EXPECT_FALSE(cam.isEnd());
        cam.update(500.0f);
        EXPECT_NEAR(position(cam).x, -600.0f + 1200.0f * 0.5f, 1.0f);
        cam.hold();
        for (const float dt : {0.0f, 16.0f, 100.0f, 5000.0f}) {
            cam.update(dt);
            EXPECT_FLOAT_EQ(cam.getTime(), 500.0f) << dt;
        }
        cam.play();
        cam.setSpeed(0.5f);
        cam.update(200.0f);
        EXPECT_FLOAT_EQ(cam.getTime(), 600.0f);
        cam.setReverse(true);
        cam.update(200.0f);
        EXPECT_FLOAT_EQ(cam.getTime(), 500.0f);
        cam.holdAtStart();
        cam.update(300.0f);
        EXPECT_FLOAT_EQ(cam.getTime(), 0.0f);
        EXPECT_NEAR(position(cam).x, -600.0f, 1e-2f);
        cam.setReverse(false);
        cam.setSpeed(1.0f);
        cam.rewind();
        EXPECT_EQ(cam.getPlayMode(), CCameraAnm::PLAY_MODE_PLAY);
        cam.update(2000.0f);
        EXPECT_TRUE(cam.isEnd());
    });
}

TEST(CAnmAimCamera, FollowsTheRunnerAndSurvivesAFlatAxis) {
    withPaths([] {
        const FakeAthlete runner(-200.0f, 9.0f);
        CAnmAimCamera cam;
        ASSERT_TRUE(cam.loadAnimation(336));
        cam.setTarget(&runner);
        cam.setSpeedDivisor(3.0f);
        cam.update(16.0f);
        EXPECT_FLOAT_EQ(cam.getFollowSpeed(), 3.0f);
        // The aim is the runner raised by the height offset; the camera keeps the path's z
        // and looks straight at it along the path's axis.
        EXPECT_FLOAT_EQ(cam.getAimPoint().y, 100.0f);
        const ZqVector3 eye = position(cam);
        EXPECT_NEAR(eye.z, 5200.0f, 1e-2f);
        EXPECT_NEAR(eye.x, -200.0f, 1e-2f);
        // A path turned a quarter: its axis has no z, the camera keeps the path's view.
        CAnmAimCamera flat;
        ASSERT_TRUE(flat.loadAnimation(337));
        flat.setTarget(&runner);
        for (int i = 0; i < 10; ++i) {
            flat.update(16.0f);
            EXPECT_TRUE(flat.getMatrix().isFinite(1e9f));
        }
        EXPECT_TRUE(flat.getCamera()->getWorldViewMatrix().isFinite(1e9f));
    });
}

TEST(CDbgCamera, WMovesForwardBySpeedTimesTime) {
    CDbgCamera* cam = nullptr;
    ZqVector3 start;
    int held = 0;
    constexpr float DT = 16.0f;
    zqtest::FrameScript script;
    script
        .then("make",
              [&] {
                  cam = static_cast<CDbgCamera*>(
                      CCameraManager::getInstance()->createCamera(CCameraManager::KIND_DEBUG));
                  CCameraManager::getInstance()->setCamera(0);
                  start = cam->getPosition();
                  zqtest::pushKey(SDL_SCANCODE_W, true);
                  return true;
              })
        .then("hold W",
              [&] {
                  CCameraManager::getInstance()->update(DT);
                  if (cam->getPosition().z != start.z) {
                      ++held;
                  }
                  return held == 5;
              })
        .then("check", [&] {
            // Forward is -back: the default back axis is -z, so forward is +z.
            EXPECT_NEAR(cam->getPosition().z - start.z, 5.0f * 2.0f * DT, 1e-3f);
            EXPECT_FLOAT_EQ(cam->getPosition().y, start.y);
            zqtest::pushKey(SDL_SCANCODE_W, false);
            CCameraManager::deleteInstance();
            return true;
        });
    EXPECT_EQ(script.run("dbgcam", 600), "");
}

// The data set's camera paths: each event's rows load into the chapter bank without a failure
// and play in a path camera to their end with finite matrices.
TEST(CCameraAnm, EveryDataSetPathLoadsAndPlaysToItsEnd) {
    ScratchFolder scratch;
    std::map<uint32_t, std::vector<std::pair<int32_t, uint32_t>>> byArchive;
    size_t count = 0;
    for (const uint32_t archive : {30u, 65u, 66u, 67u, 68u, 69u, 70u, 71u, 72u, 73u}) {
        std::string error;
        ASSERT_TRUE(scenetest::writeArchive(archive, {}, error)) << error;
        const uint32_t first = getArchiveFirstRow(archive);
        for (uint32_t row = first; row < first + getArchiveRowCount(archive); ++row) {
            if (getResourceKindOfName(getResourceEntry(row).name) == KIND_CAMERA_ANIMATION) {
                byArchive[archive].emplace_back(static_cast<int32_t>(row), KIND_CAMERA_ANIMATION);
                ++count;
            }
        }
    }
    ASSERT_EQ(count, 114u);
    EXPECT_TRUE(zqtest::runOnceInFrame([&] {
        initErrorManager();
        clearOperatorError();
        // One event's paths at a time, as the events load them.
        for (const auto& [archive, rows] : byArchive) {
            ASSERT_TRUE(scenetest::loadChapterBank(rows)) << archive;
            EXPECT_EQ(hasOperatorError(), 0) << archive;
            for (const auto& [row, kind] : rows) {
                CCameraAnm cam;
                ASSERT_TRUE(cam.loadAnimation(row)) << row;
                cam.setLoopMode(0);
                for (int frames = 0; frames < 400 && !cam.isEnd(); ++frames) {
                    cam.update(1000.0f / 60.0f);
                    ASSERT_TRUE(cam.getMatrix().isFinite(1e7f)) << row;
                    ASSERT_TRUE(cam.getCamera()->getWorldViewMatrix().isFinite(1e7f)) << row;
                }
                EXPECT_TRUE(cam.isEnd()) << row;
            }
            CResourceManager::getInstance()->releaseBank(CResourceManager::BANK_CHAPTER);
        }
        CResourceManager::deleteInstance();
        quitErrorManager();
    }));
}
