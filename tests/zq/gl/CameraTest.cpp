// ZqGlCamera in the running framework: the frustum tests for points and spheres by projection
// kind, the view and projection matrices and their inverses, the current camera and what it
// sends to the effect and the device, the default camera's reset each frame, unproject.
#include "tests/zq/gl/FrameworkRun.h"
#include "zq/dg/ZqDgPoint.h"
#include "zq/dg/ZqDgSphere.h"
#include "zq/gl/ZqGlCamera.h"
#include "zq/gl/ZqGlShader.h"
#include "zq/platform/gpu/gpu.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

namespace gpu = zqp::gpu;

namespace {

constexpr uint16_t W = 320;
constexpr uint16_t H = 240;

// Runs body once inside a frame's drawing.
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

void expectNear(const ZqMatrix& a, const ZqMatrix& b, const float eps = 1e-4f) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(a.m[r][c], b.m[r][c], eps) << r << "," << c;
        }
    }
}

ZqVector3 transformed(const ZqVector3& p, const ZqMatrix& m) {
    return p * m;
}

} // namespace

TEST(ZqGlCamera, FrustumTestsByProjection) {
    enum Kind { PERSPECTIVE, FOV, OFF_CENTER, ORTHO };
    const struct {
        Kind kind;
        float x, y, z, r; // r < 0: a point
        bool inside;
    } cases[] = {
        // setPerspective (1024, 768, 64, 65536): sides at +-512 and +-384 on the near plane.
        {PERSPECTIVE, 0, 0, -100, -1, true},
        {PERSPECTIVE, 600, 0, -100, -1, true},
        {PERSPECTIVE, 900, 0, -100, -1, false},
        {PERSPECTIVE, -790, 590, -100, -1, true},
        {PERSPECTIVE, -810, 0, -100, -1, false},
        {PERSPECTIVE, 0, -610, -100, -1, false},
        {PERSPECTIVE, 0, 0, -64, -1, false}, // on the near plane
        {PERSPECTIVE, 0, 0, -64.01f, -1, true},
        {PERSPECTIVE, 0, 0, -65535, -1, true},
        {PERSPECTIVE, 0, 0, -65536, -1, false}, // on the far plane
        {PERSPECTIVE, 0, 0, 10, -1, false},     // behind the eye
        // Spheres: touching the near plane from the eye's side is inside.
        {PERSPECTIVE, 0, 0, -30, 34, true},
        {PERSPECTIVE, 0, 0, -30, 33, false},
        {PERSPECTIVE, 0, 0, -65600, 100, true},
        {PERSPECTIVE, 0, 0, -65600, 50, false},
        // Beyond the right side plane by 6400 / sqrt(512^2 + 64^2) = 12.4.
        {PERSPECTIVE, 900, 0, -100, 13, true},
        {PERSPECTIVE, 900, 0, -100, 12, false},
        {PERSPECTIVE, 0, -700, -100, 17, true},
        {PERSPECTIVE, 0, -700, -100, 16, false},
        // setPerspectiveFov (90 degrees, aspect 2, 1, 100): sides at +-2 and +-1 at near 1.
        {FOV, 3.9f, 0, -2, -1, true},
        {FOV, 4.1f, 0, -2, -1, false},
        {FOV, 0, 1.9f, -2, -1, true},
        {FOV, 0, -2.1f, -2, -1, false},
        {FOV, 0, 0, -100.5f, 1, true},
        {FOV, 0, 0, -101.5f, 1, false},
        // setPerspectiveOffCenter (0, 100, 0, 50, 10, 1000): the volume lies right of and
        // above the axis.
        {OFF_CENTER, 50, 25, -20, -1, true},
        {OFF_CENTER, -1, 25, -20, -1, false},
        {OFF_CENTER, 199, 99, -20, -1, true},
        {OFF_CENTER, 50, -1, -20, -1, false},
        {OFF_CENTER, -5, 25, -20, 6, true},
        {OFF_CENTER, -5, 25, -20, 4, false},
        // setOrtho (200, 100, 1, 100): a box of 200 by 100 from z = -1 to -100.
        {ORTHO, 99, 0, -50, -1, true},
        {ORTHO, 101, 0, -50, -1, false},
        {ORTHO, 0, 0, -1, -1, false},
        {ORTHO, 0, -49, -99, -1, true},
        {ORTHO, 0, 0, -100, -1, false},
        {ORTHO, 105, 0, -50, 5, true},
        {ORTHO, 105, 0, -50, 4, false},
        {ORTHO, 0, 0, 0, 1, true},
        {ORTHO, 0, 0, 0.5f, 1, false},
        {ORTHO, 0, 0, -101, 1, true},
        {ORTHO, 0, 0, -101.5f, 1, false},
    };
    inFrame([&] {
        ZqGlCamera* const camera = ZqGlCamera::create();
        ASSERT_NE(camera, nullptr);
        for (const auto& c : cases) {
            switch (c.kind) {
            case PERSPECTIVE:
                camera->setPerspective(1024, 768, 64, 65536);
                break;
            case FOV:
                camera->setPerspectiveFov(std::numbers::pi_v<float> * 0.5f, 2.0f, 1.0f, 100.0f);
                break;
            case OFF_CENTER:
                camera->setPerspectiveOffCenter(0, 100, 0, 50, 10, 1000);
                break;
            case ORTHO:
                camera->setOrtho(200, 100, 1, 100);
                break;
            }
            const bool inside = c.r < 0.0f
                                    ? camera->intersect(ZqDgPoint(c.x, c.y, c.z))
                                    : camera->intersect(ZqDgSphere(ZqVector3(c.x, c.y, c.z), c.r));
            EXPECT_EQ(inside, c.inside)
                << "kind " << c.kind << " (" << c.x << ", " << c.y << ", " << c.z << ") r " << c.r;
        }
        // A projection matrix given as it is leaves the frustum numbers alone.
        camera->setPerspective(1024, 768, 64, 65536);
        camera->setViewProjMatrix(ZqMatrix().setPerspectiveRH(4096, 3072, 8, 100));
        EXPECT_EQ(camera->getNear(), 64.0f);
        EXPECT_EQ(camera->getFar(), 65536.0f);
        EXPECT_FALSE(camera->intersect(ZqDgPoint(900, 0, -100)));
        EXPECT_TRUE(camera->intersect(ZqDgPoint(600, 0, -100)));
        camera->release();
    });
}

