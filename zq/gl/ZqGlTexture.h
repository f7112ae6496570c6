// ZqGlTexture: the framework's texture, of four kinds: an image decoded from a file in memory
// (named and shared by name, its mip count taken from a DDS header where there is one),
// a dynamic texture the game fills through lock, a render target with an optional
// depth-stencil surface, and a depth render target whose bound texture is a depth texture
// (for the shadow map). Dynamic textures and render targets are dropped when the device is
// lost and made again after the reset; image textures survive it.
// Not for: decoding (the image service decodes), texture sets or animation.
// Depends on: the graphics device (ZqGlSystem), the image service, ZqRefList, ZqFile, and
// ZqGlSprite for drawing. Creation, reload, release and the lost/reset walks hold the pool's
// lock.
#pragma once

#include "zq/memory/ZqRefList.h"

#include <cstdint>
#include <memory>

namespace zqp::gpu {
class Texture;
class Surface;
} // namespace zqp::gpu

class ZqGlTexture : public ZqRefList<ZqGlTexture> {
public:
    // Last-error codes.
    static constexpr uint32_t ERROR_NO_FREE = 0x20002000;
    static constexpr uint32_t ERROR_READ = 0x20002001;
    static constexpr uint32_t ERROR_NULL = 0x20002002;
    static constexpr uint32_t ERROR_TOO_LARGE = 0x20002003;
    static constexpr uint32_t ERROR_NOT_LIVE = 0x20002004;
    static constexpr uint32_t ERROR_KIND = 0x20002005;
    static constexpr uint32_t ERROR_CREATE = 0x20002006;
    static constexpr uint32_t ERROR_SIZE = 0x20002007;
    static constexpr uint32_t ERROR_FORMAT = 0x20002008;
    static constexpr uint32_t ERROR_SURFACE = 0x20002009;
    static constexpr uint32_t ERROR_DEPTH = 0x2000200A;
    static constexpr uint32_t POOL_SIZE = 256;
    // Image files of this size or more are refused.
    static constexpr uint32_t MAX_FILE_SIZE = 0x400000;
    // A mip count asking for the full chain.
    static constexpr uint32_t MIP_COUNT_DEFAULT = 0xFFFFFFFFu;

    enum TYPE : uint8_t {
        TYPE_NONE = 0,
        TYPE_IMAGE = 1,
        TYPE_DYNAMIC = 2,
        TYPE_RENDER_TARGET = 3,
        TYPE_RENDER_TARGET_Z = 4,
    };
    // Device format codes (22 X8R8G8B8, 25 A1R5G5B5, 75 D24S8, 77 D24X8, ...).
    using FORMAT = uint32_t;
    static constexpr FORMAT FORMAT_X8R8G8B8 = 22;
    static constexpr FORMAT FORMAT_A1R5G5B5 = 25;
    static constexpr FORMAT FORMAT_UNKNOWN = 0x7FFFFFFF;

    static void sysInit();
    static void sysQuit();

    // An image texture from a whole image file in memory. mipCount 0 takes the file's count
    // (a DDS header's, at most 17; 1 for any other file). The same name again returns the
    // same texture with one more reference. Null on failure with the thread's last error set.
    static ZqGlTexture* create(const char16_t* name, const void* data, uint32_t size,
                               uint32_t mipCount);
    // The same with the file read whole.
    static ZqGlTexture* create(const char16_t* name, const char16_t* fileName, uint32_t mipCount);
    // A one-level X8R8G8B8 texture named "*dynamic" (never shared), sides powers of two up to
    // 2048.
    static ZqGlTexture* createDynamic(uint32_t width, uint32_t height);
    // A render target named "*renderTarget" (never shared), sides up to 2048, with a D24S8
    // depth-stencil surface of its size when withDepth is set.
    static ZqGlTexture* createRenderTarget(uint32_t width, uint32_t height, FORMAT format,
                                           bool withDepth);

