// ZqGlShadowMap: the light camera's fit against a double-precision reference and against what
// it must achieve (every fitted point inside the light's clip volume, depth growing away from
// the light); the choice of target on devices with and without depth textures or R32F
// targets; begin and end in the running framework.
#include "zq/gl/ZqGlShadowMap.h"
#include "tests/support/GoldenImage.h"
#include "tests/zq/gl/FrameworkRun.h"
#include "tools/effect/ZqFxCompiler.h"
#include "zq/gl/ZqGlCamera.h"
#include "zq/gl/ZqGlEffect.h"
#include "zq/gl/ZqGlLight.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/gl/ZqGlTexture.h"
#include "zq/math/ZqVector3.h"
#include "zq/platform/gpu/gpu_test.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace gpu = zqp::gpu;

namespace {

using D3 = std::array<double, 3>;
using D4x4 = std::array<std::array<double, 4>, 4>;

D3 cross(const D3& a, const D3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(const D3& a, const D3& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
D3 normalised(const D3& a) {
    const double l = std::sqrt(dot(a, a));
    return {a[0] / l, a[1] / l, a[2] / l};
}
D4x4 unit() {
    D4x4 m{};
    for (int i = 0; i < 4; ++i) {
        m[i][i] = 1.0;
    }
    return m;
}
D4x4 mul(const D4x4& a, const D4x4& b) {
    D4x4 r{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            for (int k = 0; k < 4; ++k) {
                r[i][j] += a[i][k] * b[k][j];
            }
        }
    }
    return r;
}
// Row vector times matrix, with w.
std::array<double, 4> xform(const D3& p, const D4x4& m) {
    std::array<double, 4> r{};
    for (int j = 0; j < 4; ++j) {
        r[j] = p[0] * m[0][j] + p[1] * m[1][j] + p[2] * m[2][j] + m[3][j];
    }
    return r;
}
void box(const std::vector<D3>& p, D3& c, D3& e) {
    for (int k = 0; k < 3; ++k) {
        double lo = p[0][k];
        double hi = p[0][k];
        for (const D3& q : p) {
            lo = std::min(lo, q[k]);
            hi = std::max(hi, q[k]);
        }
        c[k] = (lo + hi) / 2;
        e[k] = (hi - lo) / 2;
    }
}

// The fit in doubles: light basis (x = L x up, y = x x L, z = -L as columns), box, then an
// orthographic box mapping or the warp along y followed by the box mapping.
bool referenceFit(const D4x4& cw, const D3& lightDir, const std::vector<D3>& points, D4x4& view,
                  D4x4& proj) {
    const D3 l = normalised({-lightDir[0], -lightDir[1], -lightDir[2]});
    const D3 camY{cw[1][0], cw[1][1], cw[1][2]};
    const D3 camZ{cw[2][0], cw[2][1], cw[2][2]};
    const bool parallel = std::fabs(dot(l, camZ)) >= 0.999;
    const D3 a = normalised(cross(l, parallel ? camY : camZ));
    const D3 b = cross(a, l);
    D4x4 r = unit();
    for (int i = 0; i < 3; ++i) {
        r[i][0] = a[i];
        r[i][1] = b[i];
        r[i][2] = -l[i];
    }
    std::vector<D3> q;
    for (const D3& p : points) {
        const auto v = xform(p, r);
        q.push_back({v[0], v[1], v[2]});
    }
    D3 c{};
    D3 e{};
    box(q, c, e);
    if (parallel) {
        r[3] = {-c[0], -c[1], -(c[2] - e[2]), 1.0};
        proj = unit();
        proj[0][0] = 1 / e[0];
        proj[1][1] = 1 / e[1];
        proj[2][2] = 1 / (2 * e[2]);
        view = r;
        return false;
    }
    const double d = 2 * e[1];
    const double n = 0.1 * d;
    const double f = n + d;
    D4x4 w = unit();
    w[1][1] = f / (f - n);
    w[1][3] = 1;
    w[3][1] = f * n / (n - f);
    w[3][3] = 0;
    D4x4 t = unit();
    t[3] = {-c[0], -(c[1] - e[1] - n), 0, 1};
    const D4x4 tw = mul(t, w);
    for (D3& p : q) {
        const auto v = xform(p, tw);
        p = {v[0] / v[3], v[1] / v[3], v[2] / v[3]};
    }
    box(q, c, e);
    D4x4 s = unit();
    s[0][0] = 1 / e[0];
    s[1][1] = 1 / e[1];
    s[2][2] = 1 / (2 * e[2]);
    s[3] = {-c[0] / e[0], -c[1] / e[1], -(c[2] - e[2]) / (2 * e[2]), 1};
    view = mul(r, t);
    proj = mul(w, s);
    return true;
}

D4x4 toD(const ZqMatrix& m) {
    D4x4 r{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r[i][j] = m.m[i][j];
        }
    }
    return r;
}

// A camera-to-world matrix: rotation about y by yaw then about x by pitch, at a position.
ZqMatrix cameraToWorld(const float yaw, const float pitch, const ZqVector3& at) {
    ZqMatrix ry;
    ry.setRotY(yaw);
    ZqMatrix rx;
    rx.setRotX(pitch);
    ZqMatrix m;
    m.mul(rx, ry);
    m.setTrans(at.x, at.y, at.z);
    return m;
}

struct FitCase {
    const char* name;
    float yaw, pitch;
    ZqVector3 lightDir;
    bool warped;
};

const FitCase FIT_CASES[] = {
    {"light from above, camera level", 0.3f, 0.0f, {0.2f, -1.0f, 0.1f}, true},
    {"light slanting across", 1.1f, -0.4f, {1.0f, -0.5f, -0.3f}, true},
    {"light behind the camera", 0.0f, 0.0f, {0.0f, -0.3f, -1.0f}, true},
    {"light along the viewing axis", 0.0f, 0.0f, {0.0f, 0.0f, 1.0f}, false},
    {"light against the viewing axis, just inside the cosine",
     0.0f,
     0.0f,
     {0.04f, 0.0f, -1.0f},
     false},
};

TEST(ZqGlShadowMap, LightCameraFitMatchesTheReferenceAndHoldsEveryPoint) {
    // A frustum-like set: a small near quad and a large far one.
    const std::vector<ZqVector3> local = {{-1, -1, -1},   {1, -1, -1},     {-1, 1, -1},
                                          {1, 1, -1},     {-20, -15, -40}, {20, -15, -40},
                                          {-20, 15, -40}, {20, 15, -40}};
    for (const FitCase& fc : FIT_CASES) {
        SCOPED_TRACE(fc.name);
        const ZqMatrix cw = cameraToWorld(fc.yaw, fc.pitch, ZqVector3(3.0f, 5.0f, -2.0f));
        std::vector<ZqVector3> world;
        std::vector<D3> worldD;
        for (const ZqVector3& p : local) {
            world.push_back(p * cw);
            worldD.push_back({world.back().x, world.back().y, world.back().z});
        }
        ZqMatrix view;
        ZqMatrix proj;
        const bool warped = ZqGlShadowMap::fitLightCamera(
            cw, fc.lightDir, world.data(), static_cast<uint32_t>(world.size()), view, proj);
        EXPECT_EQ(warped, fc.warped);
        D4x4 refView{};
        D4x4 refProj{};
        EXPECT_EQ(referenceFit(toD(cw), {fc.lightDir.x, fc.lightDir.y, fc.lightDir.z}, worldD,
                               refView, refProj),
                  fc.warped);
        const D4x4 got = mul(toD(view), toD(proj));
        const D4x4 want = mul(refView, refProj);
        for (size_t i = 0; i < worldD.size(); ++i) {
            const auto g = xform(worldD[i], got);
            const auto r = xform(worldD[i], want);
            for (int k = 0; k < 3; ++k) {
                EXPECT_NEAR(g[k] / g[3], r[k] / r[3], 1e-3) << "point " << i << " axis " << k;
            }
            // Inside the light's clip volume: x, y in [-1, 1], depth in [0, 1].
            EXPECT_LE(std::fabs(r[0] / r[3]), 1.0 + 1e-9);
            EXPECT_LE(std::fabs(r[1] / r[3]), 1.0 + 1e-9);
            EXPECT_GE(r[2] / r[3], -1e-9);
            EXPECT_LE(r[2] / r[3], 1.0 + 1e-9);
        }
    }
}

TEST(ZqGlShadowMap, DepthGrowsAwayFromTheLight) {
    const ZqMatrix cw = cameraToWorld(0.2f, -0.1f, ZqVector3(0.0f, 0.0f, 0.0f));
    const ZqVector3 dir(0.0f, -1.0f, 0.0f);
    const ZqVector3 pts[] = {{-10, 0, -1},  {10, 0, -1},   {-10, 10, -30},
                             {10, 10, -30}, {-10, 0, -30}, {10, 0, -1}};
    for (const bool parallel : {false, true}) {
        const ZqMatrix c = parallel ? cameraToWorld(0.0f, -1.5707963f, ZqVector3()) : cw;
        ZqMatrix view;
        ZqMatrix proj;
        ZqGlShadowMap::fitLightCamera(c, dir, pts, 6, view, proj);
        ZqMatrix vp;
        vp.mul(view, proj);
        const auto depth = [&](const ZqVector3& p) {
            const auto v = xform({p.x, p.y, p.z}, toD(vp));
            return v[2] / v[3];
        };
        // Straight below is farther from a light shining down.
        EXPECT_LT(depth({0, 8, -15}), depth({0, 2, -15})) << "parallel " << parallel;
    }
}

TEST(ZqGlShadowMap, NoPointsGiveTheUnitMatrices) {
    ZqMatrix view;
    ZqMatrix proj;
    EXPECT_FALSE(
        ZqGlShadowMap::fitLightCamera(ZqMatrix::UNIT, ZqVector3(0, -1, 0), nullptr, 0, view, proj));
    EXPECT_EQ(std::memcmp(&view, &ZqMatrix::UNIT, sizeof view), 0);
    EXPECT_EQ(std::memcmp(&proj, &ZqMatrix::UNIT, sizeof proj), 0);
}

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
    ASSERT_EQ(zqtest::runFrameworkCode(root, 320, 240), 0u);
    EXPECT_TRUE(done);
}