TEST(ZqGlCamera, ViewAndProjectionMatrices) {
    inFrame([] {
        ZqGlCamera* const camera = ZqGlCamera::create();
        ASSERT_NE(camera, nullptr);
        // A new camera: at the origin looking down -z, the game size at the near plane.
        expectNear(camera->getWorldViewMatrix(), ZqMatrix::UNIT);
        expectNear(camera->getViewProjMatrix(), ZqMatrix().setPerspectiveRH(W, H, 64, 65536));
        EXPECT_EQ(camera->getViewportWidth(), W);
        EXPECT_EQ(camera->getViewportHeight(), H);

        camera->lookAt(ZqVector3(10, 20, 30), ZqVector3(10, 20, 0), ZqVector3(0, 1, 0));
        const ZqVector3 target = transformed(ZqVector3(10, 20, 0), camera->getWorldViewMatrix());
        EXPECT_NEAR(target.x, 0.0f, 1e-4f);
        EXPECT_NEAR(target.y, 0.0f, 1e-4f);
        EXPECT_NEAR(target.z, -30.0f, 1e-4f);
        expectNear(camera->getWorldViewMatrix() * camera->getViewWorldMatrix(), ZqMatrix::UNIT);
        expectNear(camera->getWorldProjMatrix(),
                   camera->getWorldViewMatrix() * camera->getViewProjMatrix());

        // Camera-to-world given: the view is its inverse.
        ZqMatrix placement;
        placement.setRotY(0.7f).setTrans(3, -4, 5);
        camera->setViewWorldMatrix(placement);
        expectNear(camera->getViewWorldMatrix(), placement);
        expectNear(camera->getWorldViewMatrix(), ZqMatrix().inverse(placement));
        camera->setWorldViewMatrix(placement);
        expectNear(camera->getViewWorldMatrix(), ZqMatrix().inverse(placement));
        camera->setOrthoOffCenter(0, 100, 50, 0, 1, 10);
        expectNear(camera->getWorldProjMatrix(),
                   camera->getWorldViewMatrix() * camera->getViewProjMatrix());

        // Viewports in whole pixels; nothing below 0.
        camera->setViewport(10.7f, -3.0f, 100.9f, 50.2f);
        EXPECT_EQ(camera->getViewportX(), 10.0f);
        EXPECT_EQ(camera->getViewportY(), 0.0f);
        EXPECT_EQ(camera->getViewportWidth(), 100.0f);
        EXPECT_EQ(camera->getViewportHeight(), 50.0f);
        camera->release();
    });
}

