// ZqGlCamera: a view and a projection (right-handed, looking down -z) with their derived
// matrices, a viewport and the frustum numbers used for culling. One camera is current: making
// it current sends its projection ("gmViewProj") and camera-to-world matrix ("gmViewWorld") to
// the current effect, its viewport to the device, and refreshes the lights' view-space
// directions and positions. The framework's default camera is made current and reset at the
// start of every frame; the game makes its own, moves them and tests points and spheres (given
// in view space) against their view volume.
// Not for: camera paths (camera animations hand their matrices to a camera).
// Depends on: the math types, ZqFixList, the current effect, the lights, the device.
#pragma once

#include "zq/math/ZqMatrix.h"
#include "zq/memory/ZqFixList.h"

#include <cstdint>

class ZqDgPoint;
class ZqDgSphere;
class ZqVector3;

class ZqGlCamera : public ZqFixList<ZqGlCamera> {
public:
    static constexpr uint32_t POOL_SIZE = 64;
    // What create gives every camera: a perspective view of the game size at the near plane.
    static constexpr float DEFAULT_NEAR = 64.0f;
    static constexpr float DEFAULT_FAR = 65536.0f;

    // A camera at the origin looking down -z with up +y, setPerspective (game width, game
    // height, 64, 65536) and the full game viewport. Null when the pool is empty.
    static ZqGlCamera* create();
    // When this camera is current, the default camera becomes current first; returns 0.
    unsigned int release();

    static ZqGlCamera* getDefaultCamera() { return m_pDefaultCamera; }
    static ZqGlCamera* getCurrent() { return m_pCurrentCamera; }
    // Makes the camera current (null: nothing happens).
    static void setCurrent(ZqGlCamera* camera);

    // View. Each keeps the view and camera-to-world matrices inverse to each other.
    void lookAt(const ZqVector3& eye, const ZqVector3& at, const ZqVector3& up);
    void setWorldViewMatrix(const ZqMatrix& view);
    void setViewWorldMatrix(const ZqMatrix& cameraToWorld);

    // Projection, each with the frustum numbers it implies (setViewProjMatrix keeps them).
    void setPerspective(float w, float h, float zn, float zf);
    void setPerspectiveFov(float fovY, float aspect, float zn, float zf);
    void setPerspectiveOffCenter(float l, float r, float b, float t, float zn, float zf);
    void setOrtho(float w, float h, float zn, float zf);
    void setOrthoOffCenter(float l, float r, float b, float t, float zn, float zf);
    void setViewProjMatrix(const ZqMatrix& projection);
    // The view volume at the near distance, in view space, for the intersect tests.
    void setViewFrustumCullingParams(float l, float r, float b, float t, float zn, float zf);

    // In pixels; negative values count as 0.
    void setViewport(float x, float y, float w, float h);
    float getViewportX() const { return static_cast<float>(m_viewport[0]); }
    float getViewportY() const { return static_cast<float>(m_viewport[1]); }
    float getViewportWidth() const { return static_cast<float>(m_viewport[2]); }
    float getViewportHeight() const { return static_cast<float>(m_viewport[3]); }
    float getNear() const { return m_near; }
    float getFar() const { return m_far; }

    // View space to clip space.
    const ZqMatrix& getViewProjMatrix() const { return m_mViewProj; }
    // World to view space.
    const ZqMatrix& getWorldViewMatrix() const { return m_mWorldView; }
    // World to clip space: view x projection.
    const ZqMatrix& getWorldProjMatrix() const { return m_mWorldProj; }
    // View to world space.
    const ZqMatrix& getViewWorldMatrix() const { return m_mViewWorld; }

    // Window coordinates (pixels, depth 0..1) to world space through viewport, projection
    // and view.
    void unproject(ZqVector3* out, const ZqVector3* in) const;
    void unproject(ZqVector3* out, const ZqVector3* in, unsigned int count) const;

    // Whether the point or sphere, in view space, lies in the view volume.
    bool intersect(const ZqDgPoint& point) const;
    bool intersect(const ZqDgSphere& sphere) const;

    // Pool of 64 and the default camera, made current.
    static void sysInit();
    static void sysQuit();
    // The frame's start: the default camera current, full game viewport, looking down +z.
    static void sysMain();
    static void onLostDevice() {}
    static void onResetDevice() {}

    ZqGlCamera() = default;

private:
    bool isPerspective() const { return m_mViewProj._44 == 0.0f; }
    void reset();
    void viewChanged();
    void projectionChanged();
    void pushViewport() const;

    ZqMatrix m_mViewProj = ZqMatrix::UNIT;
    ZqMatrix m_mWorldView = ZqMatrix::UNIT;
    ZqMatrix m_mWorldProj = ZqMatrix::UNIT;
    ZqMatrix m_mViewWorld = ZqMatrix::UNIT;
    // x, y, width, height; depth runs 0..1.
    uint32_t m_viewport[4] = {};
    float m_left = 0.0f;
    float m_right = 0.0f;
    float m_bottom = 0.0f;
    float m_top = 0.0f;
    float m_near = 0.0f;
    float m_far = 0.0f;
    // For each side e of left, right, bottom, top: 1 / sqrt(e^2 + near^2) and e / near.
    float m_sideReciprocal[4] = {};
    float m_sideRatio[4] = {};

    static ZqGlCamera* m_pDefaultCamera;
    static ZqGlCamera* m_pCurrentCamera;
};
