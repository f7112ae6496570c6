// ZqGlShadowMap: scene depth as seen from a directional light, rendered into a texture, and
// the matrix from the main camera's view space into that texture's clip space so that
// shaders can compare depths. The light camera is fitted to a set of points (by default the
// corners of the current camera's view volume), with a perspective warp in light space when
// the light is not close to the viewing axis. Where the device has depth textures the map
// is a depth target drawn with a depth bias; otherwise an R32F (else A8R8G8B8) colour target.
// Depends on: ZqFixList, the texture and camera classes, the graphics system's targets.
// create and release lock the pool; everything else runs on the render thread.
#pragma once

#include "zq/math/ZqMatrix.h"
#include "zq/memory/ZqFixList.h"

#include <cstdint>

class ZqGlCamera;
class ZqGlLight;
class ZqGlTexture;
class ZqVector3;

class ZqGlShadowMap : public ZqFixList<ZqGlShadowMap> {
public:
    static constexpr uint32_t POOL_SIZE = 512;
    static constexpr float DEFAULT_EPSILON = 0.015f;
    // Bit 0 asks for the colour target even where depth targets are supported.
    enum MODE : uint32_t { MODE_DEFAULT = 0, MODE_COLOR_TARGET = 1 };

    // Null when the pool is full or the texture or the light camera cannot be made.
    static ZqGlShadowMap* create(MODE mode, uint16_t width, uint16_t height);
    unsigned int release();

    bool isHardwareAvailable() const { return m_bHardware; }
    ZqGlCamera* getLightCamera() const { return m_pLightCamera; }
    ZqGlTexture* getShadowMapTexture() const { return m_pTexture; }
    // Main camera view space to light clip space.
    const ZqMatrix& getViewLightProjMatrix() const { return m_mViewLightProj; }
    void setEpsilon(const float epsilon) { m_epsilon = epsilon; }
    float getEpsilon() const { return m_epsilon; }

    // The draws that follow render depth into the map: fitted to the current camera's view
    // volume, or to the given world-space points. A positional light is not supported: the
    // matrix becomes the unit matrix and nothing else changes.
    void beginShadowMap(const ZqGlLight* light);
    void beginShadowMap(const ZqGlLight* light, const ZqVector3* points, uint32_t count);
    // Back to the frame's target and the camera that was current at the begin.
    void endShadowMap();

    // The light camera's fit (shared by beginShadowMap and its tests): from the main
    // camera's camera-to-world matrix, the light's direction and world-space points, the
    // light view and projection. Returns true when the perspective warp was used.
    static bool fitLightCamera(const ZqMatrix& cameraToWorld, const ZqVector3& lightDir,
                               const ZqVector3* points, uint32_t count, ZqMatrix& view,
                               ZqMatrix& projection);

    static void sysInit();
    static void sysQuit();
    static void sysMain() {}
    static void onLostDevice() {}
    static void onResetDevice() {}
    static bool isHardwareSupported() { return m_bSupportsHWShadowMaps; }

    virtual ~ZqGlShadowMap() = default;

private:
    friend class ZqFixList<ZqGlShadowMap>;

    bool createBody(MODE mode, uint16_t width, uint16_t height);

    ZqGlTexture* m_pTexture = nullptr;
    ZqGlCamera* m_pLightCamera = nullptr;
    ZqGlCamera* m_pSavedCamera = nullptr;
    ZqMatrix m_mViewLightProj = ZqMatrix::UNIT;
    float m_epsilon = DEFAULT_EPSILON;
    bool m_bHardware = false;

    static bool m_bSupportsHWShadowMaps;
};