TEST(ZqGlCamera, CurrentCameraReachesTheEffectAndTheDevice) {
    inFrame([] {
        ZqGlShader* const fx = ZqGlShader::getCurrent();
        ASSERT_NE(fx, nullptr);
        gpu::Device& device = *ZqGlSystem::getD3dDevice();
        ZqGlCamera* const a = ZqGlCamera::create();
        ZqGlCamera* const b = ZqGlCamera::create();
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        a->setViewport(10, 20, 100, 80);
        a->setPerspectiveFov(1.0f, 1.5f, 2.0f, 500.0f);
        a->lookAt(ZqVector3(1, 2, 3), ZqVector3(0, 0, 0), ZqVector3(0, 1, 0));
        ZqGlCamera::setCurrent(a);
        EXPECT_EQ(ZqGlCamera::getCurrent(), a);
        ZqMatrix m;
        ASSERT_TRUE(fx->getParamMatrix(ZqGlShader::PARAM_VIEW_PROJ, m));
        expectNear(m, a->getViewProjMatrix());
        ASSERT_TRUE(fx->getParamMatrix(ZqGlShader::PARAM_VIEW_WORLD, m));
        expectNear(m, a->getViewWorldMatrix());
        gpu::Viewport vp;
        device.getViewport(vp);
        EXPECT_EQ(vp.x, 10u);
        EXPECT_EQ(vp.y, 20u);
        EXPECT_EQ(vp.width, 100u);
        EXPECT_EQ(vp.height, 80u);

        // The current camera's changes go out at once; another camera's do not.
        a->lookAt(ZqVector3(0, 0, 9), ZqVector3(0, 0, 0), ZqVector3(0, 1, 0));
        a->setOrtho(40, 30, 1, 50);
        b->setPerspective(10, 10, 1, 2);
        b->setViewport(0, 0, 5, 5);
        ASSERT_TRUE(fx->getParamMatrix(ZqGlShader::PARAM_VIEW_PROJ, m));
        expectNear(m, a->getViewProjMatrix());
        ASSERT_TRUE(fx->getParamMatrix(ZqGlShader::PARAM_VIEW_WORLD, m));
        expectNear(m, a->getViewWorldMatrix());
        device.getViewport(vp);
        EXPECT_EQ(vp.width, 100u);

        // Releasing the current camera makes the default one current.
        EXPECT_EQ(a->release(), 0u);
        EXPECT_EQ(ZqGlCamera::getCurrent(), ZqGlCamera::getDefaultCamera());
        ASSERT_TRUE(fx->getParamMatrix(ZqGlShader::PARAM_VIEW_PROJ, m));
        expectNear(m, ZqGlCamera::getDefaultCamera()->getViewProjMatrix());
        EXPECT_EQ(a->release(), 0u); // a second release changes nothing
        b->release();
        ZqGlCamera::setCurrent(nullptr);
        EXPECT_EQ(ZqGlCamera::getCurrent(), ZqGlCamera::getDefaultCamera());

        // The pool holds 64 cameras, the framework's own among them.
        const unsigned int inUse = ZqGlCamera::getNrInstances();
        std::vector<ZqGlCamera*> cameras;
        while (ZqGlCamera* const c = ZqGlCamera::create()) {
            cameras.push_back(c);
        }
        EXPECT_EQ(cameras.size(), ZqGlCamera::POOL_SIZE - inUse);
        for (ZqGlCamera* const c : cameras) {
            c->release();
        }
    });
}

