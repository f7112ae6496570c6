// ZqGlShadowMap: the light camera's fit against a double-precision reference and against what
// it must achieve (every fitted point inside the light's clip volume, depth growing away from
// the light); the choice of target on devices with and without depth textures or R32F
// targets; begin and end in the running framework.
#include "zq/gl/ZqGlShadowMap.h"
#include "tests/zq/gl/FrameworkRun.h"
#include "zq/gl/ZqGlCamera.h"
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

struct TargetCase {
    const char* name;
    std::vector<gpu::Format> refused;
    ZqGlShadowMap::MODE mode;
    bool hardware;
    gpu::Format format;
};

TEST(ZqGlShadowMap, ChoosesTheTargetTheDeviceOffers) {
    const TargetCase cases[] = {
        {"depth textures", {}, ZqGlShadowMap::MODE_DEFAULT, true, gpu::Format::R5G6B5},
        {"colour target asked for", {}, ZqGlShadowMap::MODE_COLOR_TARGET, false, gpu::Format::R32F},
        {"no depth textures",
         {gpu::Format::D24S8},
         ZqGlShadowMap::MODE_DEFAULT,
         false,
         gpu::Format::R32F},
        {"no R32F either",
         {gpu::Format::D24S8, gpu::Format::R32F},
         ZqGlShadowMap::MODE_DEFAULT,
         false,
         gpu::Format::A8R8G8B8},
    };
    for (const TargetCase& tc : cases) {
        SCOPED_TRACE(tc.name);
        gpu::test::clearAll();
        for (const gpu::Format f : tc.refused) {
            gpu::test::refuseFormat(f);
        }
        inFrame([&] {
            ZqGlShadowMap* const map = ZqGlShadowMap::create(tc.mode, 64, 32);
            ASSERT_NE(map, nullptr);
            EXPECT_EQ(map->isHardwareAvailable(), tc.hardware);
            ASSERT_NE(map->getShadowMapTexture(), nullptr);
            EXPECT_EQ(map->getShadowMapTexture()->getFormat(), static_cast<uint32_t>(tc.format));
            EXPECT_EQ(map->getShadowMapTexture()->getWidth(), 64);
            EXPECT_NEAR(map->getEpsilon(), 0.015f, 1e-7f);
            EXPECT_NE(map->getLightCamera(), nullptr);
            map->release();
        });
    }
    gpu::test::clearAll();
    // Nothing at all: no map, and the element goes back.
    gpu::test::refuseFormat(gpu::Format::D24S8);
    gpu::test::refuseFormat(gpu::Format::R32F);
    gpu::test::refuseFormat(gpu::Format::A8R8G8B8);
    inFrame([] {
        const unsigned int before = ZqGlShadowMap::getNrInstances();
        EXPECT_EQ(ZqGlShadowMap::create(ZqGlShadowMap::MODE_DEFAULT, 64, 64), nullptr);
        EXPECT_EQ(ZqGlShadowMap::getNrInstances(), before);
    });
    gpu::test::clearAll();
}

TEST(ZqGlShadowMap, BeginTargetsTheMapAndEndRestoresTheFrame) {
    inFrame([] {
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
        EXPECT_EQ(std::memcmp(&map->getViewLightProjMatrix(), &ZqMatrix::UNIT, sizeof(ZqMatrix)),
                  0);
        EXPECT_EQ(ZqGlSystem::getRenderTargetWidth(), 320.0f);
        EXPECT_EQ(ZqGlCamera::getCurrent(), main);

        map->beginShadowMap(sun);
        EXPECT_EQ(ZqGlSystem::getRenderTargetWidth(), 128.0f);
        EXPECT_EQ(ZqGlSystem::getRenderTargetHeight(), 64.0f);
        EXPECT_EQ(ZqGlCamera::getCurrent(), map->getLightCamera());
        EXPECT_EQ(map->getLightCamera()->getViewportWidth(), 128.0f);
        EXPECT_NE(std::memcmp(&map->getViewLightProjMatrix(), &ZqMatrix::UNIT, sizeof(ZqMatrix)),
                  0);
        map->endShadowMap();
        EXPECT_EQ(ZqGlSystem::getRenderTargetWidth(), 320.0f);
        EXPECT_EQ(ZqGlCamera::getCurrent(), main);
        lamp->release();
        sun->release();
        map->release();
    });
}

} // namespace
