#include "dorvanex/scene/CBaseCamera.h"

#include "zq/zq.h"

#include <algorithm>
#include <cmath>

namespace {

// Keeps the translation row while the upper rows take the rotation of r.
void setRotationOnly(ZqMatrix& m, const ZqVector3& r) {
    const float x = m._41;
    const float y = m._42;
    const float z = m._43;
    m.setRotXYZ(r);
    m.setTrans(x, y, z);
}

constexpr float ROTATION_ERROR_MIN = 0.0001f;
constexpr float ROTATION_REST = 0.015f;
constexpr float POSITION_ERROR_MIN = 0.0001f;
constexpr float POSITION_REST_SQUARED = 0.001f;

} // namespace

CBaseCamera::CBaseCamera() : m_pCamera(ZqGlCamera::create()) {}

CBaseCamera::~CBaseCamera() {
    CBaseCamera::release();
}

void CBaseCamera::update(const float /*dt*/) {
    if (m_pCamera != nullptr) {
        m_pCamera->setViewWorldMatrix(m_local);
    }
}

void CBaseCamera::release() {
    if (m_pCamera != nullptr) {
        m_pCamera->release();
        m_pCamera = nullptr;
    }
}

void CBaseCamera::setTransXYZ(const float x, const float y, const float z) {
    m_local.setTrans(x, y, z);
}

void CBaseCamera::setTrans(const ZqVector3& t) {
    m_local.setTrans(t.x, t.y, t.z);
}

void CBaseCamera::setTransX(const float x) {
    m_local.setTrans(x, 0.0f, 0.0f);
}

void CBaseCamera::setTransY(const float y) {
    m_local.setTrans(0.0f, y, 0.0f);
}

void CBaseCamera::setTransZ(const float z) {
    m_local.setTrans(0.0f, 0.0f, z);
}

void CBaseCamera::setRotXYZ(const float x, const float y, const float z) {
    setRotationOnly(m_local, ZqVector3(x, y, z));
}

void CBaseCamera::setRotXYZv(const ZqVector3& r) {
    setRotationOnly(m_local, r);
}

void CBaseCamera::rotXYZ(const float x, const float y, const float z) {
    m_local.rotXYZ(x, y, z);
}

void CBaseCamera::rotXYZv(const ZqVector3& r) {
    m_local.rotXYZ(r);
}

void CBaseCamera::rotX(const float angle) {
    m_local.rotX(angle);
}

void CBaseCamera::rotY(const float angle) {
    m_local.rotY(angle);
}

void CBaseCamera::rotZ(const float angle) {
    m_local.rotZ(angle);
}

void CBaseCamera::lookAt(const ZqVector3& eye, const ZqVector3& at, const ZqVector3& up) {
    if (m_pCamera != nullptr) {
        m_pCamera->lookAt(eye, at, up);
        m_local = m_pCamera->getViewWorldMatrix();
    } else {
        m_local.setLookAtRH(eye, at, up).inverse();
    }
}

void CBaseCamera::setPerspectiveFov(const float fovY, const float aspect, const float zNear,
                                    const float zFar) {
    if (m_pCamera != nullptr) {
        m_pCamera->setPerspectiveFov(fovY, aspect, zNear, zFar);
    }
}

void CBaseCamera::getTrans(ZqVector3& out) const {
    out.set(m_local._41, m_local._42, m_local._43);
}

void CProCamera::setGains(const float stiffness, const float damping) {
    m_stiffness = stiffness;
    m_damping = damping;
}

void CProCamera::setTransX(const float x) {
    setTargetTransXYZ(x, 0.0f, 0.0f, false);
}

void CProCamera::setTransY(const float y) {
    setTargetTransXYZ(0.0f, y, 0.0f, false);
}

void CProCamera::setTransZ(const float z) {
    setTargetTransXYZ(0.0f, 0.0f, z, false);
}

void CProCamera::setTargetTransXYZ(const float x, const float y, const float z,
                                   const bool immediate) {
    m_target.setTrans(x, y, z);
    if (immediate) {
        m_local.setTrans(x, y, z);
    } else {
        m_motion |= MOTION_POSITION;
    }
}

void CProCamera::setTargetTrans(const ZqVector3& t, const bool immediate) {
    setTargetTransXYZ(t.x, t.y, t.z, immediate);
}

void CProCamera::setTargetRotXYZ(const float x, const float y, const float z,
                                 const bool immediate) {
    setRotationOnly(m_target, ZqVector3(x, y, z));
    if (immediate) {
        setRotationOnly(m_local, ZqVector3(x, y, z));
    } else {
        m_motion |= MOTION_ROTATION;
    }
}

void CProCamera::setTargetRot(const ZqVector3& r, const bool immediate) {
    setTargetRotXYZ(r.x, r.y, r.z, immediate);
}

void CProCamera::lookAtTarget(const ZqVector3& eye, const ZqVector3& at, const ZqVector3& up,
                              const bool immediate) {
    m_target.setLookAtRH(eye, at, up).inverse();
    if (immediate) {
        m_local = m_target;
    } else {
        m_motion |= MOTION_POSITION | MOTION_ROTATION;
    }
}

void CProCamera::step(const float t) {
    if ((m_motion & MOTION_ROTATION) != 0) {
        ZqVector3 r;
        ZqVector3 g;
        m_local.getRotXYZ(r);
        m_target.getRotXYZ(g);
        const ZqVector3 e = g - r;
        if (e.length() >= ROTATION_ERROR_MIN) {
            const ZqVector4 pull(e.x * m_stiffness, e.y * m_stiffness, e.z * m_stiffness, 0.0f);
            m_rotationVelocity += (pull - m_rotationVelocity * m_damping) * t;
        }
        if (m_rotationVelocity.epsilonEquals(ZqVector4::ZERO, ROTATION_REST)) {
            setRotationOnly(m_local, g);
            m_motion &= ~MOTION_ROTATION;
            m_rotationVelocity.setZero();
        } else {
            const ZqVector3 v = m_rotationVelocity;
            setRotationOnly(m_local, r + v * t);
        }
    }
    if ((m_motion & MOTION_POSITION) != 0) {
        const ZqVector3 p(m_local._41, m_local._42, m_local._43);
        const ZqVector3 q(m_target._41, m_target._42, m_target._43);
        const ZqVector3 e = p - q;
        if (e.length() > POSITION_ERROR_MIN) {
            const ZqVector4 pull(-e.x * m_stiffness, -e.y * m_stiffness, -e.z * m_stiffness, 0.0f);
            m_positionVelocity += (pull - m_positionVelocity * m_damping) * t;
        }
        if (e.dot(e) < POSITION_REST_SQUARED) {
            m_local.setTrans(q);
            m_positionVelocity.setZero();
            m_motion &= ~MOTION_POSITION;
        } else {
            const ZqVector3 v = m_positionVelocity;
            m_local.setTrans(p + v * t);
        }
    }
}

void CProCamera::update(const float dt) {
    // A long frame is cut to 30 ms, and integrated in steps no longer than a 60 Hz frame, so
    // that stiff springs stay stable whatever the frame rate.
    const float capped = std::fmin(std::fmax(dt, 0.0f), MAX_DT_MS);
    const int steps = std::max(1, static_cast<int>(std::ceil(capped / MAX_STEP_MS - 1e-4f)));
    const float t = capped / static_cast<float>(steps) / 1000.0f;
    for (int i = 0; i < steps; ++i) {
        step(t);
    }
    CBaseCamera::update(dt);
}
