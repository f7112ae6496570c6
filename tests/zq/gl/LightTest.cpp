// ZqGlLight in the running framework: the four light slots and the ambient colour as the
// current effect receives them, and lit geometry drawn by a small effect of the test's own that
// reads them (a directional light on one sphere, a positional light on the other).
#include "tests/support/GoldenImage.h"
#include "tests/zq/gl/FrameworkRun.h"
#include "tools/effect/ZqFxCompiler.h"
#include "zq/gl/ZqGlCamera.h"
#include "zq/gl/ZqGlLight.h"
#include "zq/gl/ZqGlShader.h"
#include "zq/gl/ZqGlState.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace gpu = zqp::gpu;

namespace {

constexpr uint16_t W = 320;
constexpr uint16_t H = 160;

void inFrame(const std::function<void()>& body) {
    zqtest::ScriptTask root;
    bool done = false;
    root.onFrame = [](const uint32_t frame) { return frame == 0; };
    root.onDraw = [&] {
        if (!done) {
            done = true;
            body();
        }
    };
    ASSERT_EQ(zqtest::runFrameworkCode(root, W, H), 0u);
    EXPECT_TRUE(done);
}

ZqMatrix param(const ZqGlShader::PARAM index) {
    ZqMatrix m = ZqMatrix::ZERO;
    EXPECT_TRUE(ZqGlShader::getCurrent()->getParamMatrix(index, m));
    return m;
}

void expectRow(const ZqMatrix& m, const int row, const ZqVector4& v, const char* what) {
    EXPECT_NEAR(m.m[row][0], v.x, 1e-5f) << what << " row " << row;
    EXPECT_NEAR(m.m[row][1], v.y, 1e-5f) << what << " row " << row;
    EXPECT_NEAR(m.m[row][2], v.z, 1e-5f) << what << " row " << row;
    EXPECT_NEAR(m.m[row][3], v.w, 1e-5f) << what << " row " << row;
}

const ZqVector4 NO_LIGHT(1.0f, 0.0f, 0.0f, 0.0f);
const ZqVector4 ZERO(0.0f, 0.0f, 0.0f, 0.0f);

} // namespace

TEST(ZqGlLight, DefaultLightAndAmbientFromStartUp) {
    inFrame([] {
        ZqGlLight* const def = ZqGlLight::getDefaultLight();
        ASSERT_NE(def, nullptr);
        EXPECT_EQ(ZqGlLight::getNrInstances(), 1u);
        EXPECT_EQ(def->getType(), ZqGlLight::TYPE_DIRECTIONAL);
        ZqVector4 ambient;
        ASSERT_TRUE(
            ZqGlShader::getCurrent()->getParamVector4(ZqGlShader::PARAM_LIGHT_AMBIENT, ambient));
        EXPECT_NEAR(ambient.x, 0.32f, 1e-6f);
        EXPECT_NEAR(ambient.y, 0.34f, 1e-6f);
        EXPECT_NEAR(ambient.z, 0.3f, 1e-6f);
        EXPECT_EQ(ambient.w, 0.0f);

        const ZqMatrix colors = param(ZqGlShader::PARAM_LIGHT_COLOR);
        const ZqMatrix dirs = param(ZqGlShader::PARAM_LIGHT_DIR);
        const ZqMatrix positions = param(ZqGlShader::PARAM_LIGHT_POS);
        const ZqMatrix attenuations = param(ZqGlShader::PARAM_LIGHT_ATTENUTATION);
        expectRow(colors, 0, ZqVector4(0.4f, 0.4f, 0.5f, 1.0f), "colour");
        expectRow(attenuations, 0, ZqVector4(1, 0, 0, 0), "attenuation");
        // The frame's camera looks down +z, so view space turns x and z around.
        expectRow(dirs, 0, ZqVector4(0, -1, 0, 0), "direction");
        expectRow(positions, 0, ZqVector4(0, 0, 0, 1), "position");
        for (int slot = 1; slot < 4; ++slot) {
            expectRow(colors, slot, ZERO, "colour");
            expectRow(attenuations, slot, ZERO, "attenuation");
            expectRow(dirs, slot, NO_LIGHT, "direction");
            expectRow(positions, slot, NO_LIGHT, "position");
        }
    });
}

