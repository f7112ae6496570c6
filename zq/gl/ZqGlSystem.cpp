#include "zq/gl/ZqGlSystem.h"

#include "zq/gl/ZqGlAnimation.h"
#include "zq/gl/ZqGlAnimationMixer.h"
#include "zq/gl/ZqGlAnimationPlayer.h"
#include "zq/gl/ZqGlCamera.h"
#include "zq/gl/ZqGlCameraAnimation.h"
#include "zq/gl/ZqGlCameraAnimationPlayer.h"
#include "zq/gl/ZqGlFog.h"
#include "zq/gl/ZqGlFont.h"
#include "zq/gl/ZqGlKeyFrame.h"
#include "zq/gl/ZqGlKeyFramePlayer.h"
#include "zq/gl/ZqGlLight.h"
#include "zq/gl/ZqGlLine.h"
#include "zq/gl/ZqGlModel.h"
#include "zq/gl/ZqGlPrimitive.h"
#include "zq/gl/ZqGlQuery.h"
#include "zq/gl/ZqGlShader.h"
#include "zq/gl/ZqGlShadowMap.h"
#include "zq/gl/ZqGlShowTexture.h"
#include "zq/gl/ZqGlSprite.h"
#include "zq/gl/ZqGlState.h"
#include "zq/gl/ZqGlTexture.h"
#include "zq/gl/ZqGlTextureAnimation.h"
#include "zq/gl/ZqGlTextureAnimationPlayer.h"
#include "zq/gl/ZqGlTextureSet.h"
#include "zq/math/ZqPoint.h"
#include "zq/platform/gpu/gpu.h"
#include "zq/platform/gpu/gpu_caps.h"
#include "zq/system/ZqError.h"
#include "zq/system/ZqSystem.h"
#include "zq/u/transition/ZquScreenTransition.h"

#include <bit>

namespace gpu = zqp::gpu;

bool ZqGlSystem::m_bFullScreen = false;
std::shared_ptr<gpu::System> ZqGlSystem::m_pD3d;
std::shared_ptr<gpu::Device> ZqGlSystem::m_pD3dDevice;
std::shared_ptr<gpu::Surface> ZqGlSystem::m_pD3dBackBuffer;
std::shared_ptr<gpu::Surface> ZqGlSystem::m_pD3dZBuffer;
std::shared_ptr<gpu::Texture> ZqGlSystem::m_pD3dBackTexture2;
std::shared_ptr<gpu::Surface> ZqGlSystem::m_pD3dBackBuffer2;
std::shared_ptr<gpu::Surface> ZqGlSystem::m_pD3dZBuffer2;
std::shared_ptr<gpu::VertexDeclaration> ZqGlSystem::m_pStretchDecl;
gpu::Caps ZqGlSystem::m_d3dCaps;
uint32_t ZqGlSystem::m_devBehavior = 0;
uint32_t ZqGlSystem::m_vendorId = 0;
float ZqGlSystem::m_width = 0.0f;
float ZqGlSystem::m_height = 0.0f;
ZqGlSystem::FSAA ZqGlSystem::m_fsaa = FSAA_NONE;
float ZqGlSystem::m_reservedWidth = 0.0f;
float ZqGlSystem::m_reservedHeight = 0.0f;
bool ZqGlSystem::m_reservedFullScreen = false;
ZqGlSystem::FSAA ZqGlSystem::m_reservedFsaa = FSAA_NONE;
uint32_t ZqGlSystem::m_vbFsaas[2] = {0, 0};
float ZqGlSystem::m_renderTargetWidth = 0.0f;
float ZqGlSystem::m_renderTargetHeight = 0.0f;
float ZqGlSystem::m_renderTargetWidthHalf = 0.0f;
float ZqGlSystem::m_renderTargetHeightHalf = 0.0f;
float ZqGlSystem::m_renderTargetWidthHalfReciprocal = 0.0f;
float ZqGlSystem::m_renderTargetHeightHalfReciprocal = 0.0f;
uint32_t ZqGlSystem::m_nrFullScreenResolutions[2] = {0, 0};
int32_t ZqGlSystem::m_savedWindowX = 0;
int32_t ZqGlSystem::m_savedWindowY = 0;

