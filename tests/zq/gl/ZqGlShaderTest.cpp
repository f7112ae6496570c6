// ZqGlShader in the running framework: numbers and names, refusals that load nothing, the
// standard parameter set, files and reloads, the current effect across releases and frames,
// texture bindings once per frame, parameter blocks; and what the render-state block and the
// fog send to the device and to the current effect.
#include "zq/gl/ZqGlShader.h"
#include "tests/support/GoldenImage.h"
#include "tests/zq/gl/FrameworkRun.h"
#include "tools/effect/ZqFxCompiler.h"
#include "zq/gl/ZqGlEffect.h"
#include "zq/gl/ZqGlFog.h"
#include "zq/gl/ZqGlState.h"
#include "zq/gl/ZqGlTexture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace gpu = zqp::gpu;
using zqtest::runFrameworkCode;
using zqtest::ScriptTask;

namespace {

constexpr uint16_t W = 256;
constexpr uint16_t H = 192;

// The standard parameters as every effect declares them (shared, as in the default effect),
// without one of them when omit names it.
std::string standardParams(const std::string& omit = "") {
    const char* const params[22][2] = {{"float4", "gvLightAmbient"},
                                       {"float4x4", "gmLightColor"},
                                       {"float4x4", "gmLightDir"},
                                       {"float4x4", "gmLightPos"},
                                       {"float4x4", "gmLightAttenutation"},
                                       {"float4", "gvAmbient"},
                                       {"float4", "gvDiffuse"},
                                       {"float4", "gvSpecular"},
                                       {"float", "gShininess"},
                                       {"float4x4", "gmViewProj"},
                                       {"float4x4", "gmViewWorld"},
                                       {"float2", "gvFogParams"},
                                       {"float4", "gvFogColor"},
                                       {"float3", "gvVertexBlendFlags"},
                                       {"float4x4", "gmTexture"},
                                       {"texture", "gTex0"},
                                       {"texture", "gTex1"},
                                       {"texture", "gTex2"},
                                       {"texture", "gTex3"},
                                       {"texture", "gTexCube"},
                                       {"texture", "gTexNormal"},
                                       {"float4x4", "gvmModelView[48]"}};
    std::string s;
    for (const auto& p : params) {
        if (omit != p[1] && omit + "[48]" != p[1]) {
            s += std::string("shared ") + p[0] + " " + p[1] + ";\n";
        }
    }
    return s;
}

std::vector<uint8_t> compiled(const std::string& source) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(zqfx::compile(source, "test.fx", bytes, error)) << error;
    return bytes;
}

// An effect with two extra parameters and two techniques (the second of two passes).
std::vector<uint8_t> testEffect(const std::string& omit = "", const char* colour = "1, 2, 3, 4") {
    return compiled(standardParams(omit) + "float4 extraColour = {" + colour +
                    "};\nfloat extraScale;\n"
                    "technique First { pass P0 { } }\n"
                    "technique Second { pass P0 { } pass P1 { } }\n");
}

const char16_t* EXTRA[] = {u"extraScale", u"extraColour", nullptr};
const char16_t* TECHNIQUES[] = {u"Second", u"First", nullptr};

// The stamp of a standard parameter's value in the current effect: it moves with every
// change that reaches the effect.
uint64_t stampOf(const ZqGlShader* shader, const char* name) {
    const ZqGlEffect* const fx = shader->getEffect();
    return fx->params().at(fx->findParam(name)).stamp;
}

void runFrames(ScriptTask& root) {
    ASSERT_EQ(runFrameworkCode(root, W, H), 0u);
}

