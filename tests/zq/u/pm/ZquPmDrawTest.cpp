// Particle drawing on the headless device: writer-made effects played for a fixed number of
// steps through the particle effect compiled from its source, each checked against its golden
// image. The texture list's one texture is a soft white dot made here.
#include "tests/support/GoldenImage.h"
#include "tests/zq/gl/FrameworkRun.h"
#include "tools/dds/DdsWriter.h"
#include "tools/effect/ZqFxCompiler.h"
#include "tools/particle/ZqPmWriter.h"
#include "zq/gl/ZqGlCamera.h"
#include "zq/gl/ZqGlShader.h"
#include "zq/gl/ZqGlState.h"
#include "zq/gl/ZqGlTexture.h"
#include "zq/u/pm/DxParticle.h"
#include "zq/u/pm/ZquPmFileLoader.h"
#include "zq/u/pm/ZquPmManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace ZquPm;

namespace {

constexpr uint16_t W = 192;
constexpr uint16_t H = 192;

const char16_t* PARAMS[] = {u"vecZero",    u"vecOne",   u"vecLook",     u"pad",
                            u"matView",    u"matProj",  u"matViewProj", u"matLocal",
                            u"matViewInv", u"matRot90", nullptr};
const char16_t* TECHNIQUES[] = {u"Default", u"LineParticle", u"RotParticle", nullptr};

std::vector<uint8_t> compiledEffect() {
    const char* const dir = std::getenv("ZQ_TEST_SOURCE_DIR");
    std::ifstream in(std::string(dir != nullptr ? dir : ".") +
                     "/dorvanex/core/render/shaders/ParticleMagic.fx");
    std::stringstream text;
    text << in.rdbuf();
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_TRUE(zqfx::compile(text.str(), "ParticleMagic.fx", out, error)) << error;
    return out;
}

// 8 x 8 white texels whose alpha falls off from the centre.
std::vector<uint8_t> dotTexture() {
    std::vector<uint8_t> px(8 * 8 * 4);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const float dx = static_cast<float>(x) - 3.5f;
            const float dy = static_cast<float>(y) - 3.5f;
            const float a = std::fmax(0.0f, 1.0f - std::sqrt(dx * dx + dy * dy) / 4.5f);
            zqtool::putArgb(&px[4 * (y * 8 + x)],
                            static_cast<uint32_t>(a * 255.0f + 0.5f) << 24 | 0xFFFFFFu);
        }
    }
    return zqtool::makeDds(zqp::image::Format::A8R8G8B8, 8, 8, px.data(), 1);
}

EMITDATA emitter(const uint32_t kind, const uint32_t blend, const Rgb& colour) {
    EMITDATA e = EMITDATA::defaults();
    e.kind = kind;
    e.blend = blend;
    e.count = 12;
    e.life = 1;
    e.particleLife = 100;
    e.texture = 0;
    e.colourStart = e.colourMiddle = e.colourEnd = e.colourStart2 = e.colourTail = colour;
    e.alpha[0] = e.alpha[1] = e.alpha[2] = 200.0f;
    e.psize[0] = e.psize[1] = e.psize[2] = 0.6f;
    e.size2[0] = e.size2[1] = e.size2[2] = 0.6f;
    // Out from the centre in random directions, 0.08 a step.
    e.motion = 1;
    e.spreadH = 0.08f;
    e.spreadV = 0.08f;
    return e;
}

// The camera's parameters in the particle effect: the look direction is the view's third
// column, the inverse view undoes the view's rotation.
void checkCameraParams(const ZqGlShader& shader, const ZqMatrix& view) {
    ZqVector4 look;
    ASSERT_TRUE(shader.getParamVector4(ZqGlShader::NR_STANDARD_PARAMS + 2, look));
    const ZqVector3 dir = ZqVector3(0.0f, -0.4f, 4.0f).normalize();
    EXPECT_NEAR(std::fabs(look.x * dir.x + look.y * dir.y + look.z * dir.z), 1.0f, 1e-4f);
    ZqMatrix inv;
    ASSERT_TRUE(shader.getParamMatrix(ZqGlShader::NR_STANDARD_PARAMS + 8, inv));
    ZqMatrix rot = view;
    rot._41 = rot._42 = rot._43 = 0.0f;
    ZqMatrix product;
    product.mul(rot, inv);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            EXPECT_NEAR(product.m[i][j], i == j ? 1.0f : 0.0f, 1e-5f) << i << "," << j;
        }
    }
}

struct Case {
    const char* golden;
    std::vector<EMITDATA> emitters;
};