namespace {

// Device-creation rows, tried in order.
struct CreationRow {
    uint32_t behavior;
};
constexpr CreationRow CREATION_ROWS[] = {
    {gpu::create::HARDWARE_VERTEXPROCESSING | gpu::create::MULTITHREADED},
    {gpu::create::SOFTWARE_VERTEXPROCESSING | gpu::create::MULTITHREADED},
};

// The two display formats whose full-screen modes count.
constexpr gpu::Format MODE_FORMATS[2] = {gpu::Format::X8R8G8B8, gpu::Format::A8R8G8B8};

gpu::MultiSample multiSampleOf(const ZqGlSystem::FSAA fsaa) {
    return fsaa == ZqGlSystem::FSAA_NONE ? gpu::MultiSample::None
                                         : gpu::multiSampleOf(static_cast<uint32_t>(fsaa) + 1);
}

gpu::Format displayFormat(const gpu::System& system) {
    gpu::DisplayMode mode;
    if (system.getAdapterDisplayMode(0, mode) != gpu::Result::Ok ||
        mode.format == gpu::Format::Unknown) {
        return gpu::Format::X8R8G8B8;
    }
    return mode.format;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Start and stop

void ZqGlSystem::sysInit(const float width, const float height, const bool fullScreen) {
    // A second start begins from nothing: every object of an earlier device goes.
    releaseSurfaces();
    m_pStretchDecl.reset();
    m_pD3dDevice.reset();
    m_pD3d.reset();
    m_reservedWidth = 0.0f;
    m_vendorId = 0;

    // The adapter object, and the size rule for the start size.
    m_pD3d = gpu::createSystem();
    if (m_pD3d == nullptr) {
        throw ZqError::DEVICE_SYSTEM;
    }
    if (!isValidGameSize(width, height, fullScreen)) {
        throw ZqError::DEVICE_SIZE;
    }

    // The device: multisample support, present parameters, then the two creation rows in turn.
    checkMultiSampleType();
    gpu::PresentParams params;
    createD3DPresentParams(width, height, fullScreen, FSAA_NONE, &params);
    bool created = false;
    for (uint32_t row = 0; row < std::size(CREATION_ROWS) && !created; ++row) {
        gpu::PresentParams tried = params;
        if (m_pD3d->createDevice(0, gpu::DeviceType::Hal, ZqSystem::getWindowHandle(),
                                 CREATION_ROWS[row].behavior, tried,
                                 m_pD3dDevice) == gpu::Result::Ok) {
            m_devBehavior = row;
            created = true;
        }
    }
    if (!created) {
        throw ZqError::DEVICE_NOT_AVAILABLE;
    }

    // The capability record, and the verdict of the capability report.
    m_d3dCaps = {};
    if (m_pD3dDevice->getDeviceCaps(m_d3dCaps) != gpu::Result::Ok) {
        throw ZqError::DEVICE_CAPS;
    }
    if (reportDeviceCaps(nullptr) != 0) {
        throw ZqError::GRAPHICS_CARD;
    }

    // The graphics classes, each with its pool.
    ZqGlShader::sysInit();
    ZqGlQuery::sysInit();
    ZqGlState::sysInit();
    ZqGlCamera::sysInit();
    ZqGlFont::sysInit();
    ZqGlLight::sysInit();
    ZqGlFog::sysInit();
    ZqGlTexture::sysInit();
    ZqGlPrimitive::sysInit();
    ZqGlKeyFrame::sysInit();
    ZqGlKeyFramePlayer::sysInit();
    ZqGlAnimation::sysInit();
    ZqGlAnimationPlayer::sysInit();
    ZqGlAnimationMixer::sysInit();
    ZqGlCameraAnimation::sysInit();
    ZqGlCameraAnimationPlayer::sysInit();
    ZqGlTextureAnimation::sysInit();
    ZqGlTextureAnimationPlayer::sysInit();
    ZqGlModel::sysInit();
    ZqGlSprite::sysInit();
    ZqGlShadowMap::sysInit();
    ZqGlShowTexture::sysInit();
    ZqGlTextureSet::sysInit();
    ZqGlLine::sysInit();
    ZquScreenTransition::sysInit();

    // The first reset at the start size sets up the surfaces.
    setGameSizeBody(width, height, fullScreen, FSAA_NONE);
}

void ZqGlSystem::sysQuit() {
    if (m_pD3dDevice != nullptr) {
        ZquScreenTransition::sysQuit();
        ZqGlLine::sysQuit();
        ZqGlTextureSet::sysQuit();
        ZqGlShowTexture::sysQuit();
        ZqGlShadowMap::sysQuit();
        ZqGlSprite::sysQuit();
        ZqGlModel::sysQuit();
        ZqGlCameraAnimationPlayer::sysQuit();
        ZqGlCameraAnimation::sysQuit();
        ZqGlTextureAnimationPlayer::sysQuit();
        ZqGlTextureAnimation::sysQuit();
        ZqGlAnimationMixer::sysQuit();
        ZqGlAnimationPlayer::sysQuit();
        ZqGlAnimation::sysQuit();
        ZqGlKeyFramePlayer::sysQuit();
        ZqGlKeyFrame::sysQuit();
        ZqGlPrimitive::sysQuit();
        ZqGlTexture::sysQuit();
        ZqGlLight::sysQuit();
        ZqGlFont::sysQuit();
        ZqGlCamera::sysQuit();
        ZqGlState::sysQuit();
        ZqGlQuery::sysQuit();
        ZqGlShader::sysQuit();
        ZqGlShader::releaseEffectPool();
    }
    releaseSurfaces();
    m_pStretchDecl.reset();
    m_pD3dDevice.reset();
    m_pD3d.reset();
    m_reservedWidth = 0.0f;
}

void ZqGlSystem::releaseSurfaces() {
    m_pD3dBackBuffer2.reset();
    m_pD3dBackTexture2.reset();
    m_pD3dZBuffer2.reset();
    m_pD3dBackBuffer.reset();
    m_pD3dZBuffer.reset();
}

// ---------------------------------------------------------------------------------------------
// Sizes, modes and anti-aliasing

bool ZqGlSystem::isValidGameSize(const float width, const float height, const bool fullScreen) {
    if (!(width >= SIZE_MIN && width < SIZE_LIMIT && height >= SIZE_MIN && height < SIZE_LIMIT)) {
        return false;
    }
    if (!fullScreen) {
        return true;
    }
    const uint32_t n = getNrFullScreenResolutions();
    for (uint32_t i = 0; i < n; ++i) {
        float w = 0.0f;
        float h = 0.0f;
        if (getFullScreenResolution(i, &w, &h, nullptr) && w == width && h == height) {
            return true;
        }
    }
    return false;
}

bool ZqGlSystem::setGameSize(const float width, const float height, const bool fullScreen,
                             const FSAA fsaa) {
    if (m_pD3d == nullptr || !isValidGameSize(width, height, fullScreen) ||
        static_cast<uint32_t>(fsaa) >= NR_FSAA ||
        (m_vbFsaas[fullScreen ? 1 : 0] & (1u << fsaa)) == 0) {
        return false;
    }
    m_reservedWidth = width;
    m_reservedHeight = height;
    m_reservedFullScreen = fullScreen;
    m_reservedFsaa = fsaa;
    return true;
}

void ZqGlSystem::winProcDisplayChange(zqp::WParam, zqp::LParam) {
    m_reservedWidth = m_width;
    m_reservedHeight = m_height;
    m_reservedFullScreen = m_bFullScreen;
    m_reservedFsaa = m_fsaa;
}

uint32_t ZqGlSystem::getNrFullScreenResolutions() {
    for (uint32_t i = 0; i < 2; ++i) {
        m_nrFullScreenResolutions[i] =
            m_pD3d != nullptr ? m_pD3d->getAdapterModeCount(0, MODE_FORMATS[i]) : 0;
    }
    return m_nrFullScreenResolutions[0] + m_nrFullScreenResolutions[1];
}

bool ZqGlSystem::getFullScreenResolution(uint32_t index, float* const width, float* const height,
                                         uint32_t* const refreshRate) {
    if (m_pD3d == nullptr) {
        return false;
    }
    uint32_t format = 0;
    if (index >= m_nrFullScreenResolutions[0]) {
        index -= m_nrFullScreenResolutions[0];
        format = 1;
        if (index >= m_nrFullScreenResolutions[1]) {
            return false;
        }
    }
    gpu::DisplayMode mode;
    if (m_pD3d->enumAdapterModes(0, MODE_FORMATS[format], index, mode) != gpu::Result::Ok) {
        return false;
    }
    if (width != nullptr) {
        *width = static_cast<float>(mode.width);
    }
    if (height != nullptr) {
        *height = static_cast<float>(mode.height);
    }
    if (refreshRate != nullptr) {
        *refreshRate = mode.refreshRate;
    }
    return true;
}

void ZqGlSystem::checkMultiSampleType() {
    m_vbFsaas[0] = 0;
    m_vbFsaas[1] = 0;
    const gpu::Format format = displayFormat(*m_pD3d);
    for (uint32_t n = 0; n < NR_FSAA; ++n) {
        const gpu::MultiSample ms = multiSampleOf(static_cast<FSAA>(n));
        if (m_pD3d->checkDeviceMultiSampleType(0, gpu::DeviceType::Hal, format, true, ms,
                                               nullptr) == gpu::Result::Ok) {
            m_vbFsaas[0] |= 1u << n;
        }
        if (m_pD3d->checkDeviceMultiSampleType(0, gpu::DeviceType::Hal, format, false, ms,
                                               nullptr) == gpu::Result::Ok) {
            m_vbFsaas[1] |= 1u << n;
        }
    }
}

uint32_t ZqGlSystem::getNrFsaaValues(const bool fullScreen) {
    return static_cast<uint32_t>(std::popcount(m_vbFsaas[fullScreen ? 1 : 0] & 0xFFFFu));
}

ZqGlSystem::FSAA ZqGlSystem::getFsaaValue(uint32_t index, const bool fullScreen) {
    const uint32_t bits = m_vbFsaas[fullScreen ? 1 : 0] & 0xFFFFu;
    for (uint32_t n = 0; n < NR_FSAA; ++n) {
        if ((bits & (1u << n)) != 0) {
            if (index == 0) {
                return static_cast<FSAA>(n);
            }
            --index;
        }
    }
    return FSAA_NONE;
}

bool ZqGlSystem::checkReourceFormatSupport(const gpu::Format format,
                                           const gpu::ResourceType resourceType,
                                           const uint32_t usage) {
    return m_pD3d != nullptr &&
           m_pD3d->checkDeviceFormat(0, gpu::DeviceType::Hal, displayFormat(*m_pD3d), usage,
                                     resourceType, format) == gpu::Result::Ok;
}

// ---------------------------------------------------------------------------------------------
// Presentation parameters and the size change

void ZqGlSystem::createD3DPresentParams(const float width, const float height,
                                        const bool fullScreen, const FSAA fsaa,
                                        gpu::PresentParams* const params) {
    *params = {};
    params->backBufferWidth = static_cast<uint32_t>(width);
    params->backBufferHeight = static_cast<uint32_t>(height);
    params->backBufferFormat = displayFormat(*m_pD3d);
    params->backBufferCount = 1;
    params->multiSampleType = multiSampleOf(fsaa);
    params->multiSampleQuality = 0;
    params->swapEffect = gpu::SwapEffect::Discard;
    params->deviceWindow = ZqSystem::getWindowHandle();
    params->windowed = !fullScreen;
    params->enableAutoDepthStencil = true;
    params->autoDepthStencilFormat = gpu::Format::D24S8;
    params->flags = 0;
    params->fullScreenRefreshRate = 0;
    params->presentationInterval = gpu::present::INTERVAL_DEFAULT;
    if (!fullScreen && m_vendorId == VENDOR_ID_STRETCHED) {
        // This adapter takes the window's client size for the back buffer.
        params->backBufferWidth = 0;
        params->backBufferHeight = 0;
    }
    m_width = width;
    m_height = height;
    setRenderTargetSize(width, height);
    m_fsaa = fsaa;
    m_bFullScreen = fullScreen;
}

void ZqGlSystem::setRenderTargetSize(const float width, const float height) {
    m_renderTargetWidth = width;
    m_renderTargetHeight = height;
    m_renderTargetWidthHalf = width * 0.5f;
    m_renderTargetHeightHalf = height * 0.5f;
    m_renderTargetWidthHalfReciprocal = 1.0f / m_renderTargetWidthHalf;
    m_renderTargetHeightHalfReciprocal = 1.0f / m_renderTargetHeightHalf;
}

bool ZqGlSystem::setGameSizeBody(const float width, const float height, const bool fullScreen,
                                 const FSAA fsaa) {
    // Refuse sizes and multisample values the adapter cannot give.
    if (!isValidGameSize(width, height, fullScreen) || static_cast<uint32_t>(fsaa) >= NR_FSAA ||
        (m_vbFsaas[fullScreen ? 1 : 0] & (1u << fsaa)) == 0) {
        return false;
    }
    // Entering full screen: remember where the window was.
    if (!m_bFullScreen && fullScreen) {
        ZqPoint position(0, 0);
        if (ZqSystem::getWindowPosition(&position)) {
            m_savedWindowX = position.x;
            m_savedWindowY = position.y;
        }
    }
    const bool leavingFullScreen = m_bFullScreen && !fullScreen;

    // What does not live through a reset goes first.
    ZqGlLine::onLostDevice();
    ZqGlTexture::onLostDevice();
    ZqGlFont::onLostDevice();
    ZqGlShader::onLostDevice();
    releaseSurfaces();

    // The window takes the new size; the device is reset with parameters of that size.
    ZqSystem::setWindowClientSize(static_cast<uint16_t>(width), static_cast<uint16_t>(height),
                                  fullScreen);
    gpu::PresentParams params;
    createD3DPresentParams(width, height, fullScreen, fsaa, &params);
    switch (m_pD3dDevice->reset(params)) {
    case gpu::Result::Ok:
        break;
    case gpu::Result::NotAvailable:
        throw ZqError::DEVICE_NOT_AVAILABLE;
    case gpu::Result::InvalidCall:
        throw ZqError::RESET_INVALID_CALL;
    case gpu::Result::OutOfMemory:
        throw ZqError::RESET_MEMORY;
    case gpu::Result::OutOfVideoMemory:
        throw ZqError::RESET_VIDEO_MEMORY;
    case gpu::Result::DeviceLost:
        throw ZqError::RESET_LOST;
    default:
        throw ZqError::RESET_FAILED;
    }

    // Leaving full screen: the window goes back where it was.
    if (leavingFullScreen) {
        const ZqPoint position(m_savedWindowX, m_savedWindowY);
        ZqSystem::setWindowPosition(&position);
    }

    // The back buffer and depth-stencil surface of the new size.
    if (m_pD3dDevice->getBackBuffer(0, m_pD3dBackBuffer) != gpu::Result::Ok) {
        throw ZqError::BACK_BUFFER;
    }
    if (m_pD3dDevice->getDepthStencilSurface(m_pD3dZBuffer) != gpu::Result::Ok) {
        throw ZqError::DEPTH_STENCIL;
    }

    // Only this adapter's back buffer may differ from the game size; the game then draws
    // into a target of its own size, stretched over the back buffer at the end of the frame.
    if (m_vendorId == VENDOR_ID_STRETCHED) {
        gpu::SurfaceDesc desc;
        if (m_pD3dBackBuffer->getDesc(desc) != gpu::Result::Ok) {
            throw ZqError::BACK_BUFFER_DESC;
        }
        const auto w = static_cast<uint32_t>(width);
        const auto h = static_cast<uint32_t>(height);
        if (desc.width != w || desc.height != h) {
            if (m_pD3dDevice->createTexture(w, h, 1, gpu::usage::RENDERTARGET,
                                            gpu::Format::X8R8G8B8, gpu::Pool::Default,
                                            m_pD3dBackTexture2) != gpu::Result::Ok) {
                throw ZqError::GAME_TEXTURE;
            }
            if (m_pD3dBackTexture2->getSurfaceLevel(0, m_pD3dBackBuffer2) != gpu::Result::Ok) {
                throw ZqError::GAME_TEXTURE_LEVEL;
            }
            gpu::SurfaceDesc level;
            if (m_pD3dBackBuffer2->getDesc(level) != gpu::Result::Ok) {
                throw ZqError::GAME_TEXTURE_DESC;
            }
            if (m_pD3dDevice->createDepthStencilSurface(
                    level.width, level.height, gpu::Format::D24S8, gpu::MultiSample::None, 0, true,
                    m_pD3dZBuffer2) != gpu::Result::Ok) {
                throw ZqError::GAME_DEPTH_STENCIL;
            }
        }
    }

    // The graphics classes re-make what they released.
    ZqGlShader::onResetDevice();
    ZqGlQuery::onResetDevice();
    ZqGlFont::onResetDevice();
    ZqGlTexture::onResetDevice();
    ZqGlPrimitive::onResetDevice();
    ZqGlSprite::onResetDevice();
    ZqGlLine::onResetDevice();
    return true;
}
