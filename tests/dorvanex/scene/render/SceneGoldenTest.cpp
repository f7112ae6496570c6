// Pictures of the scene drawing, headless at the game size through the director's order
// (beginFrame, camera update, clear, draws, drawAll, resetRenderStates, drawLate):
//   1. opaque boxes, two half-transparent quads with a 3D sprite between them, and planar
//      shadows that overlap without darkening the ground twice;
//   2. a billboard facing the camera from two places;
//   3. a path camera on a dolly past coloured posts, playing and holding.
#include "dorvanex/core/render/GameEffects.h"
#include "dorvanex/core/render/GameRender.h"
#include "dorvanex/scene/CCameraAnm.h"
#include "dorvanex/scene/CResourceManager.h"
#include "dorvanex/scene/CSPModel.h"
#include "dorvanex/scene/CSPSprite.h"
#include "tests/dorvanex/scene/render/SceneFixtures.h"
#include "tests/support/FileTestSupport.h"
#include "tests/support/GoldenImage.h"
#include "tests/zq/gl/FrameworkRun.h"
#include "zq/zq.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <vector>

namespace {

constexpr float FOV = std::numbers::pi_v<float> / 4.0f;
constexpr float ASPECT = 4.0f / 3.0f;

// What one picture needs: the game's targets, declarations and skinned effect, a queue, and
// models made from writer descriptions (released at the end).
class Stage {
public:
    Stage() {
        EXPECT_TRUE(createOffscreenTargets());
        EXPECT_TRUE(createGameVertexDeclarations());
        m_effect = createGameEffect(GAME_EFFECT_VERTEX_BLEND);
        EXPECT_NE(m_effect, nullptr);
        setOffscreenTargetSelector(0);
        // Light from over the camera's shoulder, and some ambient, so that the faces seen
        // show their colours.
        ZqGlLight::getDefaultLight()->setDir(ZqVector3(0.3f, -0.6f, -1.0f));
        ZqGlLight::setAmbient(ZqVector4(0.35f, 0.35f, 0.35f, 1.0f));
    }
    ~Stage() {
        m_set.queue->clear();
        for (ZqGlModel* const m : m_models) {
            m->release();
        }
        if (m_effect != nullptr) {
            m_effect->release();
        }
        releaseGameVertexDeclarations();
        releaseOffscreenTargets();
    }
    ZqGlModel* model(const zq_model_writer::Model& description) {
        const std::vector<uint8_t> bytes = zq_model_writer::write(description);
        const std::u16string name = u"golden" + std::u16string(1, u'A' + m_models.size());
        ZqGlModel* const m =
            ZqGlModel::create(0, name.c_str(), bytes.data(), static_cast<unsigned>(bytes.size()));
        EXPECT_NE(m, nullptr);
        m_models.push_back(m);
        return m;
    }
    // One frame in the director's order; the picture as presented.
    zqtest::Image frame(CBaseCamera& camera, const std::function<void()>& draws,
                        const float cameraDt = 16.0f) {
        CRenderQueue& q = *m_set.queue;
        q.beginFrame(16.0f);
        camera.update(cameraDt);
        ZqGlCamera::setCurrent(camera.getCamera());
        q.clear();
        draws();
        q.drawAll(16.0f);
        CRenderQueue::resetRenderStates();
        q.drawLate(16.0f);
        return zqtest::readRenderTarget(*ZqGlSystem::getD3dDevice());
    }
    CRenderQueue& queue() { return *m_set.queue; }

private:
    scenetest::RenderSet m_set;
    ZqGlShader* m_effect = nullptr;
    std::vector<ZqGlModel*> m_models;
};

uint32_t channel(const uint32_t argb, const int shift) {
    return (argb >> shift) & 0xFFu;
}

} // namespace