TEST(ZqGlShader, NumbersNamesAndRefusals) {
    ScriptTask root;
    root.onFrame = [](uint32_t) {
        const std::vector<uint8_t> fx = testEffect();
        const auto size = static_cast<unsigned int>(fx.size());
        const unsigned int before = ZqGlShader::getNrInstances();

        ZqGlShader* const s = ZqGlShader::create(5, u"test", fx.data(), size, EXTRA, TECHNIQUES);
        EXPECT_NE(s, nullptr);
        if (s == nullptr) {
            return false;
        }
        EXPECT_EQ(s->getShaderNr(), 5u);
        EXPECT_EQ(s->getNrParams(), 24u);
        EXPECT_EQ(s->getNrTechniques(), 2u);
        EXPECT_EQ(ZqGlShader::getShader(5), s);
        // Extra parameters and techniques in the caller's order.
        ZqVector4 v(0, 0, 0, 0);
        EXPECT_TRUE(s->getParamVector4(23, v));
        EXPECT_EQ(v.w, 4.0f);
        EXPECT_TRUE(s->setParamFloat(22, 0.5f));
        EXPECT_FALSE(s->setParamFloat(24, 0.5f));
        EXPECT_TRUE(s->setTechnique(0));
        EXPECT_EQ(s->beginTechnique(), 2u); // "Second"
        EXPECT_TRUE(s->endTechnique());
        EXPECT_FALSE(s->setTechnique(2));

        // Refused without making or loading anything.
        EXPECT_EQ(ZqGlShader::create(0, u"zero", fx.data(), size, EXTRA, TECHNIQUES), nullptr);
        EXPECT_EQ(ZqGlShader::create(5, u"taken", fx.data(), size, EXTRA, TECHNIQUES), nullptr);
        EXPECT_EQ(ZqGlShader::create(128, u"big", fx.data(), size, EXTRA, TECHNIQUES), nullptr);
        EXPECT_EQ(ZqGlShader::create(9, u"long", fx.data(), 0x20000, EXTRA, TECHNIQUES), nullptr);
        EXPECT_EQ(ZqGlShader::create(9, u"nolist", fx.data(), size, EXTRA, nullptr), nullptr);
        EXPECT_EQ(ZqGlShader::create(9, nullptr, fx.data(), size, EXTRA, TECHNIQUES), nullptr);
        EXPECT_EQ(ZqGlShader::create(5, u"missing.fxo", EXTRA, TECHNIQUES), nullptr);
        EXPECT_EQ(ZqGlShader::search(u"taken"), nullptr);
        EXPECT_EQ(ZqGlShader::getNrInstances(), before + 1);

        // The same name again: the first effect, whatever number and data come with it.
        const uint8_t garbage[8] = {1, 2, 3};
        EXPECT_EQ(ZqGlShader::create(6, u"test", garbage, 8, nullptr, TECHNIQUES), s);
        EXPECT_EQ(s->getRefCount(), 2u);
        EXPECT_EQ(ZqGlShader::getShader(6), nullptr);

        // Effects that lack what the caller needs, or are not effects of ours.
        const std::vector<uint8_t> noNormal = testEffect("gTexNormal");
        EXPECT_EQ(ZqGlShader::create(9, u"a", noNormal.data(),
                                     static_cast<unsigned int>(noNormal.size()), nullptr,
                                     TECHNIQUES),
                  nullptr);
        const char16_t* unknownParam[] = {u"extraScale", u"nothing", nullptr};
        EXPECT_EQ(ZqGlShader::create(9, u"b", fx.data(), size, unknownParam, TECHNIQUES), nullptr);
        const char16_t* unknownTechnique[] = {u"First", u"Third", nullptr};
        EXPECT_EQ(ZqGlShader::create(9, u"c", fx.data(), size, EXTRA, unknownTechnique), nullptr);
        const uint8_t d3dEffect[64] = {0x01, 0x09, 0xFF, 0xFE};
        EXPECT_EQ(ZqGlShader::create(9, u"d", d3dEffect, 64, EXTRA, TECHNIQUES), nullptr);
        EXPECT_EQ(ZqGlShader::getNrInstances(), before + 1);
        EXPECT_EQ(ZqGlShader::getShader(9), nullptr);

        EXPECT_EQ(s->release(), 1u);
        EXPECT_EQ(s->release(), 0u);
        EXPECT_EQ(ZqGlShader::getShader(5), nullptr);
        EXPECT_EQ(ZqGlShader::getShader(200), nullptr);
        EXPECT_EQ(ZqGlShader::getNrInstances(), before);
        // The number is free again.
        ZqGlShader* const again =
            ZqGlShader::create(5, u"again", fx.data(), size, EXTRA, TECHNIQUES);
        EXPECT_NE(again, nullptr);
        if (again != nullptr) {
            again->release();
        }
        return false;
    };
    runFrames(root);
}