TEST(ZqGlCamera, DefaultCameraIsResetEveryFrame) {
    zqtest::ScriptTask root;
    ZqGlCamera* other = nullptr;
    bool checked = false;
    root.onFrame = [](const uint32_t frame) { return frame < 2; };
    root.onDraw = [&] {
        ZqGlCamera* const def = ZqGlCamera::getDefaultCamera();
        if (other == nullptr) {
            // Frame 0: the game moves the default camera and makes another current.
            def->setViewport(5, 5, 50, 50);
            def->lookAt(ZqVector3(1, 1, 1), ZqVector3(0, 0, 0), ZqVector3(0, 1, 0));
            other = ZqGlCamera::create();
            ASSERT_NE(other, nullptr);
            ZqGlCamera::setCurrent(other);
            return;
        }
        if (checked) {
            return;
        }
        checked = true;
        // Frame 1: the default camera is current again, full viewport, looking down +z.
        EXPECT_EQ(ZqGlCamera::getCurrent(), def);
        EXPECT_EQ(def->getViewportX(), 0.0f);
        EXPECT_EQ(def->getViewportWidth(), W);
        EXPECT_EQ(def->getViewportHeight(), H);
        const ZqVector3 ahead = transformed(ZqVector3(0, 0, 5), def->getWorldViewMatrix());
        EXPECT_NEAR(ahead.x, 0.0f, 1e-5f);
        EXPECT_NEAR(ahead.y, 0.0f, 1e-5f);
        EXPECT_NEAR(ahead.z, -5.0f, 1e-5f);
        other->release();
    };
    ASSERT_EQ(zqtest::runFrameworkCode(root, W, H), 0u);
    EXPECT_TRUE(checked);
}

TEST(ZqGlCamera, UnprojectFromWindowToWorld) {
    inFrame([] {
        ZqGlCamera* const camera = ZqGlCamera::create();
        ASSERT_NE(camera, nullptr);
        camera->lookAt(ZqVector3(5, 0, 0), ZqVector3(5, 0, -1), ZqVector3(0, 1, 0));
        // The window's centre at depth 0 and 1 is on the axis at the near and far planes; its
        // top-left corner at depth 0 is the near plane's top-left corner.
        const ZqVector3 in[3] = {ZqVector3(W * 0.5f, H * 0.5f, 0.0f),
                                 ZqVector3(W * 0.5f, H * 0.5f, 1.0f), ZqVector3(0, 0, 0)};
        const ZqVector3 want[3] = {ZqVector3(5, 0, -64), ZqVector3(5, 0, -65536),
                                   ZqVector3(5 - W * 0.5f, H * 0.5f, -64)};
        ZqVector3 out[3];
        camera->unproject(out, in, 3);
        for (int i = 0; i < 3; ++i) {
            const float tol = i == 1 ? 2.0f : 0.01f;
            EXPECT_NEAR(out[i].x, want[i].x, tol) << i;
            EXPECT_NEAR(out[i].y, want[i].y, tol) << i;
            EXPECT_NEAR(out[i].z, want[i].z, tol * 10.0f) << i;
        }
        ZqVector3 one;
        camera->unproject(&one, &in[0]);
        EXPECT_NEAR(one.z, -64.0f, 0.01f);
        camera->release();
    });
}