TEST(ZqGlLight, SlotsRunNewestFirstAndFollowTheCamera) {
    inFrame([] {
        ZqGlLight* const def = ZqGlLight::getDefaultLight();
        ZqGlLight* const a = ZqGlLight::create(ZqGlLight::TYPE_POSITIONAL, 0x80FF8000u);
        ASSERT_NE(a, nullptr);
        EXPECT_NEAR(a->getColor().y, 128.0f / 255.0f, 1e-6f);
        EXPECT_NEAR(a->getColor().w, 128.0f / 255.0f, 1e-6f);
        a->setPos(1, 2, 3);
        a->setDir(0, 0, 5);
        EXPECT_EQ(a->getDir().z, 1.0f);
        EXPECT_EQ(a->getDir().w, 0.0f);
        a->setAttenutation(0.5f, 0.25f, 0.125f);

        // Slot 0 is the newer light, slot 1 the default one; 2 and 3 are empty.
        ZqMatrix dirs = param(ZqGlShader::PARAM_LIGHT_DIR);
        expectRow(param(ZqGlShader::PARAM_LIGHT_COLOR), 0, a->getColor(), "colour");
        expectRow(param(ZqGlShader::PARAM_LIGHT_COLOR), 1, def->getColor(), "colour");
        expectRow(param(ZqGlShader::PARAM_LIGHT_POS), 0, ZqVector4(-1, 2, -3, 1), "position");
        expectRow(dirs, 0, ZqVector4(0, 0, -1, 0), "direction");
        expectRow(dirs, 1, ZqVector4(0, -1, 0, 0), "direction");
        expectRow(dirs, 2, NO_LIGHT, "direction");
        expectRow(dirs, 3, NO_LIGHT, "direction");
        expectRow(param(ZqGlShader::PARAM_LIGHT_ATTENUTATION), 0,
                  ZqVector4(0.5f, 0.25f, 0.125f, 0.0f), "attenuation");
        a->setAttenutation(ZqVector4(1, 2, 3, 4));
        expectRow(param(ZqGlShader::PARAM_LIGHT_ATTENUTATION), 0, ZqVector4(1, 2, 3, 4),
                  "attenuation");
        a->setPos(ZqVector4(4, 5, 6, 9));
        EXPECT_EQ(a->getPos().w, 1.0f);

        // Another camera: directions and positions in its view space.
        ZqGlCamera* const camera = ZqGlCamera::create();
        ASSERT_NE(camera, nullptr);
        camera->lookAt(ZqVector3(0, 0, 0), ZqVector3(1, 0, 0), ZqVector3(0, 1, 0));
        ZqGlCamera::setCurrent(camera);
        const ZqMatrix& view = camera->getWorldViewMatrix();
        expectRow(param(ZqGlShader::PARAM_LIGHT_DIR), 0, a->getDir() * view, "direction");
        expectRow(param(ZqGlShader::PARAM_LIGHT_POS), 0, a->getPos() * view, "position");
        camera->lookAt(ZqVector3(0, 0, 0), ZqVector3(0, -1, 0), ZqVector3(0, 0, 1));
        expectRow(param(ZqGlShader::PARAM_LIGHT_DIR), 1, def->getDir() * view, "direction");
        camera->release();

        // A disabled light keeps its direction and position rows, not its colour.
        a->setEnable(false);
        ZqGlLight::setColorParam();
        ZqGlLight::setAttenutationParam();
        ZqGlLight::setDirPosParam();
        expectRow(param(ZqGlShader::PARAM_LIGHT_COLOR), 0, ZERO, "colour");
        expectRow(param(ZqGlShader::PARAM_LIGHT_ATTENUTATION), 0, ZERO, "attenuation");
        expectRow(param(ZqGlShader::PARAM_LIGHT_POS), 0, ZqVector4(-4, 5, -6, 1), "position");
        a->setEnable(true);

        // Four at most.
        ZqGlLight* const b = ZqGlLight::create(ZqGlLight::TYPE_DIRECTIONAL, 1, 1, 1, 1);
        ZqGlLight* const c = ZqGlLight::create(ZqGlLight::TYPE_DIRECTIONAL, ZqVector4(1, 0, 0, 1));
        ASSERT_NE(b, nullptr);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(ZqGlLight::create(ZqGlLight::TYPE_DIRECTIONAL, 0xFFFFFFFFu), nullptr);

        // Released: its colour goes black first; the pool has room again.
        EXPECT_EQ(c->release(), 0u);
        EXPECT_EQ(c->getColor().x, 0.0f);
        expectRow(param(ZqGlShader::PARAM_LIGHT_COLOR), 0, ZERO, "colour");
        EXPECT_EQ(c->release(), 0u); // a second release changes nothing
        EXPECT_EQ(ZqGlLight::getNrInstances(), 3u);
        b->release();
        a->release();

        ZqGlLight::setAmbient(0xFF336699u);
        ZqVector4 ambient;
        ZqGlShader::getCurrent()->getParamVector4(ZqGlShader::PARAM_LIGHT_AMBIENT, ambient);
        EXPECT_NEAR(ambient.x, 0x33 / 255.0f, 1e-6f);
        EXPECT_NEAR(ambient.z, 0x99 / 255.0f, 1e-6f);
        EXPECT_NEAR(ambient.w, 1.0f, 1e-6f);
    });
}