void expectMap(ZqGlShadowMap* const map, const bool hardware, const gpu::Format format) {
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->isHardwareAvailable(), hardware);
    ASSERT_NE(map->getShadowMapTexture(), nullptr);
    EXPECT_EQ(map->getShadowMapTexture()->getFormat(), static_cast<uint32_t>(format));
    EXPECT_EQ(map->getShadowMapTexture()->getWidth(), 64);
    EXPECT_NEAR(map->getEpsilon(), 0.015f, 1e-7f);
    EXPECT_NE(map->getLightCamera(), nullptr);
    map->release();
}

TEST(ZqGlShadowMap, ChoosesTheTargetTheDeviceOffers) {
    gpu::test::clearAll();
    inFrame([] {
        ASSERT_TRUE(ZqGlShadowMap::isHardwareSupported());
        SCOPED_TRACE("depth textures");
        expectMap(ZqGlShadowMap::create(ZqGlShadowMap::MODE_DEFAULT, 64, 32), true,
                  gpu::Format::R5G6B5);
        expectMap(ZqGlShadowMap::create(ZqGlShadowMap::MODE_COLOR_TARGET, 64, 32), false,
                  gpu::Format::R32F);
        // R32F refused: 8-bit colour; nothing at all: no map, and the element goes back.
        gpu::test::refuseFormat(gpu::Format::R32F);
        expectMap(ZqGlShadowMap::create(ZqGlShadowMap::MODE_COLOR_TARGET, 64, 32), false,
                  gpu::Format::A8R8G8B8);
        gpu::test::refuseFormat(gpu::Format::A8R8G8B8);
        const unsigned int before = ZqGlShadowMap::getNrInstances();
        EXPECT_EQ(ZqGlShadowMap::create(ZqGlShadowMap::MODE_COLOR_TARGET, 64, 64), nullptr);
        EXPECT_EQ(ZqGlShadowMap::getNrInstances(), before);
    });
    gpu::test::clearAll();
    // A device without depth textures: the default mode gives the colour target.
    gpu::test::refuseFormat(gpu::Format::D24S8);
    inFrame([] {
        SCOPED_TRACE("no depth textures");
        EXPECT_FALSE(ZqGlShadowMap::isHardwareSupported());
        expectMap(ZqGlShadowMap::create(ZqGlShadowMap::MODE_DEFAULT, 64, 32), false,
                  gpu::Format::R32F);
    });
    gpu::test::clearAll();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// A lit scene: a box standing on a plane, the sun shining down at a slant, the box's shadow on
// the plane, drawn through the depth target and through the colour target.

namespace {

constexpr uint16_t SW = 256;
constexpr uint16_t SH = 192;

// Depth: the light clip depth as colour (the depth target ignores it). ShadowZ and ShadowC:
// ambient plus the sun where the shadow map does not hide it, read as a comparison from the
// depth texture or compared by hand with the colour target's red channel.
const char* const SHADOW_EFFECT = R"(
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
float4x4 gmShadow;
texture gShadowZ;
texture gShadowC;

sampler2DShadow ShadowZ { Texture = gShadowZ; MagFilter = Point; MinFilter = Point; MipFilter = None; AddressU = Clamp; AddressV = Clamp; };
sampler2D ShadowC { Texture = gShadowC; MagFilter = Point; MinFilter = Point; MipFilter = None; AddressU = Clamp; AddressV = Clamp; };

vertexshader vsDepth %{
vec4 vertexMain() {
    vec4 clip = vec4(inPosition.xyz, 1.0) * gvmModelView(0) * gmViewProj;
    vColor0 = vec4(1.0);
    vColor1 = vec4(0.0);
    vTexCoord0 = vec4(0.0);
    vTexCoord1 = clip;
    vTexCoord2 = vec4(0.0);
    vTexCoord3 = vec4(0.0);
    vTexCoord4 = vec4(0.0);
    vTexCoord5 = vec4(0.0);
    vTexCoord6 = vec4(0.0);
    vTexCoord7 = vec4(0.0);
    return clip;
}
%}

pixelshader psDepth %{
vec4 pixelMain() {
    return vec4(vTexCoord1.z / vTexCoord1.w);
}
%}

vertexshader vsLit %{
vec4 vertexMain() {
    vec4 view = vec4(inPosition.xyz, 1.0) * gvmModelView(0);
    vColor0 = vec4(1.0);
    vColor1 = vec4(0.0);
    vTexCoord0 = vec4(0.0);
    vTexCoord1 = vec4(view.xyz, 1.0);
    vTexCoord2 = vec4((vec4(inNormal.xyz, 0.0) * gvmModelView(0)).xyz, 0.0);
    vTexCoord3 = vec4(view.xyz, 1.0) * gmShadow;
    vTexCoord4 = vec4(0.0);
    vTexCoord5 = vec4(0.0);
    vTexCoord6 = vec4(0.0);
    vTexCoord7 = vec4(0.0);
    return view * gmViewProj;
}
%}

code %{
vec3 shadowCoord() {
    vec3 ndc = vTexCoord3.xyz / vTexCoord3.w;
    return vec3(ndc.x * 0.5 + 0.5, 0.5 - ndc.y * 0.5, ndc.z);
}
vec4 litBy(float visible) {
    vec3 n = normalize(vTexCoord2.xyz);
    vec3 sun = transpose(gmLightColor)[0].rgb;
    vec3 dir = transpose(gmLightDir)[0].xyz;
    return vec4(gvLightAmbient.rgb + sun * max(dot(n, -dir), 0.0) * visible, 1.0);
}
%}

pixelshader psShadowZ %{
vec4 pixelMain() {
    return litBy(texture(ShadowZ, shadowCoord()));
}
%}

pixelshader psShadowC %{
vec4 pixelMain() {
    vec3 s = shadowCoord();
    return litBy(s.z <= texture(ShadowC, s.xy).r + 0.015 ? 1.0 : 0.0);
}
%}

technique Depth { pass P0 { VertexShader = vsDepth; PixelShader = psDepth; } }
technique ShadowZ { pass P0 { VertexShader = vsLit; PixelShader = psShadowZ; } }
technique ShadowC { pass P0 { VertexShader = vsLit; PixelShader = psShadowC; } }
)";

struct LitVertex {
    float x, y, z;
    float nx, ny, nz;
};

const gpu::VertexElement LIT_DECL[] = {{0, 0, gpu::DECLTYPE_FLOAT3, 0, gpu::DECLUSAGE_POSITION, 0},
                                       {0, 12, gpu::DECLTYPE_FLOAT3, 0, gpu::DECLUSAGE_NORMAL, 0},
                                       gpu::declEnd()};

// The plane y = 0 over [-5, 5] in x and z, then a box of side 2 standing on it at the origin.
void makeScene(std::vector<LitVertex>& v, std::vector<uint16_t>& idx) {
    const auto quad = [&](const ZqVector3& o, const ZqVector3& a, const ZqVector3& b,
                          const ZqVector3& n) {
        const auto base = static_cast<uint16_t>(v.size());
        const ZqVector3 c[4] = {o, o + a, o + b, o + a + b};
        for (const ZqVector3& p : c) {
            v.push_back({p.x, p.y, p.z, n.x, n.y, n.z});
        }
        idx.insert(idx.end(), {base, static_cast<uint16_t>(base + 1),
                               static_cast<uint16_t>(base + 2), static_cast<uint16_t>(base + 1),
                               static_cast<uint16_t>(base + 3), static_cast<uint16_t>(base + 2)});
    };
    quad({-5, 0, -5}, {10, 0, 0}, {0, 0, 10}, {0, 1, 0});
    quad({-1, 2, -1}, {2, 0, 0}, {0, 0, 2}, {0, 1, 0});
    quad({-1, 0, -1}, {2, 0, 0}, {0, 0, 2}, {0, -1, 0});
    quad({-1, 0, 1}, {2, 0, 0}, {0, 2, 0}, {0, 0, 1});
    quad({-1, 0, -1}, {2, 0, 0}, {0, 2, 0}, {0, 0, -1});
    quad({1, 0, -1}, {0, 0, 2}, {0, 2, 0}, {1, 0, 0});
    quad({-1, 0, -1}, {0, 0, 2}, {0, 2, 0}, {-1, 0, 0});
}

uint32_t grey(const uint32_t argb) {
    return ((argb >> 16 & 0xFF) + (argb >> 8 & 0xFF) + (argb & 0xFF)) / 3;
}

// Where a world point lands in the picture of the current camera.
uint32_t pixelAt(const zqtest::Image& img, const ZqVector3& world) {
    const ZqGlCamera* const c = ZqGlCamera::getCurrent();
    ZqVector3 w;
    w.project(world, ZqVector4(0, 0, SW, SH), 0.0f, 1.0f, c->getViewProjMatrix(),
              c->getWorldViewMatrix(), ZqMatrix::UNIT);
    return img.at(static_cast<uint32_t>(w.x), static_cast<uint32_t>(w.y));
}

// Begin targets the map and the light camera; end gives back the frame's target and camera.
void checkBeginAndEnd() {
    ZqGlShadowMap* const map = ZqGlShadowMap::create(ZqGlShadowMap::MODE_DEFAULT, 128, 64);
    ASSERT_NE(map, nullptr);
    ZqGlCamera* const main = ZqGlCamera::getCurrent();
    ZqGlLight* const sun = ZqGlLight::create(ZqGlLight::TYPE_DIRECTIONAL, 0xFFFFFFFFu);
    ZqGlLight* const lamp = ZqGlLight::create(ZqGlLight::TYPE_POSITIONAL, 0xFFFFFFFFu);
    ASSERT_NE(sun, nullptr);
    ASSERT_NE(lamp, nullptr);
    sun->setDir(0.3f, -1.0f, -0.2f);

    // A positional light: unit matrix, no target change.
    map->beginShadowMap(lamp);
    EXPECT_EQ(std::memcmp(&map->getViewLightProjMatrix(), &ZqMatrix::UNIT, sizeof(ZqMatrix)), 0);
    EXPECT_EQ(ZqGlSystem::getRenderTargetWidth(), static_cast<float>(SW));
    EXPECT_EQ(ZqGlCamera::getCurrent(), main);

    map->beginShadowMap(sun);
    EXPECT_EQ(ZqGlSystem::getRenderTargetWidth(), 128.0f);
    EXPECT_EQ(ZqGlSystem::getRenderTargetHeight(), 64.0f);
    EXPECT_EQ(ZqGlCamera::getCurrent(), map->getLightCamera());
    EXPECT_EQ(map->getLightCamera()->getViewportWidth(), 128.0f);
    EXPECT_NE(std::memcmp(&map->getViewLightProjMatrix(), &ZqMatrix::UNIT, sizeof(ZqMatrix)), 0);
    map->endShadowMap();
    EXPECT_EQ(ZqGlSystem::getRenderTargetWidth(), static_cast<float>(SW));
    EXPECT_EQ(ZqGlCamera::getCurrent(), main);
    lamp->release();
    sun->release();
    map->release();
}

// Draws the scene through the shadow map and returns the picture.
void drawShadowScene(const std::vector<uint8_t>& fx, const ZqGlShadowMap::MODE mode,
                     const bool expectHardware, zqtest::Image& out) {
    const char16_t* techniques[] = {u"Depth", u"ShadowZ", u"ShadowC", nullptr};
    ZqGlShader* const shader = ZqGlShader::create(
        1, u"shadow", fx.data(), static_cast<unsigned>(fx.size()), nullptr, techniques);
    ASSERT_NE(shader, nullptr);
    ZqGlEffect* const effect = shader->getEffect();
    gpu::Device& d = *ZqGlSystem::getD3dDevice();
    std::shared_ptr<gpu::VertexDeclaration> decl;
    ASSERT_EQ(d.createVertexDeclaration(LIT_DECL, decl), gpu::Result::Ok);
    std::vector<LitVertex> vertices;
    std::vector<uint16_t> indices;
    makeScene(vertices, indices);

    ZqGlShadowMap* const map = ZqGlShadowMap::create(mode, 512, 512);
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->isHardwareAvailable(), expectHardware);
    ZqGlCamera* const camera = ZqGlCamera::create();
    ASSERT_NE(camera, nullptr);
    camera->setPerspectiveFov(0.8f, static_cast<float>(SW) / SH, 1.0f, 40.0f);
    camera->lookAt(ZqVector3(2, 8, 10), ZqVector3(0, 0, 0), ZqVector3(0, 1, 0));
    ZqGlCamera::setCurrent(camera);
    ZqGlState* const state = ZqGlState::getCurrent();
    state->setZMode(ZqGlState::ZBUFFERMODE_ON);
    state->setZWriteEnable(true);
    state->setZFunc(ZqGlState::CMPFUNC_LESSEQUAL);
    state->setCullMode(ZqGlState::CULLMODE_NONE);
    ZqGlLight::setAmbient(0.2f, 0.2f, 0.2f, 0.0f);
    ZqGlLight* const sun = ZqGlLight::getDefaultLight();
    sun->setColor(0.8f, 0.8f, 0.8f, 1.0f);
    sun->setDir(0.6f, -1.0f, 0.3f);
    ZqGlLight::setColorParam();

    const auto drawScene = [&](const unsigned int technique) {
        ASSERT_TRUE(shader->setTechnique(technique));
        shader->setParamModelViewMatrix(ZqMatrix::UNIT);
        ASSERT_EQ(shader->beginTechnique(), 1u);
        ASSERT_TRUE(shader->beginPass(0));
        d.setVertexDeclaration(decl.get());
        EXPECT_EQ(d.drawIndexedPrimitiveUP(
                      gpu::PrimitiveType::TriangleList, 0, static_cast<uint32_t>(vertices.size()),
                      static_cast<uint32_t>(indices.size() / 3), indices.data(),
                      gpu::Format::Index16, vertices.data(), sizeof(LitVertex)),
                  gpu::Result::Ok);
        shader->endPass();
        shader->endTechnique();
    };

    const ZqVector3 bounds[8] = {{-5, 0, -5}, {5, 0, -5}, {-5, 0, 5}, {5, 0, 5},
                                 {-5, 2, -5}, {5, 2, -5}, {-5, 2, 5}, {5, 2, 5}};
    map->beginShadowMap(sun, bounds, 8);
    drawScene(0);
    map->endShadowMap();

    ASSERT_EQ(ZqGlCamera::getCurrent(), camera);
    const ZqMatrix& shadow = map->getViewLightProjMatrix();
    effect->params().setMatrix(effect->findParam("gmShadow"), &shadow.m[0][0]);
    effect->params().setTexture(effect->findParam(expectHardware ? "gShadowZ" : "gShadowC"),
                                map->getShadowMapTexture()->getD3dTexture());
    ZqGlSystem::clear(1 | 2, 0xFF000000u, 1.0f, 0);
    drawScene(expectHardware ? 1 : 2);
    out = zqtest::readRenderTarget(d);
    // On the plane: in the box's shadow (ambient only, 0.2) and in the open (0.2 + 0.8 x
    // the sun's slant); the box's top, nearest the sun, is lit.
    EXPECT_NEAR(grey(pixelAt(out, ZqVector3(1.6f, 0.0f, 1.3f))), 51u, 3u);
    EXPECT_GT(grey(pixelAt(out, ZqVector3(-3.0f, 0.0f, 3.0f))), 180u);
    EXPECT_GT(grey(pixelAt(out, ZqVector3(0.0f, 2.0f, 0.0f))), 180u);

    camera->release();
    map->release();
    shader->release();
}

