#include "zq/gl/ZqGlCamera.h"

#include "zq/dg/ZqDgPoint.h"
#include "zq/dg/ZqDgSphere.h"
#include "zq/gl/ZqGlLight.h"
#include "zq/gl/ZqGlShader.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/math/ZqVector3.h"
#include "zq/math/ZqVector4.h"
#include "zq/platform/gpu/gpu.h"

#include <cmath>

ZqGlCamera* ZqGlCamera::m_pDefaultCamera = nullptr;
ZqGlCamera* ZqGlCamera::m_pCurrentCamera = nullptr;

namespace {

enum Side { LEFT, RIGHT, BOTTOM, TOP };

// Pixels from a float: truncated; negative values and NaN give 0.
uint32_t pixelsOf(const float v) {
    if (!(v > 0.0f)) {
        return 0;
    }
    return v >= 4294967040.0f ? 0xFFFFFF00u : static_cast<uint32_t>(v);
}

} // namespace

void ZqGlCamera::sysInit() {
    init(POOL_SIZE);
    m_pDefaultCamera = create();
    m_pCurrentCamera = m_pDefaultCamera;
    if (ZqGlShader* const shader = ZqGlShader::getCurrent()) {
        shader->setParamMatrix(ZqGlShader::PARAM_VIEW_PROJ, m_pDefaultCamera->m_mViewProj);
        shader->setParamMatrix(ZqGlShader::PARAM_VIEW_WORLD, m_pDefaultCamera->m_mViewWorld);
    }
    m_pDefaultCamera->pushViewport();
}

void ZqGlCamera::sysQuit() {
    m_pCurrentCamera = nullptr;
    m_pDefaultCamera = nullptr;
    quit();
}

void ZqGlCamera::sysMain() {
    ZqGlCamera* const camera = m_pDefaultCamera;
    if (camera == nullptr) {
        return;
    }
    setCurrent(camera);
    camera->setViewport(0.0f, 0.0f, ZqGlSystem::getWidth(), ZqGlSystem::getHeight());
    camera->lookAt(ZqVector3(0.0f, 0.0f, 0.0f), ZqVector3(0.0f, 0.0f, 1.0f),
                   ZqVector3(0.0f, 1.0f, 0.0f));
}

ZqGlCamera* ZqGlCamera::create() {
    if (m_pCriticalSection == nullptr) {
        return nullptr;
    }
    ZqGlCamera* camera = nullptr;
    {
        const ZqLockGuard hold(*m_pCriticalSection);
        camera = ZqFixList::create();
    }
    if (camera != nullptr) {
        camera->reset();
    }
    return camera;
}

void ZqGlCamera::reset() {
    const float w = ZqGlSystem::getWidth();
    const float h = ZqGlSystem::getHeight();
    m_mViewProj = ZqMatrix::UNIT;
    m_mWorldView = ZqMatrix::UNIT;
    m_mViewWorld = ZqMatrix::UNIT;
    m_mWorldProj = ZqMatrix::UNIT;
    m_left = m_right = m_bottom = m_top = m_near = m_far = 0.0f;
    for (int i = 0; i < 4; ++i) {
        m_sideReciprocal[i] = 0.0f;
        m_sideRatio[i] = 0.0f;
    }
    lookAt(ZqVector3(0.0f, 0.0f, 0.0f), ZqVector3(0.0f, 0.0f, -1.0f), ZqVector3(0.0f, 1.0f, 0.0f));
    setPerspective(w, h, DEFAULT_NEAR, DEFAULT_FAR);
    setViewport(0.0f, 0.0f, w, h);
}

