// Animation on the running framework, with writer-made models: retargeting a skeleton's motion
// onto another's, a camera path driving a camera, and a skinned model posed by the mixer.
#include "ZqAnimWriter.h"
#include "ZqModelWriter.h"
#include "tests/support/GoldenImage.h"
#include "tests/zq/gl/FrameworkRun.h"
#include "tests/zq/gl/TestTexture.h"
#include "zq/gl/ZqGlAnimation.h"
#include "zq/gl/ZqGlAnimationMixer.h"
#include "zq/gl/ZqGlAnimationPlayer.h"
#include "zq/gl/ZqGlCamera.h"
#include "zq/gl/ZqGlCameraAnimation.h"
#include "zq/gl/ZqGlCameraAnimationPlayer.h"
#include "zq/gl/ZqGlModel.h"
#include "zq/gl/ZqGlShader.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/gl/ZqGlTexture.h"
#include "zq/platform/os/lasterror.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace mw = zq_model_writer;
using zq_anim_writer::Animation;
using zq_anim_writer::Track;

namespace {

mw::Matrix toWriter(const ZqMatrix& m) {
    mw::Matrix out;
    for (int i = 0; i < 16; ++i) {
        out.m[i] = m.m[i / 4][i % 4];
    }
    return out;
}

ZqMatrix placed(const float angleZ, const float x, const float y) {
    ZqMatrix m;
    m.setRotZ(angleZ);
    return m.setTrans(x, y, 0.0f);
}

// A chain of bones with the given model-space binds and a skinned strip along +y, one vertex
// pair per bone (the last bone also takes the tip).
std::vector<uint8_t> arm(const std::vector<ZqMatrix>& binds, const std::vector<int>& parents) {
    mw::Model m;
    for (size_t b = 0; b < binds.size(); ++b) {
        mw::Bone bone;
        bone.name = "bone" + std::to_string(b);
        bone.parent = parents[b];
        bone.bind = toWriter(binds[b]);
        m.bones.push_back(bone);
    }
    mw::Material material;
    material.name = "skin";
    material.technique = ZqGlShader::TECHNIQUE_TEX;
    material.cull = 1.0f; // the test's projection mirrors depth
    m.materials = {material};
    mw::Texture texture;
    texture.fileName = "arm.dds";
    m.textures = {texture};
    mw::Submodel s;
    s.skinned = true;
    s.blendWeights = 1;
    s.stages = {0};
    const uint32_t n = static_cast<uint32_t>(binds.size());
    for (uint32_t b = 0; b < n; ++b) {
        s.palette.push_back(static_cast<uint16_t>(b));
    }
    for (uint32_t k = 0; k <= n; ++k) {
        for (const float x : {-0.2f, 0.2f}) {
            mw::Vertex v;
            v.position[0] = x;
            v.position[1] = static_cast<float>(k);
            v.uv[0] = x + 0.5f;
            v.uv[1] = static_cast<float>(k) / static_cast<float>(n);
            v.blendIndices[0] = static_cast<uint8_t>(k < n ? k : n - 1);
            s.vertices.push_back(v);
        }
    }
    for (uint16_t k = 0; k < n; ++k) {
        const uint16_t i = static_cast<uint16_t>(2 * k);
        s.indices.insert(s.indices.end(), {i, uint16_t(i + 1), uint16_t(i + 3), i, uint16_t(i + 3),
                                           uint16_t(i + 2)});
    }
    m.submodels = {s};
    return mw::write(m);
}

ZqGlModel* loadModel(const std::vector<uint8_t>& bytes, const char16_t* name) {
    return ZqGlModel::create(0, name, bytes.data(), static_cast<unsigned int>(bytes.size()));
}

ZqGlAnimation* loadAnimation(const Animation& a, const char16_t* name) {
    const std::vector<uint8_t> bytes = zq_anim_writer::write(a);
    return ZqGlAnimation::create(name, bytes.data(), static_cast<uint32_t>(bytes.size()), 0.0f);
}

std::vector<float> rotZ(const float a) {
    return {0.0f, 0.0f, std::sin(a / 2), std::cos(a / 2)};
}

void expectNear(const ZqMatrix& a, const ZqMatrix& b, const char* what, const float eps = 1e-4f) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(a.m[i / 4][i % 4], b.m[i / 4][i % 4], eps) << what << " element " << i;
    }
}

