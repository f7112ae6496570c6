// The model resource on the running framework: writer-made models load with their primitives,
// share by name, reload in place keeping handles, refuse missing and corrupt files; drawn with
// their materials in a bind pose and an animated pose with an animated texture, and culled
// models draw nothing.
#include "zq/gl/ZqGlModel.h"
#include "ZqAnimWriter.h"
#include "ZqModelWriter.h"
#include "tests/support/GoldenImage.h"
#include "tests/zq/gl/FrameworkRun.h"
#include "tests/zq/gl/TestTexture.h"
#include "zq/crypto/ZqHash.h"
#include "zq/gl/ZqGlAnimation.h"
#include "zq/gl/ZqGlCamera.h"
#include "zq/gl/ZqGlPrimitive.h"
#include "zq/gl/ZqGlShader.h"
#include "zq/gl/ZqGlState.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/gl/ZqGlTexture.h"
#include "zq/gl/ZqGlTextureAnimation.h"
#include "zq/gl/ZqGlTextureAnimationPlayer.h"
#include "zq/platform/os/lasterror.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace mw = zq_model_writer;
using zqtest::Image;

namespace {

constexpr uint16_t W = 192;
constexpr uint16_t H = 192;

std::vector<uint8_t> sampleBytes(const float childY = 1.0f) {
    mw::Model m = mw::sampleModel();
    m.bones[1].bind = mw::Matrix::translation(0.0f, childY, 0.0f);
    for (mw::Material& material : m.materials) {
        material.cull = 1.0f; // the test's projection mirrors depth
    }
    m.materials[0].technique = ZqGlShader::TECHNIQUE_TEX;
    // The blended quad in front of the opaque one.
    for (mw::Vertex& v : m.submodels[1].vertices) {
        v.position[0] += 0.25f;
        v.position[2] = 0.5f;
    }
    return mw::write(m);
}

ZqGlModel* load(const std::vector<uint8_t>& bytes, const char16_t* const name = u"sample") {
    return ZqGlModel::create(0, name, bytes.data(), static_cast<unsigned int>(bytes.size()));
}

TEST(ZqGlModel, LoadShareReloadAndRefuse) {
    zqtest::ScriptTask root;
    root.onFrame = [](const uint32_t) {
        const std::vector<uint8_t> bytes = sampleBytes();
        ZqGlModel* const m = load(bytes);
        EXPECT_NE(m, nullptr);
        if (m == nullptr) {
            return false;
        }
        EXPECT_EQ(m->getNrSubmodels(), 2);
        EXPECT_EQ(m->getNrMaterials(), 2);
        EXPECT_EQ(m->getNrTextures(), 1);
        EXPECT_EQ(m->getNrBones(), 2);
        EXPECT_EQ(std::u16string(m->getTextureFilename(0)), u"sample.dds");
        EXPECT_EQ(m->searchBoneNr("child"), 1);
        EXPECT_EQ(m->searchBoneNr("nobody"), -1);
        EXPECT_EQ(m->searchMaterial("blended"), m->getMaterial(1));
        EXPECT_EQ(m->getSubmodelMaterial(1), m->getMaterial(1));
        EXPECT_EQ(m->getBoneNr(0, 1), 1);
        EXPECT_EQ(m->getBoneParentNr(1), 0);
        EXPECT_EQ(m->getNrPrimitives(0), 1);
        ZqGlPrimitive* const p = m->getPrimitive(0, 0);
        EXPECT_EQ(p->getNrVertices(), 4u);
        EXPECT_EQ(p->getPrimitiveCount(), 2u);
        EXPECT_EQ(ZqGlPrimitive::search(u"sample*model*0*0"), p);
        EXPECT_EQ(m->getBoneBindInvertMatrix(1)._42, -1.0f);

        // Without bone matrices only the world matrix is written.
        ZqMatrix out[2] = {ZqMatrix(2.0f), ZqMatrix(2.0f)};
        const ZqMatrix world = ZqMatrix::UNIT;
        m->calcModelWorldMatrixArray(nullptr, &world, out);
        EXPECT_EQ(out[0]._11, 1.0f);
        EXPECT_EQ(out[1]._11, 2.0f);

        // An animation of the same hierarchy matches; another does not.
        zq_anim_writer::Animation a;
        a.parents = {-1, 0};
        a.tracks.push_back({1, 1, {}, {0, 0, 0, 1}});
        const std::vector<uint8_t> animBytes = zq_anim_writer::write(a);
        ZqGlAnimation* const anim = ZqGlAnimation::create(
            u"pose", animBytes.data(), static_cast<uint32_t>(animBytes.size()), 60.0f);
        EXPECT_TRUE(m->testAnimation(anim));
        a.parents = {-1, 0, 0};
        const std::vector<uint8_t> other = zq_anim_writer::write(a);
        ZqGlAnimation* const anim3 = ZqGlAnimation::create(
            u"pose3", other.data(), static_cast<uint32_t>(other.size()), 60.0f);
        EXPECT_FALSE(m->testAnimation(anim3));
        anim->release();
        anim3->release();

        // A second create shares without reading.
        const std::vector<uint8_t> junk(300, 0xAB);
        EXPECT_EQ(load(junk), m);
        EXPECT_EQ(m->release(), 1u);

        // A failed reload leaves the model as it was; a good one swaps it in place.
        m->setCullingEnable(true);
        std::vector<uint8_t> bad = bytes;
        bad[0x28] = 64;
        EXPECT_EQ(m->reload(0, bad.data(), static_cast<unsigned int>(bad.size())), nullptr);
        EXPECT_EQ(zqp::getLastError(), 0x20003005u);
        EXPECT_EQ(m->getPrimitive(0, 0), p);
        EXPECT_TRUE(m->getCullingEnable());
        const std::vector<uint8_t> longer = sampleBytes(1.5f);
        EXPECT_EQ(m->reload(0, longer.data(), static_cast<unsigned int>(longer.size())), m);
        EXPECT_FALSE(m->getCullingEnable());
        EXPECT_EQ(m->getBoneBindInvertMatrix(1)._42, -1.5f);
        EXPECT_EQ(m->getRefCount(), 1u);
        EXPECT_EQ(ZqGlModel::getNrInstances(), 1u);
        EXPECT_EQ(ZqGlPrimitive::search(u"sample*model*1*0"), m->getPrimitive(1, 0));

        // Missing and corrupt files fail with their codes and leave nothing behind.
        EXPECT_EQ(ZqGlModel::create(0, u"missing", u"no/such/model.bin"), nullptr);
        EXPECT_EQ(zqp::getLastError(), ZqGlModel::ERROR_READ);
        // A null name or file name to read gives the no-free code, a null image the null code.
        EXPECT_EQ(ZqGlModel::create(0, nullptr, u"no/such/model.bin"), nullptr);
        EXPECT_EQ(zqp::getLastError(), ZqGlModel::ERROR_NO_FREE);
        EXPECT_EQ(ZqGlModel::create(0, u"missing", static_cast<const char16_t*>(nullptr)), nullptr);
        EXPECT_EQ(zqp::getLastError(), ZqGlModel::ERROR_NO_FREE);
        EXPECT_EQ(ZqGlModel::create(0, u"missing", static_cast<const void*>(nullptr), 200),
                  nullptr);
        EXPECT_EQ(zqp::getLastError(), ZqGlModel::ERROR_NULL);
        EXPECT_EQ(load(bad, u"bad"), nullptr);
        EXPECT_EQ(zqp::getLastError(), 0x20003005u);
        EXPECT_EQ(load(std::vector<uint8_t>(191, 0), u"short"), nullptr);
        EXPECT_EQ(zqp::getLastError(), ZqGlModel::ERROR_SIZE);
        EXPECT_EQ(ZqGlModel::getNrInstances(), 1u);

        EXPECT_EQ(m->release(), 0u);
        EXPECT_EQ(ZqGlModel::getNrInstances(), 0u);
        EXPECT_EQ(ZqGlPrimitive::search(u"sample*model*0*0"), nullptr);
        return false;
    };
    ASSERT_EQ(zqtest::runFrameworkCode(root, W, H), 0u);
}

TEST(ZqGlModel, DrawsPosedAndCulled) {
    zqtest::ScriptTask root;
    Image culled;
    Image before;
    Image picture;
    bool drawn = false;
    root.onFrame = [](const uint32_t frame) { return frame == 0; };
    root.onDraw = [&] {
        zqp::gpu::Device& d = *ZqGlSystem::getD3dDevice();
        const std::vector<uint8_t> bytes = sampleBytes();
        ZqGlModel* const m = load(bytes);
        ZqGlTexture* texture = zqtest::makeFourTexelTexture();
        ASSERT_NE(m, nullptr);
        ASSERT_NE(texture, nullptr);
        ZqGlShader* const fx = ZqGlShader::getDefaultShader();
        ZqMatrix proj;
        proj.setScale(0.4f, 0.5f, -0.5f, 1.0f);
        fx->setParamMatrix(ZqGlShader::PARAM_VIEW_PROJ, proj);
        ZqGlCamera::getCurrent()->setWorldViewMatrix(ZqMatrix::UNIT);
        ASSERT_TRUE(fx->setTechnique(ZqGlShader::TECHNIQUE_DIFFUSE));

        ZqMatrix bind[2] = {m->getBoneBindMatrix(0), m->getBoneBindMatrix(1)};
        // The child bone turned a quarter about z at its joint.
        ZqMatrix turned[2] = {bind[0], bind[1]};
        ZqMatrix turn;
        turn.setIdentity();
        turn._11 = 0.0f;
        turn._12 = 1.0f;
        turn._21 = -1.0f;
        turn._22 = 0.0f;
        turned[1] = turn * bind[1];
        ZqMatrix left;
        left.setIdentity();
        left.setTrans(-1.2f, -1.0f, -1.0f);
        ZqMatrix right;
        right.setIdentity();
        right.setTrans(1.0f, -1.0f, -1.0f);

        // Culling on, the sphere moved far behind the camera: nothing is drawn.
        before = zqtest::readRenderTarget(d);
        m->setCullingEnable(true);
        const ZqDgSphere saved = m->getBoundingSphere();
        m->setBoundingSphere(ZqDgSphere(ZqVector3(0.0f, 0.0f, 100000.0f), 1.0f));
        m->drawMaterial(&texture, bind, &left, nullptr, 0, 0);
        m->draw(&texture, bind, &left, nullptr, 0);
        culled = zqtest::readRenderTarget(d);
        m->setBoundingSphere(saved);
        m->setCullingEnable(false);

        m->drawMaterial(&texture, bind, &left, nullptr, 0, 0);
        // The animated pose also shifts the opaque material's texture by half its width.
        zq_anim_writer::TextureAnimation shift;
        shift.materials = {"other", "opaque"};
        shift.tracks = {{0, 1, {}, {0.5f}}};
        const std::vector<uint8_t> shiftBytes = zq_anim_writer::write(shift);
        ZqGlTextureAnimation* const texAnim = ZqGlTextureAnimation::create(
            u"shift", shiftBytes.data(), static_cast<uint32_t>(shiftBytes.size()), 60.0f);
        ZqGlTextureAnimationPlayer* player = ZqGlTextureAnimationPlayer::create(texAnim, 0.0f);
        ASSERT_NE(player, nullptr);
        m->drawMaterial(&texture, turned, &right, &player, 1, 0);
        player->release();
        texAnim->release();
        picture = zqtest::readRenderTarget(d);
        drawn = true;
        texture->release();
        m->release();
    };
    ASSERT_EQ(zqtest::runFrameworkCode(root, W, H), 0u);
    ASSERT_TRUE(drawn);
    EXPECT_TRUE(zqtest::imagesMatch(culled, before, "model_culled", 0, 0));
    // The blended quad over the cleared background: half its red, nothing else.
    const uint32_t glass = picture.at(74, 96);
    EXPECT_NEAR(static_cast<int>(glass >> 16 & 0xFF), 128, 2);
    EXPECT_EQ(glass & 0xFFFF, 0u);
    EXPECT_TRUE(zqtest::matchesGolden(picture, "gl/model_poses.png", 2, 4));
}

} // namespace