void runShadowScenes(zqtest::Image& depthPath, zqtest::Image& colourPath) {
    std::vector<uint8_t> fx;
    std::string error;
    ASSERT_TRUE(zqfx::compile(SHADOW_EFFECT, "shadow.fx", fx, error)) << error;
    zqtest::ScriptTask root;
    bool done = false;
    root.onFrame = [](const uint32_t frame) { return frame == 0; };
    root.onDraw = [&] {
        if (!done) {
            done = true;
            checkBeginAndEnd();
            drawShadowScene(fx, ZqGlShadowMap::MODE_DEFAULT, true, depthPath);
            drawShadowScene(fx, ZqGlShadowMap::MODE_COLOR_TARGET, false, colourPath);
        }
    };
    ASSERT_EQ(zqtest::runFrameworkCode(root, SW, SH), 0u);
    ASSERT_TRUE(done);
}

} // namespace

TEST(ZqGlShadowMap, BeginAndEndAndTheBoxCastsItsShadowOnThePlane) {
    gpu::test::clearAll();
    zqtest::Image depthPath;
    zqtest::Image colourPath;
    runShadowScenes(depthPath, colourPath);
    ASSERT_FALSE(HasFailure());
    EXPECT_TRUE(zqtest::matchesGolden(depthPath, "gl/shadow_depth_target.png", 2, 64));
    EXPECT_TRUE(zqtest::matchesGolden(colourPath, "gl/shadow_colour_target.png", 2, 64));
}
