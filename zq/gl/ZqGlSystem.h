// ZqGlSystem: the one graphics device of the process and the shape of every frame. Static
// members only. Started by the system class with the window's client size, it brings up the
// graphics classes in a fixed order, keeps the game size (the picture the game draws) and the
// current render-target size, changes the game size on request (at the start of the next
// frame), recovers from a lost device and presents each frame. Also the capability report
// and the adapter queries.
// Not for: drawing (the graphics classes draw through the device it owns).
// Depends on: the platform graphics device (zq/platform/gpu), ZqSystem's window and clock,
// the task scheduler's draw pass. Main thread only.
#pragma once

#include "zq/platform/gpu/gpu_fwd.h"
#include "zq/platform/window/window.h"

#include <cstdint>
#include <memory>

class ZqGlTexture;

class ZqGlSystem {
public:
    // Anti-aliasing: 0 none, n gives n + 1 samples.
    enum FSAA : uint32_t {
        FSAA_NONE = 0,
        FSAA_2 = 1,
        FSAA_3 = 2,
        FSAA_4 = 3,
        FSAA_5 = 4,
        FSAA_6 = 5,
        FSAA_7 = 6,
        FSAA_8 = 7,
        FSAA_9 = 8,
        FSAA_10 = 9,
        FSAA_11 = 10,
        FSAA_12 = 11,
        FSAA_13 = 12,
        FSAA_14 = 13,
        FSAA_15 = 14,
        FSAA_16 = 15,
    };
    static constexpr uint32_t NR_FSAA = 16;
    // Game sizes run from SIZE_MIN to below SIZE_LIMIT on each side.
    static constexpr float SIZE_MIN = 150.0f;
    static constexpr float SIZE_LIMIT = 2049.0f;
    // The adapter vendor whose back buffer may come out at the window's size.
    static constexpr uint32_t VENDOR_ID_STRETCHED = 0x10DE;

    // Draws and presents one frame.
    static void render();
    // Asks for another game size from the next frame on; false, changing nothing, when the
    // size breaks the size rule or the anti-aliasing value is not supported.
    static bool setGameSize(float width, float height, bool fullScreen, FSAA fsaa);
    // The display mode changed: the next frame applies the current settings again.
    static void winProcDisplayChange(zqp::WParam wParam, zqp::LParam lParam);
    // A render-target texture, or null for the frame's own target, becomes the colour and
    // depth target.
    static void setRenderTarget(ZqGlTexture* texture);
    // Clears the whole current target (flags: 1 colour, 2 depth, 4 stencil; colour ARGB).
    static void clear(uint32_t flags, uint32_t color, float z, uint32_t stencil);

    // Full-screen modes of the two display formats, counted anew by each call.
    static uint32_t getNrFullScreenResolutions();
    // Mode index of the last count; false beyond it or when the adapter refuses.
    static bool getFullScreenResolution(uint32_t index, float* width, float* height,
                                        uint32_t* refreshRate);
    static uint32_t getNrFsaaValues(bool fullScreen);
    // The index-th supported value; FSAA_NONE when there are fewer.
    static FSAA getFsaaValue(uint32_t index, bool fullScreen);

    static zqp::gpu::Device* getD3dDevice() { return m_pD3dDevice.get(); }
    static const zqp::gpu::Caps& getD3dCaps() { return m_d3dCaps; }
    static uint32_t getMaxAnisotropy();
    static bool isDynamicTextureAvailable();
    static float getWidth() { return m_width; }
    static float getHeight() { return m_height; }
    static bool isFullScreen() { return m_bFullScreen; }
    static FSAA getFsaa() { return m_fsaa; }
    static float getRenderTargetWidth() { return m_renderTargetWidth; }
    static float getRenderTargetHeight() { return m_renderTargetHeight; }
    static float getRenderTargetWidthHalf() { return m_renderTargetWidthHalf; }
    static float getRenderTargetHeightHalf() { return m_renderTargetHeightHalf; }
    static float getRenderTargetWidthHalfReciprocal() { return m_renderTargetWidthHalfReciprocal; }
    static float getRenderTargetHeightHalfReciprocal() {
        return m_renderTargetHeightHalfReciprocal;
    }

    // Writes the adapters and the capability record as a tree, marks what the game needs
    // and returns how many needs failed; with a path, the text goes to that file as UTF-8
    // with a byte-order mark (a file that cannot be opened is skipped). Throws 1024 when
    // memory or the text conversion fails.
    static uint32_t reportDeviceCaps(const char16_t* path);
    static uint32_t getNrAdapters();
    // The adapter's description into a buffer of 512 characters; false for a null buffer or
    // an unreadable adapter.
    static bool getAdapterName(uint32_t adapter, char16_t* name);
    static bool getAdapterIds(uint32_t adapter, uint32_t* vendorId, uint32_t* deviceId,
                              uint32_t* subSysId, uint32_t* revision);

    static bool m_bFullScreen;

private:
    friend class ZqSystem;
    friend class ZqGlTexture;
    friend class ZqGlShadowMap;

    static void sysInit(float width, float height, bool fullScreen);
    static void sysQuit();
    static bool setGameSizeBody(float width, float height, bool fullScreen, FSAA fsaa);
    static void createD3DPresentParams(float width, float height, bool fullScreen, FSAA fsaa,
                                       zqp::gpu::PresentParams* params);
    static void checkMultiSampleType();
    static bool checkReourceFormatSupport(zqp::gpu::Format format,
                                          zqp::gpu::ResourceType resourceType, uint32_t usage);
    static bool isValidGameSize(float width, float height, bool fullScreen);
    static void setRenderTargetSize(float width, float height);
    static void drawStretched();
    static void releaseSurfaces();

    static std::shared_ptr<zqp::gpu::System> m_pD3d;
    static std::shared_ptr<zqp::gpu::Device> m_pD3dDevice;
    static std::shared_ptr<zqp::gpu::Surface> m_pD3dBackBuffer;
    static std::shared_ptr<zqp::gpu::Surface> m_pD3dZBuffer;
    static std::shared_ptr<zqp::gpu::Texture> m_pD3dBackTexture2;
    static std::shared_ptr<zqp::gpu::Surface> m_pD3dBackBuffer2;
    static std::shared_ptr<zqp::gpu::Surface> m_pD3dZBuffer2;
    static std::shared_ptr<zqp::gpu::VertexDeclaration> m_pStretchDecl;
    static zqp::gpu::Caps m_d3dCaps;
    static uint32_t m_devBehavior;
    static uint32_t m_vendorId;
    static float m_width;
    static float m_height;
    static FSAA m_fsaa;
    static float m_reservedWidth;
    static float m_reservedHeight;
    static bool m_reservedFullScreen;
    static FSAA m_reservedFsaa;
    static uint32_t m_vbFsaas[2];
    static float m_renderTargetWidth;
    static float m_renderTargetHeight;
    static float m_renderTargetWidthHalf;
    static float m_renderTargetHeightHalf;
    static float m_renderTargetWidthHalfReciprocal;
    static float m_renderTargetHeightHalfReciprocal;
    static uint32_t m_nrFullScreenResolutions[2];
    static int32_t m_savedWindowX;
    static int32_t m_savedWindowY;
};