TEST(ZqGlShader, FilesAndReloads) {
    // Names of this process only: test runs of other build folders may run at the same time.
    const std::string dir = testing::TempDir() + std::to_string(zqp::currentThreadId());
    const std::string path = dir + "zqgl_shader_test.fxo";
    const std::string bigPath = dir + "zqgl_shader_test_big.fxo";
    {
        const std::vector<uint8_t> fx = testEffect();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(fx.data()),
                   static_cast<std::streamsize>(fx.size()));
        std::vector<uint8_t> big(fx);
        big.resize(0x20000, 0);
        std::ofstream(bigPath, std::ios::binary)
            .write(reinterpret_cast<const char*>(big.data()),
                   static_cast<std::streamsize>(big.size()));
    }
    const std::u16string file(path.begin(), path.end());
    const std::u16string bigFile(bigPath.begin(), bigPath.end());

    ScriptTask root;
    root.onFrame = [&](uint32_t) {
        EXPECT_EQ(ZqGlShader::create(8, bigFile.c_str(), EXTRA, TECHNIQUES), nullptr);
        ZqGlShader* const s = ZqGlShader::create(8, file.c_str(), EXTRA, TECHNIQUES);
        EXPECT_NE(s, nullptr);
        if (s == nullptr) {
            return false;
        }
        EXPECT_EQ(std::u16string(s->getName()), file);
        EXPECT_TRUE(s->setTechnique(1));

        // A new compiled effect in place: same object, number, name and references.
        const std::vector<uint8_t> next = testEffect("", "5, 6, 7, 8");
        EXPECT_EQ(s->reload(next.data(), static_cast<unsigned int>(next.size()), EXTRA, TECHNIQUES),
                  s);
        ZqVector4 v(0, 0, 0, 0);
        EXPECT_TRUE(s->getParamVector4(23, v));
        EXPECT_EQ(v.x, 5.0f);
        EXPECT_EQ(ZqGlShader::getShader(8), s);
        EXPECT_EQ(s->getRefCount(), 1u);
        EXPECT_EQ(ZqGlShader::getNrInstances(), 2u);
        // Still current on its technique, now set in the new effect.
        EXPECT_EQ(ZqGlShader::getCurrent(), s);
        EXPECT_EQ(ZqGlShader::getCurrentTechniqueNr(), 1u);
        EXPECT_EQ(s->beginTechnique(), 1u); // "First"
        s->endTechnique();

        // A failed reload keeps the effect as it was.
        const uint8_t garbage[16] = {'Z', 'Q', 'F', 'X'};
        EXPECT_EQ(s->reload(garbage, 16, EXTRA, TECHNIQUES), nullptr);
        const std::vector<uint8_t> noNormal = testEffect("gTexNormal");
        EXPECT_EQ(s->reload(noNormal.data(), static_cast<unsigned int>(noNormal.size()), EXTRA,
                            TECHNIQUES),
                  nullptr);
        EXPECT_EQ(s->reload(u"missing.fxo", EXTRA, TECHNIQUES), nullptr);
        EXPECT_TRUE(s->getParamVector4(23, v));
        EXPECT_EQ(v.x, 5.0f);
        EXPECT_EQ(ZqGlShader::getShader(8), s);
        EXPECT_EQ(ZqGlShader::getNrInstances(), 2u);
        // And from the file again.
        EXPECT_EQ(s->reload(file.c_str(), EXTRA, TECHNIQUES), s);
        EXPECT_TRUE(s->getParamVector4(23, v));
        EXPECT_EQ(v.x, 1.0f);

        ZqGlShader* const def = ZqGlShader::getDefaultShader();
        EXPECT_EQ(
            def->reload(next.data(), static_cast<unsigned int>(next.size()), nullptr, TECHNIQUES),
            nullptr);
        EXPECT_EQ(s->release(), 0u);
        return false;
    };
    runFrames(root);
    std::remove(path.c_str());
    std::remove(bigPath.c_str());
}

