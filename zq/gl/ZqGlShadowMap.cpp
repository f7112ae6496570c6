#include "zq/gl/ZqGlShadowMap.h"

#include "zq/gl/ZqGlCamera.h"
#include "zq/gl/ZqGlLight.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/gl/ZqGlTexture.h"
#include "zq/math/ZqVector3.h"
#include "zq/math/ZqVector4.h"
#include "zq/platform/gpu/gpu.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

bool ZqGlShadowMap::m_bSupportsHWShadowMaps = false;

namespace {

namespace gpu = zqp::gpu;

// Half sizes below this are taken as this, so that a flat or empty box still maps.
constexpr float MIN_HALF_SIZE = 1e-6f;
// At or above this cosine between the light and the viewing axis the fit is orthographic.
constexpr float NEAR_PARALLEL = 0.999f;

ZqGlTexture::FORMAT textureFormat(const gpu::Format format) {
    return static_cast<ZqGlTexture::FORMAT>(format);
}

struct Box {
    ZqVector3 centre;
    ZqVector3 half;
};

Box boxOf(const ZqVector3* const points, const uint32_t count) {
    ZqVector3 lo = points[0];
    ZqVector3 hi = points[0];
    for (uint32_t i = 1; i < count; ++i) {
        lo.x = std::min(lo.x, points[i].x);
        lo.y = std::min(lo.y, points[i].y);
        lo.z = std::min(lo.z, points[i].z);
        hi.x = std::max(hi.x, points[i].x);
        hi.y = std::max(hi.y, points[i].y);
        hi.z = std::max(hi.z, points[i].z);
    }
    Box b;
    b.centre = ZqVector3((lo.x + hi.x) * 0.5f, (lo.y + hi.y) * 0.5f, (lo.z + hi.z) * 0.5f);
    b.half = ZqVector3(std::max((hi.x - lo.x) * 0.5f, MIN_HALF_SIZE),
                       std::max((hi.y - lo.y) * 0.5f, MIN_HALF_SIZE),
                       std::max((hi.z - lo.z) * 0.5f, MIN_HALF_SIZE));
    return b;
}

// p * m as a direction (no translation).
ZqVector3 rotated(const ZqVector3& p, const ZqMatrix& m) {
    return ZqVector3(p.x * m._11 + p.y * m._21 + p.z * m._31,
                     p.x * m._12 + p.y * m._22 + p.z * m._32,
                     p.x * m._13 + p.y * m._23 + p.z * m._33);
}

// p * m as a coordinate, divided by w.
ZqVector3 transformedCoord(const ZqVector3& p, const ZqMatrix& m) {
    const float x = p.x * m._11 + p.y * m._21 + p.z * m._31 + m._41;
    const float y = p.x * m._12 + p.y * m._22 + p.z * m._32 + m._42;
    const float z = p.x * m._13 + p.y * m._23 + p.z * m._33 + m._43;
    const float w = p.x * m._14 + p.y * m._24 + p.z * m._34 + m._44;
    return ZqVector3(x / w, y / w, z / w);
}

// The light basis: x := normalised L x up, y := x x L, z := -L (depth grows away from the
// light); the axes are the columns of a rotation with no translation.
ZqMatrix lightBasis(const ZqVector3& toLight, const ZqVector3& up) {
    ZqVector3 a;
    a.cross(toLight, up).normalize();
    ZqVector3 b;
    b.cross(a, toLight);
    ZqMatrix r = ZqMatrix::UNIT;
    r._11 = a.x;
    r._21 = a.y;
    r._31 = a.z;
    r._12 = b.x;
    r._22 = b.y;
    r._32 = b.z;
    r._13 = -toLight.x;
    r._23 = -toLight.y;
    r._33 = -toLight.z;
    return r;
}

} // namespace

void ZqGlShadowMap::sysInit() {
    m_bSupportsHWShadowMaps = ZqGlSystem::checkReourceFormatSupport(
        gpu::Format::D24S8, gpu::ResourceType::Texture, gpu::usage::DEPTHSTENCIL);
    init(POOL_SIZE);
}

void ZqGlShadowMap::sysQuit() {
    quit();
}

