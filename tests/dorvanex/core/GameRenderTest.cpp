// Rendering of the game core, headless on real GL: the game's three effects technique by
// technique on lit spheres and a two-bone skinned bar, against golden pictures; and the
// off-screen target shown texel for texel by presentRenderTarget.
#include "dorvanex/core/render/GameRender.h"
#include "dorvanex/core/render/GameEffects.h"
#include "tests/support/GameRun.h"
#include "tests/support/GoldenImage.h"
#include "zq/gl/ZqGlCamera.h"
#include "zq/gl/ZqGlLight.h"
#include "zq/gl/ZqGlShader.h"
#include "zq/gl/ZqGlState.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/gl/ZqGlTexture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

namespace gpu = zqp::gpu;

namespace {

constexpr uint16_t W = 384;
constexpr uint16_t H = 192;

void inFrame(const std::function<void()>& body, const uint16_t width = W,
             const uint16_t height = H) {
    EXPECT_TRUE(zqtest::GameRun::inFrame(body, width, height));
}

// Position, normal, colour, texture coordinate, two blend weights and four palette indices.
struct Vertex {
    float x, y, z;
    float nx, ny, nz;
    uint32_t color;
    float u, v;
    float w0, w1;
    uint8_t index[4];
};

const gpu::VertexElement DECL[] = {{0, 0, gpu::DECLTYPE_FLOAT3, 0, gpu::DECLUSAGE_POSITION, 0},
                                   {0, 12, gpu::DECLTYPE_FLOAT3, 0, gpu::DECLUSAGE_NORMAL, 0},
                                   {0, 24, gpu::DECLTYPE_D3DCOLOR, 0, gpu::DECLUSAGE_COLOR, 0},
                                   {0, 28, gpu::DECLTYPE_FLOAT2, 0, gpu::DECLUSAGE_TEXCOORD, 0},
                                   {0, 36, gpu::DECLTYPE_FLOAT2, 0, gpu::DECLUSAGE_BLENDWEIGHT, 0},
                                   {0, 44, gpu::DECLTYPE_UBYTE4, 0, gpu::DECLUSAGE_BLENDINDICES, 0},
                                   gpu::declEnd()};

struct Mesh {
    std::vector<Vertex> vertices;
    std::vector<uint16_t> indices;
};

// A grid of (stacks + 1) x (slices + 1) vertices made into quads.
void gridIndices(Mesh& mesh, const int stacks, const int slices) {
    for (int i = 0; i < stacks; ++i) {
        for (int j = 0; j < slices; ++j) {
            const auto a = static_cast<uint16_t>(i * (slices + 1) + j);
            const auto b = static_cast<uint16_t>(a + slices + 1);
            mesh.indices.insert(mesh.indices.end(),
                                {a, b, static_cast<uint16_t>(a + 1), b,
                                 static_cast<uint16_t>(b + 1), static_cast<uint16_t>(a + 1)});
        }
    }
}

// A unit sphere, its colour shading from warm at the top to cool at the bottom.
Mesh makeSphere() {
    constexpr int STACKS = 16;
    constexpr int SLICES = 24;
    const float pi = std::numbers::pi_v<float>;
    Mesh mesh;
    for (int i = 0; i <= STACKS; ++i) {
        const float t = pi * static_cast<float>(i) / STACKS;
        const auto g = static_cast<uint32_t>(255.0f * static_cast<float>(i) / STACKS);
        for (int j = 0; j <= SLICES; ++j) {
            const float p = 2.0f * pi * static_cast<float>(j) / SLICES;
            const float x = std::sin(t) * std::cos(p);
            const float y = std::cos(t);
            const float z = std::sin(t) * std::sin(p);
            mesh.vertices.push_back({x,
                                     y,
                                     z,
                                     x,
                                     y,
                                     z,
                                     0xFF000000u | (255u - g) << 16 | 160u << 8 | g,
                                     static_cast<float>(j) / SLICES * 2.0f,
                                     static_cast<float>(i) / STACKS,
                                     0.0f,
                                     0.0f,
                                     {0, 0, 0, 0}});
        }
    }
    gridIndices(mesh, STACKS, SLICES);
    return mesh;
}

// A square tube along x from -1.5 to 1.5; bone 0 holds its left half, bone 1 takes over
// towards the right end.
Mesh makeBar() {
    constexpr int SEGMENTS = 12;
    constexpr int SIDES = 8;
    const float pi = std::numbers::pi_v<float>;
    Mesh mesh;
    for (int i = 0; i <= SEGMENTS; ++i) {
        const float x = -1.5f + 3.0f * static_cast<float>(i) / SEGMENTS;
        const float toBone1 = std::clamp(x / 1.5f + 0.5f, 0.0f, 1.0f);
        for (int j = 0; j <= SIDES; ++j) {
            const float a = 2.0f * pi * static_cast<float>(j) / SIDES;
            const float y = std::cos(a);
            const float z = std::sin(a);
            mesh.vertices.push_back({x,
                                     0.35f * y,
                                     0.35f * z,
                                     0.0f,
                                     y,
                                     z,
                                     0xFFE0E0E0u,
                                     static_cast<float>(i) / SEGMENTS * 2.0f,
                                     static_cast<float>(j) / SIDES,
                                     toBone1,
                                     0.0f,
                                     {0, 1, 0, 0}});
        }
    }
    gridIndices(mesh, SEGMENTS, SIDES);
    return mesh;
}

ZqGlTexture* makeChecker() {
    ZqGlTexture* const t = ZqGlTexture::createDynamic(16, 16);
    unsigned int pitch = 0;
    void* bits = nullptr;
    if (t != nullptr && t->lock(&pitch, &bits)) {
        for (uint32_t y = 0; y < 16; ++y) {
            auto* const row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(bits) + y * pitch);
            for (uint32_t x = 0; x < 16; ++x) {
                row[x] = ((x / 4 + y / 4) % 2) != 0 ? 0xFFFFFFFFu : 0xFF4060A0u;
            }
        }
        t->unlock();
    }
    return t;
}