    // Replaces the image of this live image texture in place (name and references stay) with
    // a full mip chain. Null on failure, the texture unchanged.
    ZqGlTexture* reload(const void* data, uint32_t size);
    ZqGlTexture* reload(const char16_t* fileName);
    // Drops one reference; at 0 the device objects go. Returns the count left.
    unsigned int release();

    // Write access to level 0 (previous contents discarded). False, with *bits null, when
    // the texture cannot be locked.
    bool lock(unsigned int* pitch, void** bits);
    // Ends a successful lock; does nothing otherwise.
    void unlock();

    // Draws the texel rectangle (u, v, w, h) on the screen at pixel (x, y): at its texel
    // size, scaled to sw x sh, or also turned by sine s and cosine c about the pivot
    // (px, py) in texels of the rectangle (ZqGlSprite::simpleDraw with this texture).
    void draw(float x, float y, float z, uint16_t u, uint16_t v, uint16_t w, uint16_t h);
    void draw(float x, float y, float z, float sw, float sh, uint16_t u, uint16_t v, uint16_t w,
              uint16_t h);
    void draw(float x, float y, float z, float sw, float sh, float px, float py, float s, float c,
              uint16_t u, uint16_t v, uint16_t w, uint16_t h);

    uint32_t getNrMipmapLevels() const;
    uint16_t getWidth() const { return m_width; }
    uint16_t getHeight() const { return m_height; }
    TYPE getType() const { return static_cast<TYPE>(m_type); }
    FORMAT getFormat() const { return m_format; }
    float getWidthReciprocal() const { return m_widthReciprocal; }
    float getHeightReciprocal() const { return m_heightReciprocal; }
    // The texture shaders and draws bind (for a depth render target, its depth texture).
    const std::shared_ptr<zqp::gpu::Texture>& getD3dTexture() const { return m_pD3dTexture; }

private:
    friend class ZqFixList<ZqGlTexture>;
    friend class ZqRefList<ZqGlTexture>;
    friend class ZqGlSystem;
    friend class ZqGlShadowMap;

    ZqGlTexture() = default;
    ~ZqGlTexture() override;

    // A depth render target named "*renderTargetZ".
    static ZqGlTexture* createRenderTargetZ(uint32_t width, uint32_t height, FORMAT format);
    // The colour and depth surfaces that setRenderTarget binds; null for the other kinds.
    zqp::gpu::Surface* getD3dRenderTextureSurface() const;
    zqp::gpu::Surface* getD3dRenderDepthSurface() const;
    static void onLostDevice();
    static void onResetDevice();

    static ZqGlTexture* createNamed(const char16_t* name, const void* data, uint32_t size,
                                    uint32_t mipCount);
    ZqGlTexture* reloadBody(const void* data, uint32_t size);
    // Each gives 0 or the error code; what was made is released on failure.
    uint32_t createBody(const void* data, uint32_t size, uint32_t mipCount);
    uint32_t createDynamicBody(uint32_t width, uint32_t height);
    uint32_t createRenderTargetBody(uint32_t width, uint32_t height, FORMAT format, bool withDepth);
    uint32_t createRenderTargetZBody(uint32_t width, uint32_t height, FORMAT format);
    void setSize(uint32_t width, uint32_t height);
    void releaseBody();

    std::shared_ptr<zqp::gpu::Texture> m_pD3dTexture;
    uint16_t m_width = 0;
    uint16_t m_height = 0;
    uint8_t m_type = TYPE_NONE;
    uint8_t m_flags = 0;
    FORMAT m_format = FORMAT_UNKNOWN;
    float m_widthReciprocal = 0.0f;
    float m_heightReciprocal = 0.0f;
    // Render targets: level 0 of the colour texture and the depth(-stencil) surface.
    std::shared_ptr<zqp::gpu::Surface> m_pRenderSurface;
    std::shared_ptr<zqp::gpu::Surface> m_pDepthSurface;
    bool m_withDepth = false;
    // Depth render targets: the colour texture (the bound texture is the depth texture).
    std::shared_ptr<zqp::gpu::Texture> m_pColorTexture;
};