unsigned int ZqGlCamera::release() {
    if (m_pCriticalSection == nullptr) {
        return 0;
    }
    if (this == m_pCurrentCamera) {
        if (m_pDefaultCamera != nullptr && this != m_pDefaultCamera) {
            setCurrent(m_pDefaultCamera);
        } else {
            m_pCurrentCamera = nullptr;
        }
    }
    if (this == m_pDefaultCamera) {
        m_pDefaultCamera = nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    // A camera given back twice would corrupt the pool's lists.
    if (searchBody(this) == nullptr) {
        return 0;
    }
    return ZqFixList::release(this);
}

void ZqGlCamera::setCurrent(ZqGlCamera* const camera) {
    if (camera == nullptr) {
        return;
    }
    m_pCurrentCamera = camera;
    if (ZqGlShader* const shader = ZqGlShader::getCurrent()) {
        shader->setParamMatrix(ZqGlShader::PARAM_VIEW_PROJ, camera->m_mViewProj);
        shader->setParamMatrix(ZqGlShader::PARAM_VIEW_WORLD, camera->m_mViewWorld);
    }
    camera->pushViewport();
    ZqGlLight::setDirPosParam();
}

void ZqGlCamera::pushViewport() const {
    zqp::gpu::Device* const device = ZqGlSystem::getD3dDevice();
    if (device == nullptr) {
        return;
    }
    zqp::gpu::Viewport vp;
    vp.x = m_viewport[0];
    vp.y = m_viewport[1];
    vp.width = m_viewport[2];
    vp.height = m_viewport[3];
    vp.minZ = 0.0f;
    vp.maxZ = 1.0f;
    device->setViewport(vp);
}

// ---------------------------------------------------------------------------------------------
// View

void ZqGlCamera::viewChanged() {
    m_mWorldProj.mul(m_mWorldView, m_mViewProj);
    if (this != m_pCurrentCamera) {
        return;
    }
    if (ZqGlShader* const shader = ZqGlShader::getCurrent()) {
        shader->setParamMatrix(ZqGlShader::PARAM_VIEW_WORLD, m_mViewWorld);
    }
    ZqGlLight::setDirPosParam();
}

void ZqGlCamera::lookAt(const ZqVector3& eye, const ZqVector3& at, const ZqVector3& up) {
    m_mWorldView.setLookAtRH(eye, at, up);
    m_mViewWorld.inverse(m_mWorldView);
    viewChanged();
}

void ZqGlCamera::setWorldViewMatrix(const ZqMatrix& view) {
    m_mWorldView = view;
    m_mViewWorld.inverse(m_mWorldView);
    viewChanged();
}

void ZqGlCamera::setViewWorldMatrix(const ZqMatrix& cameraToWorld) {
    m_mViewWorld = cameraToWorld;
    m_mWorldView.inverse(m_mViewWorld);
    viewChanged();
}

// ---------------------------------------------------------------------------------------------
// Projection

void ZqGlCamera::projectionChanged() {
    m_mWorldProj.mul(m_mWorldView, m_mViewProj);
    if (this != m_pCurrentCamera) {
        return;
    }
    if (ZqGlShader* const shader = ZqGlShader::getCurrent()) {
        shader->setParamMatrix(ZqGlShader::PARAM_VIEW_PROJ, m_mViewProj);
    }
}

void ZqGlCamera::setPerspective(const float w, const float h, const float zn, const float zf) {
    m_mViewProj.setPerspectiveRH(w, h, zn, zf);
    setViewFrustumCullingParams(-w * 0.5f, w * 0.5f, -h * 0.5f, h * 0.5f, zn, zf);
    projectionChanged();
}

void ZqGlCamera::setPerspectiveFov(const float fovY, const float aspect, const float zn,
                                   const float zf) {
    m_mViewProj.setPerspectiveFovRH(fovY, aspect, zn, zf);
    const float t = std::tan(fovY * 0.5f) * zn;
    setViewFrustumCullingParams(-t * aspect, t * aspect, -t, t, zn, zf);
    projectionChanged();
}

void ZqGlCamera::setPerspectiveOffCenter(const float l, const float r, const float b, const float t,
                                         const float zn, const float zf) {
    m_mViewProj.setPerspectiveOffCenterRH(l, r, b, t, zn, zf);
    setViewFrustumCullingParams(l, r, b, t, zn, zf);
    projectionChanged();
}

void ZqGlCamera::setOrtho(const float w, const float h, const float zn, const float zf) {
    m_mViewProj.setOrthoRH(w, h, zn, zf);
    setViewFrustumCullingParams(-w * 0.5f, w * 0.5f, -h * 0.5f, h * 0.5f, zn, zf);
    projectionChanged();
}

void ZqGlCamera::setOrthoOffCenter(const float l, const float r, const float b, const float t,
                                   const float zn, const float zf) {
    m_mViewProj.setOrthoOffCenterRH(l, r, b, t, zn, zf);
    setViewFrustumCullingParams(l, r, b, t, zn, zf);
    projectionChanged();
}

void ZqGlCamera::setViewProjMatrix(const ZqMatrix& projection) {
    m_mViewProj = projection;
    projectionChanged();
}

void ZqGlCamera::setViewFrustumCullingParams(const float l, const float r, const float b,
                                             const float t, const float zn, const float zf) {
    m_left = l;
    m_right = r;
    m_bottom = b;
    m_top = t;
    m_near = zn;
    m_far = zf;
    if (zn == 0.0f) {
        return;
    }
    const float sides[4] = {l, r, b, t};
    for (int i = 0; i < 4; ++i) {
        m_sideReciprocal[i] = 1.0f / std::sqrt(sides[i] * sides[i] + zn * zn);
        m_sideRatio[i] = sides[i] / zn;
    }
}

void ZqGlCamera::setViewport(const float x, const float y, const float w, const float h) {
    m_viewport[0] = pixelsOf(x);
    m_viewport[1] = pixelsOf(y);
    m_viewport[2] = pixelsOf(w);
    m_viewport[3] = pixelsOf(h);
    if (this == m_pCurrentCamera) {
        pushViewport();
    }
}

// ---------------------------------------------------------------------------------------------
// Queries

void ZqGlCamera::unproject(ZqVector3* const out, const ZqVector3* const in) const {
    unproject(out, in, 1);
}

void ZqGlCamera::unproject(ZqVector3* const out, const ZqVector3* const in,
                           const unsigned int count) const {
    if (out == nullptr || in == nullptr || count == 0) {
        return;
    }
    const ZqVector4 viewport(getViewportX(), getViewportY(), getViewportWidth(),
                             getViewportHeight());
    ZqVector3::unproject(out, in, count, viewport, 0.0f, 1.0f, m_mViewProj, m_mWorldView,
                         ZqMatrix::UNIT);
}

bool ZqGlCamera::intersect(const ZqDgPoint& point) const {
    const ZqVector3& p = point.getPosition();
    if (!(-m_far < p.z && p.z < -m_near)) {
        return false;
    }
    if (!isPerspective()) {
        return m_left <= p.x && p.x <= m_right && m_bottom <= p.y && p.y <= m_top;
    }
    // The point's projection on the near plane lies within left..right and bottom..top.
    return m_sideRatio[LEFT] * p.z >= -p.x && -p.x >= m_sideRatio[RIGHT] * p.z &&
           m_sideRatio[BOTTOM] * p.z >= -p.y && -p.y >= m_sideRatio[TOP] * p.z;
}

bool ZqGlCamera::intersect(const ZqDgSphere& sphere) const {
    const ZqVector3& c = sphere.getCenter();
    const float r = sphere.getRadius();
    if (!isPerspective()) {
        return c.z + r >= -m_far && c.z - r <= -m_near && c.x + r >= m_left && c.x - r <= m_right &&
               c.y + r >= m_bottom && c.y - r <= m_top;
    }
    if (c.z + r < -m_far || c.z - r > -m_near) {
        return false;
    }
    // Signed distances to the four side planes through the eye, positive inside.
    const float n = m_near;
    const float left = (c.x * n + c.z * m_left) * m_sideReciprocal[LEFT];
    const float right = (c.x * n + c.z * m_right) * m_sideReciprocal[RIGHT];
    const float bottom = (c.y * n + c.z * m_bottom) * m_sideReciprocal[BOTTOM];
    const float top = (c.y * n + c.z * m_top) * m_sideReciprocal[TOP];
    return left + r >= 0.0f && right - r <= 0.0f && bottom + r >= 0.0f && top - r <= 0.0f;
}