// Retargeting and the camera path, checked inside a frame before the drawing.
void retargetAndCameraPath() {
    {
        // The source: a straight chain of unit bones; the target: turned and of other lengths.
        const std::vector<int> parents = {-1, 0, 1};
        ZqGlModel* const source =
            loadModel(arm({placed(0, 0, 0), placed(0, 0, 1), placed(0, 0, 2)}, parents), u"source");
        ZqGlModel* const target = loadModel(
            arm({placed(0.2f, 0, 0), placed(0.5f, 0.3f, 1.5f), placed(-0.4f, 1.0f, 3.0f)}, parents),
            u"target");
        ASSERT_NE(source, nullptr);
        ASSERT_NE(target, nullptr);
        // The source's bind pose as an animation.
        Animation still;
        still.parents = {-1, 0, 1};
        still.tracks = {Track{29, 1, {}, {0, 1, 0}}, Track{29, 2, {}, {0, 1, 0}}};
        ZqGlAnimation* const a = loadAnimation(still, u"still");
        ZqGlAnimationPlayer* const p = ZqGlAnimationPlayer::create(a, 0.0f);
        ASSERT_NE(p, nullptr);
        for (uint32_t b = 0; b < 3; ++b) {
            expectNear(p->getMatrix(b), source->getBoneBindMatrix(b), "source bind");
        }
        // Retargeted, the source's bind pose is the target's.
        ASSERT_TRUE(p->setMotionRetarget(target, source));
        p->setTime(0.0f);
        EXPECT_NEAR(p->getMatrix(2)._42, 2.0f, 1e-5f); // only while the switch is on
        p->setMotionRetargetEnable(true);
        EXPECT_TRUE(p->isMotionRetargetEnable());
        p->setTime(0.0f);
        for (uint32_t b = 0; b < 3; ++b) {
            expectNear(p->getMatrix(b), target->getBoneBindMatrix(b), "target bind");
        }

        // A target bone without offset from its parent takes none (no direction to turn to).
        ZqGlModel* const stub =
            loadModel(arm({placed(0, 0, 0), placed(0, 0, 1), placed(0, 0, 1)}, parents), u"stub");
        ASSERT_NE(stub, nullptr);
        ASSERT_TRUE(p->setMotionRetarget(stub, source));
        p->setTime(0.0f);
        for (uint32_t b = 0; b < 3; ++b) {
            expectNear(p->getMatrix(b), stub->getBoneBindMatrix(b), "stub bind");
        }
        stub->release();

        // The same skeleton on both sides changes nothing of a moving animation.
        Animation wave = still;
        wave.frameCount = 10;
        wave.tracks.push_back(Track{1, 1, {0, 10}, {0, 0, 0, 1, 0, 0.3f, 0.4f, 0.866f}});
        wave.tracks.push_back(Track{1, 2, {}, rotZ(0.7f)});
        ZqGlAnimation* const w = loadAnimation(wave, u"wave");
        ZqGlAnimationPlayer* const q = ZqGlAnimationPlayer::create(w, 70.0f);
        ASSERT_NE(q, nullptr);
        const std::vector<ZqMatrix> plain(q->getMatrixArray(), q->getMatrixArray() + 3);
        ASSERT_TRUE(q->setMotionRetarget(source, source));
        q->setMotionRetargetEnable(true);
        q->setTime(70.0f);
        for (uint32_t b = 0; b < 3; ++b) {
            expectNear(q->getMatrix(b), plain[b], "same skeleton", 1e-5f);
        }

        // Skeletons the animation does not fit.
        mw::Model twoBones = mw::sampleModel();
        ZqGlModel* const small = loadModel(mw::write(twoBones), u"small");
        ZqGlModel* const fork = loadModel(
            arm({placed(0, 0, 0), placed(0, 0, 1), placed(0, 1, 1)}, {-1, 0, 0}), u"fork");
        ASSERT_NE(small, nullptr);
        ASSERT_NE(fork, nullptr);
        EXPECT_FALSE(q->setMotionRetarget(small, source));
        EXPECT_EQ(zqp::getLastError(), ZqGlAnimationPlayer::ERROR_RETARGET_COUNT);
        EXPECT_FALSE(q->setMotionRetarget(target, fork));
        EXPECT_EQ(zqp::getLastError(), ZqGlAnimationPlayer::ERROR_RETARGET_TREE);
        // Either model null drops the table.
        EXPECT_TRUE(q->setMotionRetarget(nullptr, source));
        q->setTime(70.0f);
        for (uint32_t b = 0; b < 3; ++b) {
            expectNear(q->getMatrix(b), plain[b], "no table", 1e-6f);
        }
        q->release();
        p->release();
        w->release();
        a->release();
        fork->release();
        small->release();
        target->release();
        source->release();

        // A camera path hands a camera its placement and projection.
        zq_anim_writer::CameraAnimation path;
        path.frameCount = 60;
        path.tracks[0].frames = {0, 60};
        path.tracks[0].values = {0, 0, 0, 1, 0, std::sin(0.4f), 0, std::cos(0.4f)};
        path.tracks[1].frames = {0, 60};
        path.tracks[1].values = {0, 2, 10, 1, 6, 2, 4, 1};
        path.tracks[2].values = {50};
        path.tracks[3].values = {0.5f};
        path.tracks[4].values = {500};
        path.tracks[5].values = {1.25f};
        const std::vector<uint8_t> bytes = zq_anim_writer::write(path);
        ZqGlCameraAnimation* const ca = ZqGlCameraAnimation::create(
            u"path", bytes.data(), static_cast<uint32_t>(bytes.size()), 60.0f);
        ASSERT_NE(ca, nullptr);
        ZqGlCameraAnimationPlayer* const cp = ZqGlCameraAnimationPlayer::create(ca, 500.0f);
        ASSERT_NE(cp, nullptr);
        ZqGlCamera* const camera = ZqGlCamera::create();
        ASSERT_NE(camera, nullptr);
        camera->setViewWorldMatrix(cp->getMatrix());
        camera->setPerspectiveFov(cp->getFovY(), cp->getAspect(), cp->getZNear(), cp->getZFar());
        // Half way: turned 0.4 rad about y (half of 0.8), at (3, 2, 7).
        ZqMatrix place;
        place.setRotY(0.4f);
        place.setTrans(3.0f, 2.0f, 7.0f);
        expectNear(camera->getViewWorldMatrix(), place, "camera to world");
        expectNear(camera->getWorldViewMatrix(), ZqMatrix().inverse(place), "view");
        ZqMatrix projection;
        projection.setPerspectiveFovRH(50.0f * 3.14159265f / 180.0f, 1.25f, 0.5f, 500.0f);
        expectNear(camera->getViewProjMatrix(), projection, "projection");
        EXPECT_FLOAT_EQ(camera->getNear(), 0.5f);
        EXPECT_FLOAT_EQ(camera->getFar(), 500.0f);
        camera->release();
        cp->release();
        ca->release();
    }
}

