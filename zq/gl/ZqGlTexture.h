// ZqGlTexture: stand-in until the texture class is built: the start-up and device-reset hooks
// that the graphics device calls, and what a render target hands the device. No texture can
// be made yet.
#pragma once

#include "zq/platform/gpu/gpu.h"

#include <cstdint>
#include <memory>

class ZqGlTexture {
public:
    static constexpr uint32_t POOL_SIZE = 256;

    static void sysInit() {}
    static void sysQuit() {}
    static void onLostDevice() {}
    static void onResetDevice() {}

    uint16_t getWidth() const { return 0; }
    uint16_t getHeight() const { return 0; }
    // The colour and depth surfaces of a render target; null for other kinds.
    zqp::gpu::Surface* getD3dRenderTextureSurface() const { return nullptr; }
    zqp::gpu::Surface* getD3dRenderDepthSurface() const { return nullptr; }
    // The device texture that effects and draws bind; null for none.
    const std::shared_ptr<zqp::gpu::Texture>& getD3dTexture() const { return m_pD3dTexture; }

private:
    std::shared_ptr<zqp::gpu::Texture> m_pD3dTexture;
};
