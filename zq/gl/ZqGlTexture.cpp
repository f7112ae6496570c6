#include "zq/gl/ZqGlTexture.h"

#include "zq/file/ZqFile.h"
#include "zq/gl/ZqGlSprite.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/gl/ZqGlTextureImage_internal.h"
#include "zq/memory/ZqMemAlloc.h"
#include "zq/platform/gpu/gpu.h"
#include "zq/platform/image/image.h"
#include "zq/platform/os/lasterror.h"
#include "zq/system/ZqError.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace gpu = zqp::gpu;

// The texture's own format constants are device numbers.
static_assert(ZqGlTexture::FORMAT_X8R8G8B8 == static_cast<uint32_t>(gpu::Format::X8R8G8B8));
static_assert(ZqGlTexture::FORMAT_A1R5G5B5 == static_cast<uint32_t>(gpu::Format::A1R5G5B5));

namespace {

constexpr uint8_t FLAG_LOCKED = 1;

// Minimum read sizes the two file forms ask of the file reader.
constexpr uint32_t FILE_MINIMUM_CREATE = 64;
constexpr uint32_t FILE_MINIMUM_RELOAD = 256;

// A whole file read for a texture, freed with the file reader's allocator.
struct FileBuffer {
    struct Free {
        void operator()(void* const p) const { ZqMemAlloc::deallocate(p); }
    };
    std::unique_ptr<void, Free> data;
    uint32_t size = 0;
};

// Reads a whole file through the framework's current file reader: false when it cannot be
// read, is smaller than `minimum` or is `limit` bytes or larger. The one place textures
// touch files.
bool loadTextureFile(const char16_t* const fileName, const uint32_t minimum, const uint32_t limit,
                     FileBuffer& out) {
    if (ZqFile::getSize(fileName) >= limit) {
        return false;
    }
    uint32_t size = 0;
    out.data.reset(ZqFile::load(fileName, minimum, &size));
    out.size = size;
    return out.data != nullptr && size < limit;
}

gpu::Format deviceFormat(const uint32_t format) {
    return static_cast<gpu::Format>(format);
}

// The format of level 0 read back through its surface, or FORMAT_UNKNOWN.
uint32_t readFormat(gpu::Texture& texture) {
    gpu::SurfaceDesc desc;
    if (texture.getLevelDesc(0, desc) != gpu::Result::Ok) {
        return ZqGlTexture::FORMAT_UNKNOWN;
    }
    std::shared_ptr<gpu::Surface> surface;
    gpu::SurfaceDesc surfaceDesc;
    if (texture.getSurfaceLevel(0, surface) != gpu::Result::Ok || surface == nullptr ||
        surface->getDesc(surfaceDesc) != gpu::Result::Ok) {
        return ZqGlTexture::FORMAT_UNKNOWN;
    }
    return static_cast<uint32_t>(surfaceDesc.format);
}

// Copies every level of face 0 of an image into a texture of as many levels (textures are
// plain 2D ones: a cube-map file gives its first face, +X).
bool upload(gpu::Texture& texture, const zqp::image::Image& image) {
    for (uint32_t mip = 0; mip < image.info.levels; ++mip) {
        const zqp::image::Level& level = image.level(0, mip);
        gpu::LockedRect locked;
        if (texture.lockRect(mip, locked, nullptr, 0) != gpu::Result::Ok ||
            locked.bits == nullptr || locked.pitch < static_cast<int32_t>(level.pitch)) {
            if (locked.bits != nullptr) {
                texture.unlockRect(mip);
            }
            return false;
        }
        const uint8_t* const src = image.bits(0, mip);
        auto* const dst = static_cast<uint8_t*>(locked.bits);
        for (uint32_t row = 0; row < level.rows; ++row) {
            std::memcpy(dst + static_cast<size_t>(row) * locked.pitch,
                        src + static_cast<size_t>(row) * level.pitch, level.pitch);
        }
        texture.unlockRect(mip);
    }
    return true;
}

} // namespace

ZqGlTexture::~ZqGlTexture() = default;

void ZqGlTexture::sysInit() {
    init(POOL_SIZE);
}

void ZqGlTexture::sysQuit() {
    quit();
}

// ---------------------------------------------------------------------------------------------
// Image textures