// Plays each case in turn in one run of the framework, one frame each: the manager is reset,
// the case's effect started and run for 10 steps, then drawn; the pictures in case order.
std::vector<zqtest::Image> play(const std::vector<Case>& cases) {
    zqtest::ScriptTask root;
    std::vector<zqtest::Image> pictures(cases.size());
    ZqGlShader* shader = nullptr;
    ZqGlTexture* dot = nullptr;
    size_t current = cases.size();
    const std::vector<uint8_t> fxo = compiledEffect();
    const std::vector<uint8_t> dds = dotTexture();
    root.onFrame = [&](const uint32_t frame) {
        current = cases.size();
        if (frame == 0) {
            shader = ZqGlShader::create(40, u"shaders/ParticleMagic.fxo", fxo.data(),
                                        static_cast<unsigned>(fxo.size()), PARAMS, TECHNIQUES);
            dot = ZqGlTexture::create(u"dot.dds", dds.data(), static_cast<uint32_t>(dds.size()), 1);
            if (shader == nullptr || dot == nullptr ||
                ZquPmManager::create(30.0f, shader) == nullptr) {
                return false;
            }
            ZquPmManager::getLoader()->setTextureHooks(
                [&](const std::u16string&, bool) { return dot; }, [](ZqGlTexture*) {});
            zqpmw::PmtDesc list;
            list.textures = {"dot.dds"};
            const std::vector<uint8_t> pmt = zqpmw::writePmt(list);
            if (ZquPmManager::LoadPMT(pmt.data(), pmt.size(), "dot.pmt") == nullptr) {
                return false;
            }
        }
        if (frame >= cases.size()) {
            // Done: everything goes while the device is still there.
            ZquPmManager::sysQuit();
            dot->release();
            shader->release();
            return false;
        }
        ZquPmManager::reset();
        // Each case from the generator's first state, whatever ran before.
        ZquPm::setRandState(ZquPm::RandState{});
        zqpmw::PmdDesc desc;
        desc.texList = "dot.pmt";
        desc.length = 5.0f;
        desc.emitters = cases[frame].emitters;
        const std::vector<uint8_t> pmd = zqpmw::writePmd(desc);
        if (ZquPmEffect::create(pmd.data(), pmd.size(), false) == nullptr) {
            return false;
        }
        // 10 steps at the edit rate.
        ZquPmManager::gpm->update(10.0f * 1000.0f / 30.0f + 1.0f);
        current = frame;
        return true;
    };
    root.onDraw = [&] {
        if (current >= cases.size()) {
            return;
        }
        ZqGlCamera* const cam = ZqGlCamera::getCurrent();
        cam->lookAt(ZqVector3(0.0f, 1.0f, -4.0f), ZqVector3(0.0f, 0.6f, 0.0f),
                    ZqVector3(0.0f, 1.0f, 0.0f));
        cam->setPerspectiveFov(0.9f, 1.0f, 0.1f, 100.0f);
        ZqGlState* const st = ZqGlState::getCurrent();
        st->setZMode(ZqGlState::ZBUFFERMODE_ON);
        st->setAlphaTestEnable(false);
        ZquPmManager::gpm->draw();
        pictures[current] = zqtest::readRenderTarget(*ZqGlSystem::getD3dDevice());
        if (current == 0) {
            checkCameraParams(*shader, cam->getWorldViewMatrix());
        }
    };
    // The generator and the handle counter are left as they were found.
    const ZquPm::RandState rand = ZquPm::randState();
    const uint64_t handle = ZquPmManager::handle;
    EXPECT_EQ(zqtest::runFrameworkCode(root, W, H), 0u);
    ZquPmManager::sysQuit();
    ZquPm::setRandState(rand);
    ZquPmManager::handle = handle;
    return pictures;
}

// Pixels that differ from the clear colour.
uint32_t litPixels(const zqtest::Image& img) {
    uint32_t n = 0;
    for (const uint32_t p : img.pixels) {
        n += (p & 0xFFFFFFu) != 0 ? 1 : 0;
    }
    return n;
}

TEST(ZquPmDraw, WriterMadeEffectsMatchTheirGoldenImages) {
    const Rgb orange{255, 160, 40};
    const Rgb blue{60, 120, 255};
    EMITDATA model = emitter(2, 0, orange);
    model.count = 3;
    model.modelShape = 3;
    model.modelSegments = 8;
    EMITDATA tube = emitter(2, 1, blue);
    tube.count = 3;
    tube.modelShape = 2;
    EMITDATA line = emitter(1, 1, blue);
    line.psize[0] = line.psize[1] = line.psize[2] = 0.1f;
    const std::vector<Case> cases = {
        {"pm/billboards_alpha.png", {emitter(0, 0, orange)}},
        {"pm/billboards_additive.png", {emitter(0, 1, blue), emitter(0, 1, orange)}},
        {"pm/lines.png", {line}},
        {"pm/models.png", {model, tube}},
    };
    const std::vector<zqtest::Image> pictures = play(cases);
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const zqtest::Image& img = pictures[i];
        ASSERT_EQ(img.width, W) << c.golden;
        EXPECT_GT(litPixels(img), 50u) << c.golden << ": the particles reach the picture";
        EXPECT_TRUE(zqtest::matchesGolden(img, c.golden, 3, 8));
    }
}

// The game's particle effect, as the build compiled it into the game's data beside the program,
// loads through the manager by effect number with its three techniques; where the data has no
// such file the manager still starts, without a shader, and draws nothing.
TEST(ZquPmDraw, TheGameDataEffectLoadsByNumber) {
    namespace fs = std::filesystem;
    const fs::path data = fs::canonical("/proc/self/exe").parent_path() / "Application" / "data";
    ASSERT_TRUE(fs::exists(data / "shaders" / "ParticleMagic.fxo"));
    const fs::path before = fs::current_path();
    zqtest::ScriptTask root;
    bool missingStarts = false;
    unsigned techniques = 0;
    root.onFrame = [&](uint32_t) {
        fs::current_path(data.parent_path());
        missingStarts = ZquPmManager::create(30.0f, 32) != nullptr &&
                        ZquPmManager::getShader() == nullptr &&
                        ZquPmManager::getDxParticle() == nullptr;
        ZquPmManager::sysQuit();
        fs::current_path(data);
        if (ZquPmManager::create(30.0f, 32) != nullptr && ZquPmManager::getShader() != nullptr) {
            techniques = ZquPmManager::getShader()->getNrTechniques();
        }
        ZquPmManager::sysQuit();
        fs::current_path(before);
        return false;
    };
    EXPECT_EQ(zqtest::runFrameworkCode(root, W, H), 0u);
    EXPECT_TRUE(missingStarts);
    EXPECT_EQ(techniques, 3u);
}

} // namespace