void setUpScene(ZqGlCamera*& camera) {
    camera = ZqGlCamera::create();
    ASSERT_NE(camera, nullptr);
    camera->setPerspectiveFov(0.6f, static_cast<float>(W) / H, 1.0f, 100.0f);
    camera->lookAt(ZqVector3(0, 0, 8), ZqVector3(0, 0, 0), ZqVector3(0, 1, 0));
    ZqGlCamera::setCurrent(camera);
    ZqGlState* const state = ZqGlState::getCurrent();
    state->setZMode(ZqGlState::ZBUFFERMODE_ON);
    state->setZWriteEnable(true);
    state->setZFunc(ZqGlState::CMPFUNC_LESSEQUAL);
    state->setCullMode(ZqGlState::CULLMODE_NONE);
    ZqGlLight::setAmbient(0.15f, 0.15f, 0.2f, 0.0f);
    ZqGlLight* const sun = ZqGlLight::getDefaultLight();
    sun->setColor(0.9f, 0.85f, 0.7f, 1.0f);
    sun->setDir(1.0f, -1.0f, -1.0f);
}

// Draws the mesh with each technique of the effect in a 4 x 2 grid of cells.
void drawGrid(ZqGlShader* const effect, const Mesh& mesh, const unsigned int nrTechniques,
              const std::function<void(unsigned int)>& setPalette) {
    gpu::Device& d = *ZqGlSystem::getD3dDevice();
    std::shared_ptr<gpu::VertexDeclaration> decl;
    ASSERT_EQ(d.createVertexDeclaration(DECL, decl), gpu::Result::Ok);
    ZqGlTexture* const checker = makeChecker();
    ASSERT_NE(checker, nullptr);
    ZqGlState::getCurrent()->setSpecular(0.6f, 0.6f, 0.6f, 1.0f);
    ZqGlState::getCurrent()->setShininess(12.0f);
    for (unsigned int t = 0; t < nrTechniques; ++t) {
        SCOPED_TRACE(t);
        ASSERT_TRUE(effect->setTechnique(t));
        ZqGlLight::setColorParam();
        ZqGlLight::setDirPosParam();
        const float fog[2] = {-7.0f, 0.3f};
        effect->setParamFloatArray(ZqGlShader::PARAM_FOG_PARAMS, fog, 2);
        effect->setParamTexture(0, checker);
        setPalette(t);
        ASSERT_EQ(effect->beginTechnique(), 1u);
        ASSERT_TRUE(effect->beginPass(0));
        d.setVertexDeclaration(decl.get());
        EXPECT_EQ(d.drawIndexedPrimitiveUP(gpu::PrimitiveType::TriangleList, 0,
                                           static_cast<uint32_t>(mesh.vertices.size()),
                                           static_cast<uint32_t>(mesh.indices.size() / 3),
                                           mesh.indices.data(), gpu::Format::Index16,
                                           mesh.vertices.data(), sizeof(Vertex)),
                  gpu::Result::Ok);
        effect->endPass();
        effect->endTechnique();
    }
    checker->release();
}