ZqGlTexture* ZqGlTexture::create(const char16_t* const name, const void* const data,
                                 const uint32_t size, const uint32_t mipCount) {
    if (name == nullptr || data == nullptr) {
        zqp::setLastError(ERROR_NULL);
        return nullptr;
    }
    if (size >= MAX_FILE_SIZE) {
        zqp::setLastError(ERROR_TOO_LARGE);
        return nullptr;
    }
    return createNamed(name, data, size, mipCount);
}

ZqGlTexture* ZqGlTexture::createNamed(const char16_t* const name, const void* const data,
                                      const uint32_t size, const uint32_t mipCount) {
    if (m_pCriticalSection == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqGlTexture* const t = ZqRefList::create(name);
    if (t == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    if (t->getRefCountBody() != 1) {
        if (t->m_type == TYPE_IMAGE) {
            return t;
        }
        ZqRefList::release(t);
        zqp::setLastError(ERROR_KIND);
        return nullptr;
    }
    const uint32_t error = t->createBody(data, size, mipCount);
    if (error != 0) {
        ZqRefList::release(t);
        zqp::setLastError(error);
        return nullptr;
    }
    return t;
}

ZqGlTexture* ZqGlTexture::create(const char16_t* const name, const char16_t* const fileName,
                                 const uint32_t mipCount) {
    if (name == nullptr || fileName == nullptr) {
        zqp::setLastError(ERROR_NULL);
        return nullptr;
    }
    if (m_pCriticalSection == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqGlTexture* const t = ZqRefList::create(name);
    if (t == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    if (t->getRefCountBody() != 1) {
        if (t->m_type == TYPE_IMAGE) {
            return t;
        }
        ZqRefList::release(t);
        return nullptr;
    }
    FileBuffer file;
    if (!loadTextureFile(fileName, FILE_MINIMUM_CREATE, MAX_FILE_SIZE, file)) {
        ZqRefList::release(t);
        zqp::setLastError(ERROR_KIND);
        return nullptr;
    }
    const uint32_t error = t->createBody(file.data.get(), file.size, mipCount);
    if (error != 0) {
        ZqRefList::release(t);
        zqp::setLastError(error);
        return nullptr;
    }
    return t;
}

uint32_t ZqGlTexture::createBody(const void* const data, const uint32_t size,
                                 const uint32_t mipCount) {
    m_type = TYPE_IMAGE;
    m_flags = 0;
    m_pD3dTexture.reset();
    zqp::image::Image image;
    uint32_t error = zq_texture::prepareImage(data, size, mipCount, image);
    if (error != 0) {
        return error;
    }
    gpu::Device* const device = ZqGlSystem::getD3dDevice();
    if (device == nullptr) {
        return ERROR_CREATE;
    }
    // A format the device cannot sample (block formats without S3TC, say) is taken as 32-bit
    // pixels instead.
    if (!ZqGlSystem::checkReourceFormatSupport(
            deviceFormat(static_cast<uint32_t>(image.info.format)), gpu::ResourceType::Texture,
            0) &&
        !zqp::image::convert(image, zqp::image::Format::A8R8G8B8)) {
        return ERROR_CREATE;
    }
    error = ERROR_CREATE;
    if (device->createTexture(image.info.width, image.info.height, image.info.levels, 0,
                              deviceFormat(static_cast<uint32_t>(image.info.format)),
                              gpu::Pool::Managed, m_pD3dTexture) == gpu::Result::Ok &&
        upload(*m_pD3dTexture, image)) {
        m_format = readFormat(*m_pD3dTexture);
        error = m_format != FORMAT_UNKNOWN ? 0 : ERROR_FORMAT;
    }
    if (error != 0) {
        releaseBody();
        return error;
    }
    setSize(image.info.width, image.info.height);
    return 0;
}

ZqGlTexture* ZqGlTexture::reload(const void* const data, const uint32_t size) {
    if (data == nullptr) {
        zqp::setLastError(ERROR_NULL);
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    if (searchBody(this) == nullptr) {
        zqp::setLastError(ERROR_NOT_LIVE);
        return nullptr;
    }
    if (m_type != TYPE_IMAGE) {
        zqp::setLastError(ERROR_KIND);
        return nullptr;
    }
    return reloadBody(data, size);
}

ZqGlTexture* ZqGlTexture::reload(const char16_t* const fileName) {
    if (fileName == nullptr) {
        zqp::setLastError(ERROR_NULL);
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    if (searchBody(this) == nullptr || m_type != TYPE_IMAGE) {
        return nullptr;
    }
    FileBuffer file;
    if (!loadTextureFile(fileName, FILE_MINIMUM_RELOAD, MAX_FILE_SIZE, file)) {
        zqp::setLastError(ERROR_READ);
        return nullptr;
    }
    return reloadBody(file.data.get(), file.size);
}

ZqGlTexture* ZqGlTexture::reloadBody(const void* const data, const uint32_t size) {
    if (size >= MAX_FILE_SIZE) {
        zqp::setLastError(ERROR_TOO_LARGE);
        return nullptr;
    }
    // The new image is made on a second element of the same name, so that a failure leaves
    // this texture as it was.
    ZqGlTexture* const temporary = ZqRefList::createForce(getName());
    if (temporary == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    const uint32_t error = temporary->createBody(data, size, MIP_COUNT_DEFAULT);
    if (error != 0) {
        ZqRefList::release(temporary);
        zqp::setLastError(error);
        return nullptr;
    }
    releaseBody();
    m_pD3dTexture = std::move(temporary->m_pD3dTexture);
    m_width = temporary->m_width;
    m_height = temporary->m_height;
    m_type = temporary->m_type;
    m_flags = temporary->m_flags;
    m_format = temporary->m_format;
    m_widthReciprocal = temporary->m_widthReciprocal;
    m_heightReciprocal = temporary->m_heightReciprocal;
    temporary->releaseBody();
    ZqRefList::release(temporary);
    return this;
}

// ---------------------------------------------------------------------------------------------
// Dynamic textures and render targets

ZqGlTexture* ZqGlTexture::createDynamic(const uint32_t width, const uint32_t height) {
    if (m_pCriticalSection == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqGlTexture* const t = ZqRefList::createForce(u"*dynamic");
    if (t == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    const uint32_t error = t->createDynamicBody(width, height);
    if (error != 0) {
        ZqRefList::release(t);
        zqp::setLastError(error);
        return nullptr;
    }
    return t;
}

uint32_t ZqGlTexture::createDynamicBody(const uint32_t width, const uint32_t height) {
    m_type = TYPE_DYNAMIC;
    m_flags = 0;
    if (!zq_texture::isPowerOfTwo(width) || !zq_texture::isPowerOfTwo(height) ||
        width > zq_texture::MAX_SIZE || height > zq_texture::MAX_SIZE) {
        return ERROR_SIZE;
    }
    gpu::Device* const device = ZqGlSystem::getD3dDevice();
    if (device == nullptr ||
        device->createTexture(width, height, 1, 0, deviceFormat(FORMAT_X8R8G8B8),
                              gpu::Pool::Managed, m_pD3dTexture) != gpu::Result::Ok) {
        releaseBody();
        return ERROR_CREATE;
    }
    m_format = readFormat(*m_pD3dTexture);
    if (m_format != FORMAT_X8R8G8B8 && m_format != FORMAT_A1R5G5B5) {
        releaseBody();
        return ERROR_FORMAT;
    }
    setSize(width, height);
    return 0;
}

ZqGlTexture* ZqGlTexture::createRenderTarget(const uint32_t width, const uint32_t height,
                                             const FORMAT format, const bool withDepth) {
    if (m_pCriticalSection == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqGlTexture* const t = ZqRefList::createForce(u"*renderTarget");
    if (t == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    const uint32_t error = t->createRenderTargetBody(width, height, format, withDepth);
    if (error != 0) {
        ZqRefList::release(t);
        zqp::setLastError(error);
        return nullptr;
    }
    return t;
}

uint32_t ZqGlTexture::createRenderTargetBody(const uint32_t width, const uint32_t height,
                                             const FORMAT format, const bool withDepth) {
    m_type = TYPE_RENDER_TARGET;
    m_flags = 0;
    m_withDepth = withDepth;
    m_format = format;
    // Checked first: a target too large is refused alike whatever the device could make.
    if (width > zq_texture::MAX_SIZE || height > zq_texture::MAX_SIZE) {
        return ERROR_SIZE;
    }
    gpu::Device* const device = ZqGlSystem::getD3dDevice();
    uint32_t error = 0;
    gpu::SurfaceDesc desc;
    if (device == nullptr ||
        device->createTexture(width, height, 1, gpu::usage::RENDERTARGET, deviceFormat(format),
                              gpu::Pool::Default, m_pD3dTexture) != gpu::Result::Ok) {
        error = ERROR_CREATE;
    } else if (m_pD3dTexture->getSurfaceLevel(0, m_pRenderSurface) != gpu::Result::Ok ||
               m_pRenderSurface == nullptr) {
        error = ERROR_SURFACE;
    } else if (withDepth &&
               (m_pD3dTexture->getLevelDesc(0, desc) != gpu::Result::Ok ||
                device->createDepthStencilSurface(desc.width, desc.height, gpu::Format::D24S8,
                                                  gpu::MultiSample::None, 0, true,
                                                  m_pDepthSurface) != gpu::Result::Ok)) {
        error = ERROR_DEPTH;
    } else if (readFormat(*m_pD3dTexture) != format) {
        error = ERROR_FORMAT;
    }
    if (error != 0) {
        releaseBody();
        return error;
    }
    setSize(width, height);
    return 0;
}

ZqGlTexture* ZqGlTexture::createRenderTargetZ(const uint32_t width, const uint32_t height,
                                              const FORMAT format) {
    if (m_pCriticalSection == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqGlTexture* const t = ZqRefList::createForce(u"*renderTargetZ");
    if (t == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    const uint32_t error = t->createRenderTargetZBody(width, height, format);
    if (error != 0) {
        ZqRefList::release(t);
        zqp::setLastError(error);
        return nullptr;
    }
    return t;
}

uint32_t ZqGlTexture::createRenderTargetZBody(const uint32_t width, const uint32_t height,
                                              const FORMAT format) {
    m_type = TYPE_RENDER_TARGET_Z;
    m_flags = 0;
    m_format = format;
    if (width > zq_texture::MAX_SIZE || height > zq_texture::MAX_SIZE) {
        return ERROR_SIZE;
    }
    gpu::Device* const device = ZqGlSystem::getD3dDevice();
    uint32_t error = 0;
    if (device == nullptr ||
        device->createTexture(width, height, 1, gpu::usage::RENDERTARGET, deviceFormat(format),
                              gpu::Pool::Default, m_pColorTexture) != gpu::Result::Ok) {
        error = ERROR_CREATE;
    } else if (m_pColorTexture->getSurfaceLevel(0, m_pRenderSurface) != gpu::Result::Ok ||
               m_pRenderSurface == nullptr) {
        error = ERROR_SURFACE;
    } else if (device->createTexture(width, height, 1, gpu::usage::DEPTHSTENCIL, gpu::Format::D24X8,
                                     gpu::Pool::Default, m_pD3dTexture) != gpu::Result::Ok) {
        error = ERROR_CREATE;
    } else if (m_pD3dTexture->getSurfaceLevel(0, m_pDepthSurface) != gpu::Result::Ok ||
               m_pDepthSurface == nullptr) {
        error = ERROR_DEPTH;
    } else if (readFormat(*m_pColorTexture) == FORMAT_UNKNOWN ||
               readFormat(*m_pD3dTexture) == FORMAT_UNKNOWN) {
        error = ERROR_FORMAT;
    }
    if (error != 0) {
        releaseBody();
        return error;
    }
    m_format = readFormat(*m_pColorTexture);
    setSize(width, height);
    return 0;
}

void ZqGlTexture::setSize(const uint32_t width, const uint32_t height) {
    m_width = static_cast<uint16_t>(width);
    m_height = static_cast<uint16_t>(height);
    m_widthReciprocal = 1.0f / static_cast<float>(width);
    m_heightReciprocal = 1.0f / static_cast<float>(height);
}

void ZqGlTexture::releaseBody() {
    if ((m_flags & FLAG_LOCKED) != 0 && m_pD3dTexture != nullptr) {
        m_pD3dTexture->unlockRect(0);
    }
    m_flags = 0;
    m_pRenderSurface.reset();
    m_pDepthSurface.reset();
    m_pColorTexture.reset();
    m_pD3dTexture.reset();
}

unsigned int ZqGlTexture::release() {
    const ZqLockGuard hold(*m_pCriticalSection);
    // An element already back in the pool has nothing left to drop.
    if (getRefCountBody() == 0) {
        return 0;
    }
    const unsigned int left = ZqRefList::release(this);
    if (left == 0) {
        releaseBody();
    }
    return left;
}

// ---------------------------------------------------------------------------------------------
// Access, drawing, device loss

bool ZqGlTexture::lock(unsigned int* const pitch, void** const bits) {
    if (bits == nullptr) {
        return false;
    }
    *bits = nullptr;
    gpu::LockedRect locked;
    if (m_pD3dTexture == nullptr ||
        m_pD3dTexture->lockRect(0, locked, nullptr, gpu::lock::DISCARD) != gpu::Result::Ok) {
        return false;
    }
    m_flags |= FLAG_LOCKED;
    if (pitch != nullptr) {
        *pitch = static_cast<unsigned int>(locked.pitch);
    }
    *bits = locked.bits;
    return true;
}

void ZqGlTexture::unlock() {
    if ((m_flags & FLAG_LOCKED) == 0) {
        return;
    }
    if (m_pD3dTexture != nullptr) {
        m_pD3dTexture->unlockRect(0);
    }
    m_flags &= static_cast<uint8_t>(~FLAG_LOCKED);
}

uint32_t ZqGlTexture::getNrMipmapLevels() const {
    return m_pD3dTexture != nullptr ? m_pD3dTexture->getLevelCount() : 0;
}

zqp::gpu::Surface* ZqGlTexture::getD3dRenderTextureSurface() const {
    return m_type == TYPE_RENDER_TARGET || m_type == TYPE_RENDER_TARGET_Z ? m_pRenderSurface.get()
                                                                          : nullptr;
}

zqp::gpu::Surface* ZqGlTexture::getD3dRenderDepthSurface() const {
    return m_type == TYPE_RENDER_TARGET || m_type == TYPE_RENDER_TARGET_Z ? m_pDepthSurface.get()
                                                                          : nullptr;
}

void ZqGlTexture::draw(const float x, const float y, const float z, const uint16_t u,
                       const uint16_t v, const uint16_t w, const uint16_t h) {
    ZqGlSprite::simpleDraw(this, x, y, z, u, v, w, h);
}

void ZqGlTexture::draw(const float x, const float y, const float z, const float sw, const float sh,
                       const uint16_t u, const uint16_t v, const uint16_t w, const uint16_t h) {
    ZqGlSprite::simpleDraw(this, x, y, z, sw, sh, u, v, w, h);
}

void ZqGlTexture::draw(const float x, const float y, const float z, const float sw, const float sh,
                       const float px, const float py, const float s, const float c,
                       const uint16_t u, const uint16_t v, const uint16_t w, const uint16_t h) {
    ZqGlSprite::simpleDraw(this, x, y, z, sw, sh, px, py, s, c, u, v, w, h);
}

void ZqGlTexture::onLostDevice() {
    if (m_pCriticalSection == nullptr) {
        return;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    for (ZqGlTexture* t = getUsed(); t != nullptr; t = t->getNext()) {
        if (t->m_type != TYPE_IMAGE) {
            t->releaseBody();
        }
    }
}

void ZqGlTexture::onResetDevice() {
    if (m_pCriticalSection == nullptr) {
        return;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    for (ZqGlTexture* t = getUsed(); t != nullptr; t = t->getNext()) {
        uint32_t error = 0;
        switch (t->m_type) {
        case TYPE_DYNAMIC:
            error = t->createDynamicBody(t->m_width, t->m_height);
            break;
        case TYPE_RENDER_TARGET:
            error = t->createRenderTargetBody(t->m_width, t->m_height, t->m_format, t->m_withDepth);
            break;
        case TYPE_RENDER_TARGET_Z:
            error = t->createRenderTargetZBody(t->m_width, t->m_height, t->m_format);
            break;
        default:
            break;
        }
        if (error != 0) {
            throw ZqError::TEXTURE_RESET;
        }
    }
}