namespace {

// A lit effect of the test's own: per pixel, the ambient colour plus each slot's colour,
// either as a directional light (technique 0) or as a positional one with its attenuation
// (technique 1), in view space. Rows of the light matrices are columns of the GLSL matrices.
const char* const LIT_EFFECT = R"(
shared float4 gvLightAmbient;
shared float4x4 gmLightColor;
shared float4x4 gmLightDir;
shared float4x4 gmLightPos;
shared float4x4 gmLightAttenutation;
shared float4 gvAmbient;
shared float4 gvDiffuse;
shared float4 gvSpecular;
shared float gShininess;
shared float4x4 gmViewProj;
shared float4x4 gmViewWorld;
shared float2 gvFogParams;
shared float4 gvFogColor;
shared float3 gvVertexBlendFlags;
shared float4x4 gmTexture;
shared texture gTex0;
shared texture gTex1;
shared texture gTex2;
shared texture gTex3;
shared texture gTexCube;
shared texture gTexNormal;
shared float4x4 gvmModelView[48];

vertexshader vsLit %{
vec4 vertexMain() {
    vec4 view = vec4(inPosition.xyz, 1.0) * gvmModelView(0);
    vColor0 = vec4(1.0);
    vColor1 = vec4(0.0);
    vTexCoord0 = vec4(0.0);
    vTexCoord1 = vec4(view.xyz, 1.0);
    vTexCoord2 = vec4((vec4(inNormal.xyz, 0.0) * gvmModelView(0)).xyz, 0.0);
    vTexCoord3 = vec4(0.0);
    vTexCoord4 = vec4(0.0);
    vTexCoord5 = vec4(0.0);
    vTexCoord6 = vec4(0.0);
    vTexCoord7 = vec4(0.0);
    return view * gmViewProj;
}
%}

pixelshader psDirectional %{
vec4 pixelMain() {
    vec3 n = normalize(vTexCoord2.xyz);
    mat4 colours = transpose(gmLightColor);
    mat4 dirs = transpose(gmLightDir);
    vec3 c = gvLightAmbient.rgb;
    for (int i = 0; i < 4; ++i) {
        c += colours[i].rgb * max(dot(n, -dirs[i].xyz), 0.0);
    }
    return vec4(c, 1.0);
}
%}

pixelshader psPositional %{
vec4 pixelMain() {
    vec3 n = normalize(vTexCoord2.xyz);
    mat4 colours = transpose(gmLightColor);
    mat4 positions = transpose(gmLightPos);
    mat4 attenuations = transpose(gmLightAttenutation);
    vec3 c = gvLightAmbient.rgb;
    for (int i = 0; i < 4; ++i) {
        vec3 l = positions[i].xyz - vTexCoord1.xyz;
        float d = length(l);
        vec3 a = attenuations[i].xyz;
        float k = 1.0 / max(a.x + a.y * d + a.z * d * d, 0.0001);
        c += colours[i].rgb * max(dot(n, l / d), 0.0) * k;
    }
    return vec4(c, 1.0);
}
%}

technique Directional { pass P0 { VertexShader = vsLit; PixelShader = psDirectional; } }
technique Positional { pass P0 { VertexShader = vsLit; PixelShader = psPositional; } }
)";