TEST(ZqGlShader, TheDefaultEffectIsCurrentAfterReleasesAndAtEveryFrame) {
    ScriptTask root;
    ZqGlShader* s = nullptr;
    root.onFrame = [&](const uint32_t frame) {
        ZqGlShader* const def = ZqGlShader::getDefaultShader();
        EXPECT_NE(def, nullptr);
        if (def == nullptr) {
            return false;
        }
        // Every frame starts on "DiffuseTexFog" with the identity texture matrix.
        EXPECT_EQ(ZqGlShader::getCurrent(), def);
        EXPECT_EQ(ZqGlShader::getCurrentTechniqueNr(), 5u);
        ZqMatrix m;
        EXPECT_TRUE(def->getParamTextureMatrix(m));
        EXPECT_TRUE(m.isIdentity());
        EXPECT_EQ(def->getShaderNr(), 0u);
        EXPECT_EQ(std::u16string(def->getName()), u"*default");
        EXPECT_EQ(ZqGlShader::getShader(0), def);

        if (frame == 0) {
            const std::vector<uint8_t> fx = testEffect();
            s = ZqGlShader::create(3, u"mine", fx.data(), static_cast<unsigned int>(fx.size()),
                                   EXTRA, TECHNIQUES);
            EXPECT_NE(s, nullptr);
            if (s == nullptr) {
                return false;
            }
            EXPECT_TRUE(s->setTechnique(1));
            EXPECT_EQ(ZqGlShader::getCurrent(), s);
            s->addRef();
            // Releasing the current effect, even one still referenced, leaves the default
            // current on "Diffuse".
            EXPECT_EQ(s->release(), 1u);
            EXPECT_EQ(ZqGlShader::getCurrent(), def);
            EXPECT_EQ(ZqGlShader::getCurrentTechniqueNr(), 0u);
            // Left current with another texture matrix for the next frame to undo.
            EXPECT_TRUE(s->setTechnique(0));
            ZqMatrix scale;
            scale.setScale(2.0f, 2.0f, 2.0f);
            EXPECT_TRUE(s->setParamTextureMatrix(scale));
            return true;
        }
        // Asking for the technique in force does not reach the effect, which would refuse
        // while it runs.
        EXPECT_TRUE(def->setTechnique(3));
        EXPECT_EQ(def->beginTechnique(), 1u);
        EXPECT_TRUE(def->setTechnique(3));
        EXPECT_FALSE(def->setTechnique(4));
        EXPECT_TRUE(def->endTechnique());
        EXPECT_EQ(s->release(), 0u);
        return false;
    };
    runFrames(root);
}

TEST(ZqGlShader, ATextureReachesTheEffectOncePerFrameAndStage) {
    ScriptTask root;
    ZqGlTexture* a = nullptr;
    ZqGlTexture* b = nullptr;
    uint64_t stamp = 0;
    root.onFrame = [&](const uint32_t frame) {
        ZqGlShader* const def = ZqGlShader::getDefaultShader();
        if (frame == 0) {
            a = ZqGlTexture::createDynamic(16, 16);
            b = ZqGlTexture::createDynamic(16, 16);
            EXPECT_TRUE(a != nullptr && b != nullptr);
            stamp = stampOf(def, "gTex0");
            EXPECT_TRUE(def->setParamTexture(0, a));
            EXPECT_GT(stampOf(def, "gTex0"), stamp);
            stamp = stampOf(def, "gTex0");
            EXPECT_TRUE(def->setParamTexture(0, a));
            EXPECT_EQ(stampOf(def, "gTex0"), stamp);
            const uint64_t tex1 = stampOf(def, "gTex1");
            EXPECT_TRUE(def->setParamTexture(1, a)); // another stage is another binding
            EXPECT_GT(stampOf(def, "gTex1"), tex1);
            EXPECT_TRUE(def->setParamTexture(0, b));
            EXPECT_GT(stampOf(def, "gTex0"), stamp);
            EXPECT_EQ(ZqGlShader::getCurrentTexture(0), b);
            EXPECT_FALSE(def->setParamTexture(4, a));
            stamp = stampOf(def, "gTex0");
            return true;
        }
        // A new frame forgets what was bound.
        EXPECT_EQ(ZqGlShader::getCurrentTexture(0), nullptr);
        EXPECT_TRUE(def->setParamTexture(0, b));
        EXPECT_GT(stampOf(def, "gTex0"), stamp);
        a->release();
        b->release();
        return false;
    };
    runFrames(root);
}

