// Game cameras: each wraps one framework camera and keeps its own local matrix (camera to
// world), handed to the framework camera on each update. CBaseCamera is placed by hand;
// CProCamera glides to a target position and rotation on a damped spring. The animated,
// aiming and debug cameras build on CBaseCamera in their own files; CCameraManager makes them
// by kind. Main thread only.
#pragma once

#include "zq/zq.h"

#include <cstdint>

class ZqGlCamera;

class CBaseCamera {
public:
    static constexpr float DEFAULT_ASPECT = 1.33f;

    CBaseCamera();
    virtual ~CBaseCamera();
    CBaseCamera(const CBaseCamera&) = delete;
    CBaseCamera& operator=(const CBaseCamera&) = delete;

    // Milliseconds.
    virtual void update(float dt);
    // Keyboard and mouse steering (the debug camera's).
    virtual void control(float /*dt*/) {}
    // Text on screen (the debug camera's).
    virtual void printDebug() {}
    // Gives the framework camera back; the camera then only keeps its matrices.
    virtual void release();
    virtual void setTransXYZ(float x, float y, float z);
    virtual void setTrans(const ZqVector3& t);
    // The whole translation becomes (x, 0, 0), (0, y, 0) or (0, 0, z).
    virtual void setTransX(float x);
    virtual void setTransY(float y);
    virtual void setTransZ(float z);
    // The rotation from Euler angles (radians); the translation stays.
    virtual void setRotXYZ(float x, float y, float z);
    virtual void setRotXYZv(const ZqVector3& r);
    virtual void rotXYZ(float x, float y, float z);
    virtual void rotXYZv(const ZqVector3& r);
    virtual void rotX(float angle);
    virtual void rotY(float angle);
    virtual void rotZ(float angle);
    virtual void lookAt(const ZqVector3& eye, const ZqVector3& at, const ZqVector3& up);

    // Vertical field of view in radians.
    void setPerspectiveFov(float fovY, float aspect, float zNear, float zFar);
    void setAspect(const float aspect) { m_aspect = aspect; }
    float getAspect() const { return m_aspect; }
    // The camera's position in the world.
    void getTrans(ZqVector3& out) const;
    // {x, y, width, height} in pixels, set by the director for split screen.
    const ZqVector4& getViewport() const { return m_viewport; }
    void setViewport(const ZqVector4& viewport) { m_viewport = viewport; }
    const ZqMatrix& getMatrix() const { return m_local; }
    ZqGlCamera* getCamera() const { return m_pCamera; }

protected:
    ZqGlCamera* m_pCamera = nullptr;
    ZqMatrix m_local = ZqMatrix::UNIT;
    float m_aspect = DEFAULT_ASPECT;
    ZqVector4 m_viewport{0.0f, 0.0f, 0.0f, 0.0f};
};

// Glides to its target on a spring: each frame time (capped at 30 ms) is split into equal
// steps of at most 1000/60 ms, each moving the velocity by (error x stiffness - velocity x
// damping) x step and the camera by velocity x step. Bit 0 of the motion flags is set while
// the position moves, bit 4 while the rotation turns; both clear at rest.
class CProCamera : public CBaseCamera {
public:
    enum MOTION : uint32_t { MOTION_POSITION = 1, MOTION_ROTATION = 16 };
    static constexpr float DEFAULT_STIFFNESS = 25.0f;
    static constexpr float DEFAULT_DAMPING = 10.0f;
    static constexpr float MAX_DT_MS = 30.0f;
    static constexpr float MAX_STEP_MS = 1000.0f / 60.0f;

    void update(float dt) override;
    // These set the target translation as the base's setters set the translation, and start
    // the motion.
    void setTransX(float x) override;
    void setTransY(float y) override;
    void setTransZ(float z) override;
    // With immediate the camera is there at once; otherwise it glides.
    virtual void setTargetTransXYZ(float x, float y, float z, bool immediate);
    virtual void setTargetTrans(const ZqVector3& t, bool immediate);
    virtual void setTargetRotXYZ(float x, float y, float z, bool immediate);
    virtual void setTargetRot(const ZqVector3& r, bool immediate);
    // The target is the placement whose view setLookAtRH (eye, at, up) gives.
    virtual void lookAtTarget(const ZqVector3& eye, const ZqVector3& at, const ZqVector3& up,
                              bool immediate);

    // This camera's spring; every camera starts with 25 / 10.
    void setGains(float stiffness, float damping);
    float getStiffness() const { return m_stiffness; }
    float getDamping() const { return m_damping; }
    uint32_t getMotion() const { return m_motion; }
    bool isMoving() const { return m_motion != 0; }
    const ZqMatrix& getTargetMatrix() const { return m_target; }

private:
    void step(float t);

    ZqMatrix m_target = ZqMatrix::UNIT;
    ZqVector4 m_positionVelocity{0.0f, 0.0f, 0.0f, 0.0f};
    ZqVector4 m_rotationVelocity{0.0f, 0.0f, 0.0f, 0.0f};
    uint32_t m_motion = 0;
    float m_stiffness = DEFAULT_STIFFNESS;
    float m_damping = DEFAULT_DAMPING;
};