struct LitVertex {
    float x, y, z;
    float nx, ny, nz;
};

const gpu::VertexElement LIT_DECL[] = {{0, 0, gpu::DECLTYPE_FLOAT3, 0, gpu::DECLUSAGE_POSITION, 0},
                                       {0, 12, gpu::DECLTYPE_FLOAT3, 0, gpu::DECLUSAGE_NORMAL, 0},
                                       gpu::declEnd()};

// A unit sphere of stacks x slices quads.
void makeSphere(std::vector<LitVertex>& vertices, std::vector<uint16_t>& indices) {
    constexpr int STACKS = 24;
    constexpr int SLICES = 32;
    const float pi = std::numbers::pi_v<float>;
    for (int i = 0; i <= STACKS; ++i) {
        const float t = pi * static_cast<float>(i) / STACKS;
        for (int j = 0; j <= SLICES; ++j) {
            const float p = 2.0f * pi * static_cast<float>(j) / SLICES;
            const float x = std::sin(t) * std::cos(p);
            const float y = std::cos(t);
            const float z = std::sin(t) * std::sin(p);
            vertices.push_back({x, y, z, x, y, z});
        }
    }
    for (int i = 0; i < STACKS; ++i) {
        for (int j = 0; j < SLICES; ++j) {
            const auto a = static_cast<uint16_t>(i * (SLICES + 1) + j);
            const auto b = static_cast<uint16_t>(a + SLICES + 1);
            indices.insert(indices.end(),
                           {a, b, static_cast<uint16_t>(a + 1), b, static_cast<uint16_t>(b + 1),
                            static_cast<uint16_t>(a + 1)});
        }
    }
}

uint32_t red(const uint32_t argb) {
    return (argb >> 16) & 0xFF;
}

} // namespace