TEST(ZqGlShader, ModelViewMatricesAndParameterBlocks) {
    ScriptTask root;
    root.onFrame = [](uint32_t) {
        ZqGlShader* const def = ZqGlShader::getDefaultShader();
        ZqMatrix models[49];
        for (int i = 0; i < 49; ++i) {
            models[i].setIdentity();
            models[i].setTrans(static_cast<float>(i), 0.0f, 0.0f);
        }
        EXPECT_FALSE(def->setParamModelViewMatrixArray(models, 49));
        EXPECT_TRUE(def->setParamModelViewMatrixArray(models, 48));
        ZqMatrix back[48];
        EXPECT_TRUE(def->getParamModelViewMatrixArray(back, 48));
        EXPECT_TRUE(back[47].equals(models[47])); // the view of the default camera is the identity
        EXPECT_TRUE(def->setParamModelViewMatrix(models[3]));
        EXPECT_TRUE(def->getParamModelViewMatrix(back[0]));
        EXPECT_TRUE(back[0].equals(models[3]));

        EXPECT_FALSE(def->applyParamBlock());
        EXPECT_TRUE(def->beginParamBlock());
        EXPECT_TRUE(def->setParamFloat(ZqGlShader::PARAM_SHININESS, 3.0f));
        EXPECT_TRUE(def->endParamBlock());
        EXPECT_TRUE(def->setParamFloat(ZqGlShader::PARAM_SHININESS, 5.0f));
        EXPECT_TRUE(def->applyParamBlock());
        float f = 0.0f;
        EXPECT_TRUE(def->getParamFloat(ZqGlShader::PARAM_SHININESS, f));
        EXPECT_EQ(f, 3.0f);
        int i = 0;
        EXPECT_FALSE(def->getParamInt(ZqGlShader::PARAM_TEX0, i));
        EXPECT_FALSE(def->setParamMatrix(ZqGlShader::PARAM_DIFFUSE, ZqMatrix::UNIT));
        return false;
    };
    runFrames(root);
}

// A reset is refused while anything holds a device resource of the default pool; effects let
// go of their textures when the device is lost, so a size change goes through.
TEST(ZqGlShader, EffectsLetGoOfTexturesBeforeAReset) {
    ScriptTask root;
    root.onFrame = [](const uint32_t frame) {
        ZqGlEffect* const fx = ZqGlShader::getDefaultShader()->getEffect();
        const int tex1 = fx->findParam("gTex1");
        if (frame == 0) {
            std::shared_ptr<gpu::Texture> target;
            EXPECT_EQ(ZqGlSystem::getD3dDevice()->createTexture(16, 16, 1, gpu::usage::RENDERTARGET,
                                                                gpu::Format::A8R8G8B8,
                                                                gpu::Pool::Default, target),
                      gpu::Result::Ok);
            EXPECT_TRUE(fx->params().setTexture(tex1, target));
            EXPECT_TRUE(ZqGlSystem::setGameSize(W + 16, H, false, ZqGlSystem::FSAA_NONE));
            return true;
        }
        EXPECT_EQ(ZqGlSystem::getWidth(), static_cast<float>(W + 16));
        std::shared_ptr<gpu::Texture> kept;
        EXPECT_TRUE(fx->params().getTexture(tex1, kept));
        EXPECT_EQ(kept, nullptr);
        return false;
    };
    runFrames(root);
}

uint32_t deviceState(const gpu::RenderState s) {
    uint32_t v = 0;
    ZqGlSystem::getD3dDevice()->getRenderState(s, v);
    return v;
}