ZqMatrix cell(const unsigned int t, const float scale) {
    ZqMatrix m = ZqMatrix::UNIT;
    m.setScale(scale, scale, scale);
    m.setTrans(-3.6f + 2.4f * static_cast<float>(t % 4), t < 4 ? 1.15f : -1.15f, 0.0f);
    return m;
}

void spheresOf(const GAME_EFFECT which, const char* const golden) {
    inFrame([&] {
        ZqGlCamera* camera = nullptr;
        setUpScene(camera);
        ZqGlShader* const effect = createGameEffect(which);
        ASSERT_NE(effect, nullptr);
        EXPECT_EQ(effect->getShaderNr(), getGameEffectId(which));
        unsigned int n = 0;
        while (getGameEffectTechniques(which)[n] != nullptr) {
            ++n;
        }
        const float off[3] = {0.0f, 0.0f, 0.0f};
        effect->setParamFloatArray(ZqGlShader::PARAM_VERTEX_BLEND_FLAGS, off, 3);
        drawGrid(effect, makeSphere(), n,
                 [&](unsigned int t) { effect->setParamModelViewMatrix(cell(t, 0.95f)); });
        const zqtest::Image img = zqtest::readRenderTarget(*ZqGlSystem::getD3dDevice());
        EXPECT_TRUE(zqtest::matchesGolden(img, golden, 2, 16));
        effect->release();
        camera->release();
    });
}

TEST(GameEffects, VertexLitTechniquesOnSpheres) {
    spheresOf(GAME_EFFECT_GOURAUD, "dorvanex/gouraud_spheres.png");
}

TEST(GameEffects, PixelLitTechniquesOnSpheres) {
    spheresOf(GAME_EFFECT_PHONG, "dorvanex/phong_spheres.png");
}

TEST(GameEffects, SkinnedEffectTechniquesOnSpheres) {
    spheresOf(GAME_EFFECT_VERTEX_BLEND, "dorvanex/vtxblend_spheres.png");
}

TEST(GameEffects, SkinnedEffectBendsATwoBoneBar) {
    inFrame([&] {
        ZqGlCamera* camera = nullptr;
        setUpScene(camera);
        ZqGlShader* const effect = createGameEffect(GAME_EFFECT_VERTEX_BLEND);
        ASSERT_NE(effect, nullptr);
        const float one[3] = {1.0f, 0.0f, 0.0f};
        ASSERT_TRUE(effect->setParamFloatArray(ZqGlShader::PARAM_VERTEX_BLEND_FLAGS, one, 3));
        drawGrid(effect, makeBar(), 8, [&](unsigned int t) {
            const ZqMatrix root = cell(t, 0.6f);
            // Bone 1 turns the right half up by 0.7 radians about the bar's middle.
            ZqMatrix bend = ZqMatrix::UNIT;
            bend.setRotZ(0.7f);
            const ZqMatrix palette[2] = {root, bend * root};
            effect->setParamModelViewMatrixArray(palette, 2);
        });
        const zqtest::Image img = zqtest::readRenderTarget(*ZqGlSystem::getD3dDevice());
        EXPECT_TRUE(zqtest::matchesGolden(img, "dorvanex/vtxblend_bar.png", 2, 16));
        effect->release();
        camera->release();
    });
}