TEST(SceneGolden, OrderTransparencyAndShadowsDarkenOnce) {
    EXPECT_TRUE(zqtest::runOnceInFrame(
        [] {
            Stage stage;
            const float groundLo[3] = {-800, -10, -800};
            const float groundHi[3] = {800, 0, 800};
            const float aLo[3] = {-260, 0, -60};
            const float aHi[3] = {-160, 120, 40};
            const float bLo[3] = {-200, 0, -20};
            const float bHi[3] = {-120, 90, 60};
            const float quadFront[2][3] = {{60, 20, 200}, {220, 140, 201}};
            const float quadBack[2][3] = {{120, 60, 100}, {280, 180, 101}};
            CSPModel ground;
            ground.setModel(stage.model(scenetest::box(groundLo, groundHi, 0xFF9090A0u)), nullptr,
                            0);
            CSPModel boxA;
            boxA.setModel(stage.model(scenetest::box(aLo, aHi, 0xFFC03020u)), nullptr, 0);
            CSPModel boxB;
            boxB.setModel(stage.model(scenetest::box(bLo, bHi, 0xFF30A040u)), nullptr, 0);
            CSPModel blue;
            blue.setModel(stage.model(scenetest::box(quadFront[0], quadFront[1], 0x802040FFu)),
                          nullptr, 0);
            CSPModel yellow;
            yellow.setModel(stage.model(scenetest::box(quadBack[0], quadBack[1], 0x80FFE020u)),
                            nullptr, 0);
            boxA.setShadowEnable(true);
            boxB.setShadowEnable(true);
            CSPSprite3D sprite(nullptr, 120.0f, 90.0f, 0.0f, 0.0f, -1.0f, -1.0f);
            sprite.setColor32(0xC0FF30FFu);
            sprite.getWorldMatrix().setTrans(190.0f, 110.0f, 150.0f);
            // Light from up and to the right, a little behind: shadows fall left and forward,
            // onto a plane just above the ground.
            stage.queue().calcShadowMatrix(ZqVector4(1.0f, 1.5f, -0.8f, 0.0f),
                                           ZqVector3(0.0f, 0.5f, 0.0f), ZqVector3(0.0f, 1.0f, 0.0f),
                                           false);
            CBaseCamera camera;
            camera.setPerspectiveFov(FOV, ASPECT, 10.0f, 10000.0f);
            camera.lookAt(ZqVector3(0.0f, 450.0f, 900.0f), ZqVector3(0.0f, 40.0f, 0.0f),
                          ZqVector3(0.0f, 1.0f, 0.0f));
            const zqtest::Image picture = stage.frame(camera, [&] {
                // Queued in the wrong order on purpose: the queue sorts them.
                yellow.draw(0.0f, nullptr, nullptr, 0);
                ground.draw(0.0f, nullptr, nullptr, 0);
                blue.draw(0.0f, nullptr, nullptr, 0);
                boxA.draw(0.0f, nullptr, nullptr, 0);
                sprite.draw(0);
                boxB.draw(0.0f, nullptr, nullptr, 0);
            });
            ASSERT_EQ(picture.width, 1024u);
            EXPECT_TRUE(zqtest::matchesGolden(picture, "dorvanex/scene_order_shadows.png", 2, 40));
            // Blue in front of yellow where only the quads overlap: more blue than red.
            const uint32_t mixed = picture.at(647, 392);
            EXPECT_GT(channel(mixed, 0), channel(mixed, 16)) << std::hex << mixed;
            // The sprite sorted between them: blue over it dims its red.
            EXPECT_LT(channel(picture.at(700, 400), 16), channel(picture.at(700, 350), 16) - 40);
            // The ground has its own shade and one darker shade, however many shadows
            // overlap: never the shade of two.
            const uint32_t lit = picture.at(512, 700);
            const auto count = [&](const float f) {
                uint32_t n = 0;
                for (const uint32_t p : picture.pixels) {
                    bool same = true;
                    for (const int shift : {0, 8, 16}) {
                        const float want = static_cast<float>(channel(lit, shift)) * f;
                        same =
                            same && std::fabs(static_cast<float>(channel(p, shift)) - want) <= 2.0f;
                    }
                    n += same ? 1 : 0;
                }
                return n;
            };
            EXPECT_GT(count(1.0f - CRenderQueue::SHADOW_ALPHA), 5000u);
            const float twice =
                (1.0f - CRenderQueue::SHADOW_ALPHA) * (1.0f - CRenderQueue::SHADOW_ALPHA);
            EXPECT_EQ(count(twice), 0u);
        },
        1024, 768));
}