TEST(ZqGlState, ReachesTheDeviceAndTheEffectOnlyWhenCurrent) {
    ScriptTask root;
    ZqGlState* block = nullptr;
    root.onFrame = [&](const uint32_t frame) {
        ZqGlShader* const def = ZqGlShader::getDefaultShader();
        // The device reset that ends start-up clears the device's states; the first frame
        // sets them.
        if (frame == 0) {
            return true;
        }
        if (frame == 1) {
            block = ZqGlState::create();
            EXPECT_NE(block, nullptr);
            if (block == nullptr) {
                return false;
            }
            block->setCullMode(ZqGlState::CULLMODE_NONE);
            block->setDiffuse(0x80FF0000u);
            EXPECT_EQ(deviceState(gpu::RenderState::CullMode), gpu::CULLMODE_CW);
            ZqVector4 diffuse(0, 0, 0, 0);
            EXPECT_TRUE(def->getParamVector4(ZqGlShader::PARAM_DIFFUSE, diffuse));
            EXPECT_EQ(diffuse.y, 1.0f);

            ZqGlState::setCurrent(block);
            EXPECT_EQ(deviceState(gpu::RenderState::CullMode), gpu::CULLMODE_NONE);
            EXPECT_TRUE(def->getParamVector4(ZqGlShader::PARAM_DIFFUSE, diffuse));
            EXPECT_EQ(diffuse.x, 1.0f);
            EXPECT_EQ(diffuse.y, 0.0f);
            EXPECT_NEAR(diffuse.w, 128.0f / 255.0f, 1e-6f);
            // Floats reach the effect as given; the block keeps truncated bytes.
            block->setDiffuse(0.5f, 0.25f, 1.0f, 1.0f);
            EXPECT_TRUE(def->getParamVector4(ZqGlShader::PARAM_DIFFUSE, diffuse));
            EXPECT_EQ(diffuse.x, 0.5f);
            EXPECT_EQ(block->getDiffuse(), 0xFF7F3FFFu);

            block->setAlphaBlendEnable(false);
            block->setZWriteEnable(false);
            block->setStencilRef(9);
            const ZqRect scissor(1, 2, 30, 40);
            block->setScissorRect(&scissor);
            EXPECT_EQ(deviceState(gpu::RenderState::AlphaBlendEnable), 0u);
            EXPECT_EQ(deviceState(gpu::RenderState::ZWriteEnable), 0u);
            EXPECT_EQ(deviceState(gpu::RenderState::StencilRef), 9u);
            zqp::Rect rect;
            ZqGlSystem::getD3dDevice()->getScissorRect(rect);
            EXPECT_EQ(rect.right, 30);

            // The same shininess again sends nothing.
            uint64_t stamp = stampOf(def, "gShininess");
            block->setShininess(10.0f);
            EXPECT_EQ(stampOf(def, "gShininess"), stamp);
            block->setShininess(4.0f);
            EXPECT_GT(stampOf(def, "gShininess"), stamp);
            stamp = stampOf(def, "gShininess");
            block->setShininess(4.0f);
            EXPECT_EQ(stampOf(def, "gShininess"), stamp);

            ZqGlState::setTextureMinFilter(3, ZqGlState::TEXFILTER_POINT);
            uint32_t filter = 0;
            ZqGlSystem::getD3dDevice()->getSamplerState(3, gpu::SamplerState::MinFilter, filter);
            EXPECT_EQ(filter, gpu::TEXFILTER_POINT);
            return true;
        }
        // The next frame starts from the default block with its reset values.
        EXPECT_EQ(ZqGlState::getCurrent(), ZqGlState::getDefaultState());
        EXPECT_EQ(deviceState(gpu::RenderState::CullMode), gpu::CULLMODE_CW);
        EXPECT_EQ(deviceState(gpu::RenderState::AlphaBlendEnable), 1u);
        EXPECT_EQ(deviceState(gpu::RenderState::ZWriteEnable), 1u);
        EXPECT_EQ(deviceState(gpu::RenderState::StencilRef), 0u);
        uint32_t filter = 0;
        ZqGlSystem::getD3dDevice()->getSamplerState(3, gpu::SamplerState::MinFilter, filter);
        EXPECT_EQ(filter, gpu::TEXFILTER_LINEAR);
        ZqVector4 diffuse(0, 0, 0, 0);
        EXPECT_TRUE(ZqGlShader::getCurrent()->getParamVector4(ZqGlShader::PARAM_DIFFUSE, diffuse));
        EXPECT_TRUE(diffuse.equals(ZqVector4(1.0f, 1.0f, 1.0f, 1.0f)));
        // The block kept its own values.
        EXPECT_EQ(block->getCullMode(), ZqGlState::CULLMODE_NONE);
        block->release();
        return false;
    };
    runFrames(root);
}

TEST(ZqGlFog, GoesToTheCurrentEffectEveryFrame) {
    ScriptTask root;
    root.onFrame = [](const uint32_t frame) {
        if (frame == 0) {
            ZqGlFog::set(0.1f, 0.2f, 0.3f, 100.0f, 0.5f, 0, 0.0f);
            return true;
        }
        ZqGlShader* const current = ZqGlShader::getCurrent();
        float params[2] = {};
        EXPECT_TRUE(current->getParamFloatArray(ZqGlShader::PARAM_FOG_PARAMS, params, 2));
        EXPECT_EQ(params[0], -100.0f);
        EXPECT_EQ(params[1], -0.5f);
        ZqVector4 colour(1, 1, 1, 1);
        EXPECT_TRUE(current->getParamVector4(ZqGlShader::PARAM_FOG_COLOR, colour));
        EXPECT_TRUE(colour.equals(ZqVector4(0.1f, 0.2f, 0.3f, 0.0f)));
        ZqGlFog::setDefault(0, 0.0f);
        return false;
    };
    runFrames(root);
}

} // namespace