TEST(ZqGlLight, LitSpheresMatchTheGoldenPicture) {
    std::vector<uint8_t> fx;
    std::string error;
    ASSERT_TRUE(zqfx::compile(LIT_EFFECT, "lit.fx", fx, error)) << error;
    inFrame([&] {
        const char16_t* techniques[] = {u"Directional", u"Positional", nullptr};
        ZqGlShader* const lit = ZqGlShader::create(
            1, u"lit", fx.data(), static_cast<unsigned>(fx.size()), nullptr, techniques);
        ASSERT_NE(lit, nullptr);
        gpu::Device& d = *ZqGlSystem::getD3dDevice();
        std::shared_ptr<gpu::VertexDeclaration> decl;
        ASSERT_EQ(d.createVertexDeclaration(LIT_DECL, decl), gpu::Result::Ok);
        std::vector<LitVertex> vertices;
        std::vector<uint16_t> indices;
        makeSphere(vertices, indices);

        ZqGlCamera* const camera = ZqGlCamera::create();
        ASSERT_NE(camera, nullptr);
        camera->setPerspectiveFov(0.6f, static_cast<float>(W) / H, 1.0f, 100.0f);
        camera->lookAt(ZqVector3(0, 0, 8), ZqVector3(0, 0, 0), ZqVector3(0, 1, 0));
        ZqGlCamera::setCurrent(camera);
        ZqGlState* const state = ZqGlState::getCurrent();
        state->setZMode(ZqGlState::ZBUFFERMODE_ON);
        state->setZWriteEnable(true);
        state->setZFunc(ZqGlState::CMPFUNC_LESSEQUAL);
        state->setCullMode(ZqGlState::CULLMODE_NONE);
        ZqGlLight::setAmbient(0.1f, 0.1f, 0.15f, 0.0f);

        // The default light shines from the upper left, in front; the positional light stands
        // to the right of the second sphere, a little in front of it.
        ZqGlLight* const sun = ZqGlLight::getDefaultLight();
        sun->setColor(0.9f, 0.8f, 0.6f, 1.0f);
        sun->setDir(1.0f, -1.0f, -1.0f);
        ZqGlLight* const lamp = ZqGlLight::create(ZqGlLight::TYPE_POSITIONAL, 0.4f, 0.9f, 1.0f, 1);
        ASSERT_NE(lamp, nullptr);
        lamp->setPos(4.0f, 0.5f, 1.5f);
        lamp->setAttenutation(0.2f, 0.2f, 0.0f);

        const auto drawSphere = [&](const unsigned int technique, const float x,
                                    ZqGlLight* const only) {
            // Each sphere sees only the light of its kind.
            sun->setEnable(sun == only);
            lamp->setEnable(lamp == only);
            ZqGlLight::setColorParam();
            ZqGlLight::setAttenutationParam();
            ZqMatrix model = ZqMatrix::UNIT;
            model.setTrans(x, 0.0f, 0.0f);
            ASSERT_TRUE(lit->setTechnique(technique));
            lit->setParamModelViewMatrix(model);
            ASSERT_EQ(lit->beginTechnique(), 1u);
            ASSERT_TRUE(lit->beginPass(0));
            d.setVertexDeclaration(decl.get());
            EXPECT_EQ(d.drawIndexedPrimitiveUP(gpu::PrimitiveType::TriangleList, 0,
                                               static_cast<uint32_t>(vertices.size()),
                                               static_cast<uint32_t>(indices.size() / 3),
                                               indices.data(), gpu::Format::Index16,
                                               vertices.data(), sizeof(LitVertex)),
                      gpu::Result::Ok);
            lit->endPass();
            lit->endTechnique();
        };
        drawSphere(0, -1.6f, sun);
        drawSphere(1, 1.6f, lamp);
        const zqtest::Image img = zqtest::readRenderTarget(d);

        // The sides facing each light are bright, the sides turned away show the ambient
        // colour only (0.1 x 255 = 25 in red).
        const uint32_t leftLit = img.at(W / 2 - 65, H / 2 - 18);
        const uint32_t leftDark = img.at(W / 2 - 35, H / 2 + 20);
        const uint32_t rightLit = img.at(W / 2 + 75, H / 2);
        const uint32_t rightDark = img.at(W / 2 + 25, H / 2);
        EXPECT_GT(red(leftLit), 150u) << std::hex << leftLit;
        EXPECT_NEAR(static_cast<double>(red(leftDark)), 26.0, 3.0) << std::hex << leftDark;
        EXPECT_GT((rightLit >> 8) & 0xFF, 120u) << std::hex << rightLit;
        EXPECT_NEAR(static_cast<double>(red(rightDark)), 26.0, 3.0) << std::hex << rightDark;
        EXPECT_TRUE(zqtest::matchesGolden(img, "gl/lit_spheres.png", 2, 16));

        sun->setEnable(true);
        lamp->release();
        camera->release();
        lit->release();
    });
}