TEST(SceneGolden, ABillboardFacesTheCameraFromTwoPlaces) {
    EXPECT_TRUE(zqtest::runOnceInFrame(
        [] {
            Stage stage;
            CSPBillboard board(nullptr, 200.0f, 120.0f, 0.0f, 0.0f, -1.0f, -1.0f);
            board.setColor32(0xFF40C0F0u);
            CBaseCamera camera;
            camera.setPerspectiveFov(FOV, ASPECT, 10.0f, 10000.0f);
            std::vector<uint32_t> counts;
            const float angles[2] = {0.0f, 1.1f};
            for (const float a : angles) {
                camera.lookAt(ZqVector3(800.0f * std::sin(a), 150.0f, 800.0f * std::cos(a)),
                              ZqVector3(0.0f, 0.0f, 0.0f), ZqVector3(0.0f, 1.0f, 0.0f));
                const zqtest::Image picture = stage.frame(camera, [&] { board.draw(); });
                EXPECT_TRUE(zqtest::matchesGolden(picture,
                                                  a == 0.0f ? "dorvanex/scene_billboard_0.png"
                                                            : "dorvanex/scene_billboard_1.png",
                                                  2, 20));
                uint32_t n = 0;
                for (const uint32_t p : picture.pixels) {
                    n += (p & 0xFFFFFFu) == 0x40C0F0u ? 1 : 0;
                }
                counts.push_back(n);
            }
            // Turned to the camera, it covers as much of the screen from either side.
            ASSERT_GT(counts[0], 1000u);
            EXPECT_NEAR(static_cast<double>(counts[1]) / counts[0], 1.0, 0.03);
        },
        1024, 768));
}

TEST(SceneGolden, APathCameraPlaysAndHolds) {
    ScratchFolder scratch;
    const float from[3] = {-500.0f, 120.0f, 600.0f};
    const float to[3] = {500.0f, 120.0f, 600.0f};
    std::string error;
    ASSERT_TRUE(scenetest::writeArchive(
        30, {{336, zq_anim_writer::write(scenetest::dolly(61, from, to, 0.3f))}}, error))
        << error;
    EXPECT_TRUE(zqtest::runOnceInFrame(
        [] {
            ASSERT_TRUE(scenetest::loadChapterBank({{336, 5}}));
            {
                Stage stage;
                const uint32_t colours[5] = {0xFFE04040u, 0xFFE0A040u, 0xFF60D060u, 0xFF4080E0u,
                                             0xFFA050E0u};
                std::vector<std::unique_ptr<CSPModel>> posts;
                for (int i = 0; i < 5; ++i) {
                    const float x = -600.0f + 300.0f * static_cast<float>(i);
                    const float lo[3] = {x - 30.0f, 0.0f, -30.0f};
                    const float hi[3] = {x + 30.0f, 200.0f, 30.0f};
                    posts.push_back(std::make_unique<CSPModel>());
                    posts.back()->setModel(stage.model(scenetest::box(lo, hi, colours[i])), nullptr,
                                           0);
                }
                CCameraAnm camera;
                ASSERT_TRUE(camera.loadAnimation(336));
                const auto draws = [&] {
                    for (auto& p : posts) {
                        p->draw(0.0f, nullptr, nullptr, 0);
                    }
                };
                // Frames 0, 30 and 60.
                const char* const names[3] = {"dorvanex/scene_dolly_0.png",
                                              "dorvanex/scene_dolly_30.png",
                                              "dorvanex/scene_dolly_60.png"};
                zqtest::Image at30;
                for (int k = 0; k < 3; ++k) {
                    camera.setTime(1000.0f * 30.0f * static_cast<float>(k) / 60.0f);
                    const zqtest::Image picture = stage.frame(camera, draws, 0.0f);
                    EXPECT_TRUE(zqtest::matchesGolden(picture, names[k], 2, 20));
                    if (k == 1) {
                        at30 = picture;
                    }
                }
                // Held on frame 30, whatever the frame time: the same picture again.
                camera.setTime(500.0f);
                camera.hold();
                stage.frame(camera, draws);
                const zqtest::Image held = stage.frame(camera, draws);
                EXPECT_TRUE(zqtest::imagesMatch(held, at30, "scene_dolly_held", 0, 0));
            }
            CResourceManager::deleteInstance();
        },
        1024, 768));
}