ZqGlShadowMap* ZqGlShadowMap::create(const MODE mode, const uint16_t width, const uint16_t height) {
    if (m_pCriticalSection == nullptr) {
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqGlShadowMap* const map = ZqFixList::create();
    if (map == nullptr) {
        return nullptr;
    }
    if (!map->createBody(mode, width, height)) {
        ZqFixList::release(map);
        return nullptr;
    }
    return map;
}

bool ZqGlShadowMap::createBody(const MODE mode, const uint16_t width, const uint16_t height) {
    m_pTexture = nullptr;
    m_pLightCamera = nullptr;
    m_pSavedCamera = nullptr;
    m_mViewLightProj = ZqMatrix::UNIT;
    m_bHardware = (mode & MODE_COLOR_TARGET) == 0 && m_bSupportsHWShadowMaps;
    if (m_bHardware) {
        m_pTexture =
            ZqGlTexture::createRenderTargetZ(width, height, textureFormat(gpu::Format::R5G6B5));
    } else {
        m_pTexture =
            ZqGlTexture::createRenderTarget(width, height, textureFormat(gpu::Format::R32F), true);
        if (m_pTexture == nullptr) {
            m_pTexture = ZqGlTexture::createRenderTarget(
                width, height, textureFormat(gpu::Format::A8R8G8B8), true);
        }
    }
    if (m_pTexture == nullptr) {
        return false;
    }
    m_pLightCamera = ZqGlCamera::create();
    if (m_pLightCamera == nullptr) {
        m_pTexture->release();
        m_pTexture = nullptr;
        return false;
    }
    m_epsilon = DEFAULT_EPSILON;
    return true;
}

unsigned int ZqGlShadowMap::release() {
    if (m_pCriticalSection == nullptr) {
        return 0;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    // A map given back twice would corrupt the pool's lists.
    if (searchBody(this) == nullptr) {
        return 0;
    }
    if (m_pLightCamera != nullptr) {
        m_pLightCamera->release();
        m_pLightCamera = nullptr;
    }
    if (m_pTexture != nullptr) {
        m_pTexture->release();
        m_pTexture = nullptr;
    }
    return ZqFixList::release(this);
}

void ZqGlShadowMap::beginShadowMap(const ZqGlLight* const light) {
    const ZqGlCamera* const camera = ZqGlCamera::getCurrent();
    if (camera == nullptr) {
        m_mViewLightProj = ZqMatrix::UNIT;
        return;
    }
    const float x = camera->getViewportX();
    const float y = camera->getViewportY();
    const float w = camera->getViewportWidth();
    const float h = camera->getViewportHeight();
    const ZqVector3 window[8] = {{x, y, 0.0f},         {x + w, y, 0.0f},    {x, y + h, 0.0f},
                                 {x + w, y + h, 0.0f}, {x, y, 1.0f},        {x + w, y, 1.0f},
                                 {x, y + h, 1.0f},     {x + w, y + h, 1.0f}};
    ZqVector3 corners[8];
    camera->unproject(corners, window, 8);
    beginShadowMap(light, corners, 8);
}

bool ZqGlShadowMap::fitLightCamera(const ZqMatrix& cameraToWorld, const ZqVector3& lightDir,
                                   const ZqVector3* const points, const uint32_t count,
                                   ZqMatrix& view, ZqMatrix& projection) {
    if (points == nullptr || count == 0) {
        view = ZqMatrix::UNIT;
        projection = ZqMatrix::UNIT;
        return false;
    }
    ZqVector3 toLight(-lightDir.x, -lightDir.y, -lightDir.z);
    toLight.normalize();
    const ZqVector3 camY(cameraToWorld._21, cameraToWorld._22, cameraToWorld._23);
    const ZqVector3 camZ(cameraToWorld._31, cameraToWorld._32, cameraToWorld._33);
    const bool nearParallel = std::fabs(toLight.dot(camZ)) >= NEAR_PARALLEL;

    ZqMatrix r = lightBasis(toLight, nearParallel ? camY : camZ);
    std::vector<ZqVector3> p(count);
    for (uint32_t i = 0; i < count; ++i) {
        p[i] = rotated(points[i], r);
    }
    const Box box = boxOf(p.data(), count);
    bool warped = false;
    if (nearParallel || box.half.y <= MIN_HALF_SIZE) {
        // Orthographic: the box's near face at depth 0, its far face at depth 1.
        r._41 = -box.centre.x;
        r._42 = -box.centre.y;
        r._43 = -(box.centre.z - box.half.z);
        projection = ZqMatrix::UNIT;
        projection._11 = 1.0f / box.half.x;
        projection._22 = 1.0f / box.half.y;
        projection._33 = 1.0f / (2.0f * box.half.z);
    } else {
        // Perspective warp along the light basis' y axis, its eye n in front of the box.
        const float d = 2.0f * box.half.y;
        const float n = 0.1f * d;
        const float f = n + d;
        ZqMatrix wm = ZqMatrix::UNIT;
        wm.m[1][1] = f / (f - n);
        wm.m[1][3] = 1.0f;
        wm.m[3][1] = f * n / (n - f);
        wm.m[3][3] = 0.0f;
        ZqMatrix t = ZqMatrix::UNIT;
        t.setTrans(-box.centre.x, -(box.centre.y - box.half.y - n), 0.0f);
        r.mul(t);
        ZqMatrix tw;
        tw.mul(t, wm);
        for (uint32_t i = 0; i < count; ++i) {
            p[i] = transformedCoord(p[i], tw);
        }
        const Box warpedBox = boxOf(p.data(), count);
        const ZqVector3& c = warpedBox.centre;
        const ZqVector3& e = warpedBox.half;
        ZqMatrix s = ZqMatrix::UNIT;
        s._11 = 1.0f / e.x;
        s._22 = 1.0f / e.y;
        s._33 = 1.0f / (2.0f * e.z);
        s.setTrans(-c.x / e.x, -c.y / e.y, -(c.z - e.z) / (2.0f * e.z));
        projection.mul(wm, s);
        warped = true;
    }
    view = r;
    return warped;
}

void ZqGlShadowMap::beginShadowMap(const ZqGlLight* const light, const ZqVector3* const points,
                                   const uint32_t count) {
    ZqGlCamera* const current = ZqGlCamera::getCurrent();
    if (light == nullptr || light->getType() != ZqGlLight::TYPE_DIRECTIONAL || points == nullptr ||
        count == 0 || current == nullptr) {
        m_mViewLightProj = ZqMatrix::UNIT;
        return;
    }
    m_pSavedCamera = current;
    ZqGlSystem::setRenderTarget(m_pTexture);
    // The depth texture of the hardware path has no stencil, and a clear that names the
    // stencil of a surface without one fails as a whole.
    ZqGlSystem::clear(m_bHardware ? 1 | 2 : 1 | 2 | 4, 0xFFFFFFFFu, 1.0f, 0);
    if (gpu::Device* const device = ZqGlSystem::getD3dDevice(); device != nullptr && m_bHardware) {
        uint32_t bias = 0;
        std::memcpy(&bias, &m_epsilon, sizeof bias);
        device->setRenderState(gpu::RenderState::ColorWriteEnable, 0);
        device->setRenderState(gpu::RenderState::DepthBias, bias);
    }

    const ZqMatrix& cw = current->getViewWorldMatrix();
    const ZqVector4& dir = light->getDir();
    ZqMatrix view;
    ZqMatrix projection;
    fitLightCamera(cw, ZqVector3(dir.x, dir.y, dir.z), points, count, view, projection);
    m_pLightCamera->setWorldViewMatrix(view);
    m_pLightCamera->setViewProjMatrix(projection);
    m_pLightCamera->setViewport(0.0f, 0.0f, static_cast<float>(m_pTexture->getWidth()),
                                static_cast<float>(m_pTexture->getHeight()));
    ZqGlCamera::setCurrent(m_pLightCamera);
    m_mViewLightProj.mul(cw, view).mul(projection);
}

void ZqGlShadowMap::endShadowMap() {
    // The frame's own target, at the game size.
    ZqGlSystem::setRenderTarget(nullptr);
    if (m_pSavedCamera != nullptr) {
        ZqGlCamera::setCurrent(m_pSavedCamera);
        m_pSavedCamera = nullptr;
    }
    if (gpu::Device* const device = ZqGlSystem::getD3dDevice(); device != nullptr && m_bHardware) {
        device->setRenderState(gpu::RenderState::ColorWriteEnable, 15);
        device->setRenderState(gpu::RenderState::DepthBias, 0);
    }
}