// One framework run: retargeting, the camera path, and the golden picture of a model posed by
// the mixer.
TEST(ZqGlAnimationPose, RetargetCameraPathAndMixerPose) {
    constexpr uint16_t W = 160;
    constexpr uint16_t H = 160;
    zqtest::ScriptTask root;
    zqtest::Image picture;
    root.onFrame = [](const uint32_t frame) { return frame == 0; };
    root.onDraw = [&] {
        if (!picture.pixels.empty()) {
            return;
        }
        retargetAndCameraPath();
        zqp::gpu::Device& d = *ZqGlSystem::getD3dDevice();
        const std::vector<int> parents = {-1, 0, 1, 2};
        ZqGlModel* const m = loadModel(
            arm({placed(0, 0, 0), placed(0, 0, 1), placed(0, 0, 2), placed(0, 0, 3)}, parents),
            u"arm");
        ZqGlTexture* texture = zqtest::makeFourTexelTexture();
        ASSERT_NE(m, nullptr);
        ASSERT_NE(texture, nullptr);
        // Layer 0 cross-fades half way from a bend to the left into a bend to the right; the
        // two upper bones follow layer 1, curling back.
        Animation left;
        left.frameCount = 10;
        left.parents = {-1, 0, 1, 2};
        for (int8_t b = 1; b < 4; ++b) {
            left.tracks.push_back(Track{29, b, {}, {0, 1, 0}});
        }
        Animation right = left;
        Animation curl = left;
        for (int8_t b = 0; b < 4; ++b) {
            left.tracks.push_back(Track{1, b, {}, rotZ(0.5f)});
            right.tracks.push_back(Track{1, b, {}, rotZ(-0.3f)});
            curl.tracks.push_back(Track{1, b, {}, rotZ(1.0f)});
        }
        ZqGlAnimation* const a = loadAnimation(left, u"left");
        ZqGlAnimation* const b = loadAnimation(right, u"right");
        ZqGlAnimation* const c = loadAnimation(curl, u"curl");
        ZqGlAnimationMixer* const mixer = ZqGlAnimationMixer::create(a);
        ASSERT_NE(mixer, nullptr);
        mixer->setAnimation(0, a, 0.0f, 0.0f);
        mixer->setBlendRelativeTime(0.0f);
        mixer->setAnimation(0, b, 200.0f, 0.0f);
        mixer->setAnimation(1, c, 0.0f, 0.0f);
        const unsigned char layers[4] = {0, 0, 1, 1};
        mixer->setLayerNrArray(layers, 4);
        mixer->setRelativeTime(0, 100.0f);
        mixer->setBlendRelativeTime(100.0f);

        ZqGlShader* const fx = ZqGlShader::getDefaultShader();
        ZqMatrix proj;
        proj.setScale(0.4f, 0.4f, -0.5f, 1.0f);
        fx->setParamMatrix(ZqGlShader::PARAM_VIEW_PROJ, proj);
        ZqGlCamera::getCurrent()->setWorldViewMatrix(ZqMatrix::UNIT);
        ASSERT_TRUE(fx->setTechnique(ZqGlShader::TECHNIQUE_DIFFUSE));
        ZqMatrix world;
        world.setIdentity();
        world.setTrans(0.3f, -2.2f, -1.0f);
        m->drawMaterial(&texture, mixer->getMatrixArray(), &world, nullptr, 0, 0);
        picture = zqtest::readRenderTarget(d);
        mixer->release();
        c->release();
        b->release();
        a->release();
        texture->release();
        m->release();
    };
    ASSERT_EQ(zqtest::runFrameworkCode(root, W, H), 0u);
    ASSERT_FALSE(picture.pixels.empty());
    EXPECT_TRUE(zqtest::matchesGolden(picture, "gl/model_mixer_pose.png", 2, 4));
}

} // namespace