TEST(GameRender, PresentShowsTheOffscreenTargetTexelForTexel) {
    inFrame(
        [] {
            ASSERT_TRUE(createOffscreenTargets());
            ASSERT_TRUE(createGameVertexDeclarations());
            gpu::Device& d = *ZqGlSystem::getD3dDevice();
            for (const uint8_t selector : {uint8_t{0}, uint8_t{1}}) {
                SCOPED_TRACE(selector);
                setOffscreenTargetSelector(selector);
                clearRenderTarget();
                EXPECT_EQ(getRenderTarget(), getCurrentOffscreenTarget());
                // Single-texel lines at every edge, and blocks whose colour tells the
                // selector apart.
                const uint32_t fill = selector != 0 ? 0xFF20C040u : 0xFFC02040u;
                const struct {
                    zqp::Rect r;
                    uint32_t color;
                } pattern[] = {
                    {{0, 0, 1024, 1}, 0xFFFF0000u},     {{0, 767, 1024, 768}, 0xFF00FF00u},
                    {{0, 0, 1, 768}, 0xFF0000FFu},      {{1023, 0, 1024, 768}, 0xFFFFFF00u},
                    {{100, 100, 300, 200}, fill},       {{511, 383, 513, 385}, 0xFFFFFFFFu},
                    {{600, 500, 601, 700}, 0xFF808080u}};
                zqtest::Image expected(1024, 768, 0xFF000000u);
                for (const auto& p : pattern) {
                    ASSERT_EQ(d.clear(1, &p.r, 1, p.color, 1.0f, 0), gpu::Result::Ok);
                    for (int32_t y = p.r.top; y < p.r.bottom; ++y) {
                        for (int32_t x = p.r.left; x < p.r.right; ++x) {
                            expected.at(static_cast<uint32_t>(x), static_cast<uint32_t>(y)) =
                                p.color;
                        }
                    }
                }
                presentRenderTarget();
                EXPECT_EQ(getRenderTarget(), nullptr);
                const zqtest::Image shown = zqtest::readRenderTarget(d);
                EXPECT_TRUE(zqtest::imagesMatch(shown, expected, "present_pattern", 0, 0));
            }
            releaseGameVertexDeclarations();
            releaseOffscreenTargets();
        },
        1024, 768);
}

} // namespace

namespace {

TEST(GameRender, SpriteStatesFollowKindBlendAndTexture) {
    inFrame([] {
        ASSERT_TRUE(createGameVertexDeclarations());
        ZqGlTexture* const texture = ZqGlTexture::createDynamic(16, 16);
        ASSERT_NE(texture, nullptr);
        struct Row {
            uint32_t kind, blend;
            bool depthWrite, textured;
            unsigned int technique;
            ZqGlState::BLEND src, dest;
            ZqGlState::CMPFUNC zFunc;
        };
        const Row rows[] = {
            {0, 0, false, true, 8, ZqGlState::BLEND_SRCALPHA, ZqGlState::BLEND_INVSRCALPHA,
             ZqGlState::CMPFUNC_ALWAYS},
            {0, 1, true, false, 6, ZqGlState::BLEND_ONE, ZqGlState::BLEND_ONE,
             ZqGlState::CMPFUNC_ALWAYS},
            {1, 0, true, true, 2, ZqGlState::BLEND_SRCALPHA, ZqGlState::BLEND_INVSRCALPHA,
             ZqGlState::CMPFUNC_LESSEQUAL},
            {1, 1, false, false, 0, ZqGlState::BLEND_ONE, ZqGlState::BLEND_ONE,
             ZqGlState::CMPFUNC_LESSEQUAL},
        };
        for (const Row& r : rows) {
            SCOPED_TRACE(r.kind * 10 + r.blend);
            setSpriteRenderState(r.kind, r.blend, r.depthWrite, r.textured ? texture : nullptr);
            const ZqGlState* const state = ZqGlState::getCurrent();
            EXPECT_EQ(ZqGlShader::getCurrent(), ZqGlShader::getDefaultShader());
            EXPECT_EQ(ZqGlShader::getCurrentTechniqueNr(), r.technique);
            EXPECT_TRUE(state->getAlphaBlendEnable());
            EXPECT_EQ(state->getSrcBlend(), r.src);
            EXPECT_EQ(state->getDestBlend(), r.dest);
            EXPECT_EQ(state->getBlendOp(), ZqGlState::BLENDOP_ADD);
            EXPECT_TRUE(state->getAlphaTestEnable());
            EXPECT_EQ(state->getAlphaFunc(), ZqGlState::CMPFUNC_GREATER);
            EXPECT_EQ(state->getAlphaRef(), 5);
            EXPECT_EQ(state->getZWriteEnable(), r.depthWrite);
            EXPECT_EQ(state->getZFunc(), r.zFunc);
            EXPECT_EQ(state->getCullMode(), ZqGlState::CULLMODE_NONE);
            if (r.textured) {
                EXPECT_EQ(ZqGlShader::getCurrentTexture(0), texture);
            }
        }
        texture->release();
        releaseGameVertexDeclarations();
    });
}

} // namespace
