// The frame of ZqGlSystem: the reserved size change, the graphics classes' per-frame work,
// the scene with the draw tasks, the stretched picture, present and the lost device.
#include "zq/gl/ZqGlSystem.h"

#include "zq/gl/ZqGlCamera.h"
#include "zq/gl/ZqGlFog.h"
#include "zq/gl/ZqGlLight.h"
#include "zq/gl/ZqGlLine.h"
#include "zq/gl/ZqGlPrimitive.h"
#include "zq/gl/ZqGlShader.h"
#include "zq/gl/ZqGlShowTexture.h"
#include "zq/gl/ZqGlSprite.h"
#include "zq/gl/ZqGlState.h"
#include "zq/gl/ZqGlTexture.h"
#include "zq/platform/gpu/gpu.h"
#include "zq/system/ZqSystem.h"
#include "zq/task/ZqTask.h"
#include "zq/u/transition/ZquScreenTransition.h"

namespace gpu = zqp::gpu;

namespace {

// The stretched picture: position and one texture coordinate, 20 bytes.
struct StretchVertex {
    float x, y, z;
    float u, v;
};

constexpr gpu::VertexElement STRETCH_ELEMENTS[] = {
    {0, 0, gpu::DECLTYPE_FLOAT3, gpu::DECLMETHOD_DEFAULT, gpu::DECLUSAGE_POSITION, 0},
    {0, 12, gpu::DECLTYPE_FLOAT2, gpu::DECLMETHOD_DEFAULT, gpu::DECLUSAGE_TEXCOORD, 0},
    gpu::declEnd()};

} // namespace

void ZqGlSystem::render() {
    if (m_pD3dDevice == nullptr) {
        ZqTask::sysDrawDiscard();
        return;
    }
    // A size change asked for during the last frame is applied first.
    if (m_reservedWidth != 0.0f) {
        setGameSizeBody(m_reservedWidth, m_reservedHeight, m_reservedFullScreen, m_reservedFsaa);
        m_reservedWidth = 0.0f;
    }

    // The graphics classes' per-frame step.
    ZqGlShader::sysMain();
    ZqGlState::sysMain();
    ZqGlCamera::sysMain();
    ZqGlLight::setDirPosParam();
    ZqGlLight::setColorParam();
    ZqGlLight::setAttenutationParam();
    ZqGlFog::sysMain();
    if (ZqGlSprite::m_pCamera != nullptr) {
        // Top-left origin, y down.
        ZqGlSprite::m_pCamera->setOrthoOffCenter(0.0f, m_width, m_height, 0.0f, 0.0f, 1.0f);
    }
    ZqGlPrimitive::VertexDeclaration::m_currentVertexFormatMask = 0;
    ZqGlShowTexture::sysMain();
    ZqGlLine::sysMain();
    ZquScreenTransition::sysMain();

    // The scene: clear, transitions and draw tasks, then the stretch to the back buffer.
    if (m_pD3dDevice->beginScene() == gpu::Result::Ok) {
        setRenderTarget(nullptr);
        clear(gpu::clear::TARGET | gpu::clear::ZBUFFER | gpu::clear::STENCIL, 0, 1.0f, 0);
        ZquScreenTransition::sysDraw();
        ZqTask::sysDraw(ZqSystem::m_fTimeTick);
        if (m_pD3dBackTexture2 != nullptr) {
            drawStretched();
        }
        m_pD3dDevice->endScene();
    }

    // A lost device is reset as soon as it can be; until then each frame tries again.
    if (m_pD3dDevice->present() == gpu::Result::DeviceLost &&
        m_pD3dDevice->testCooperativeLevel() != gpu::Result::DeviceLost) {
        setGameSizeBody(m_width, m_height, m_bFullScreen, m_fsaa);
    }
}

void ZqGlSystem::drawStretched() {
    gpu::Device& d = *m_pD3dDevice;
    if (m_pStretchDecl == nullptr &&
        d.createVertexDeclaration(STRETCH_ELEMENTS, m_pStretchDecl) != gpu::Result::Ok) {
        return;
    }
    d.setTexture(0, m_pD3dBackTexture2.get());
    d.setRenderTarget(0, m_pD3dBackBuffer.get());
    d.setDepthStencilSurface(nullptr);
    const gpu::Matrix identity;
    d.setTransform(gpu::TransformState::World, identity);
    d.setTransform(gpu::TransformState::View, identity);
    d.setTransform(gpu::TransformState::Projection, identity);
    d.setRenderState(gpu::RenderState::ZEnable, gpu::ZBUFFERMODE_OFF);
    d.setRenderState(gpu::RenderState::ColorWriteEnable, 15);
    d.setRenderState(gpu::RenderState::FillMode, gpu::FILLMODE_SOLID);
    d.setRenderState(gpu::RenderState::FogEnable, 0);
    d.setRenderState(gpu::RenderState::AlphaTestEnable, 0);
    d.setRenderState(gpu::RenderState::AlphaBlendEnable, 0);
    d.setRenderState(gpu::RenderState::StencilEnable, 0);
    d.setRenderState(gpu::RenderState::ScissorTestEnable, 0);
    d.setRenderState(gpu::RenderState::CullMode, gpu::CULLMODE_NONE);
    d.setRenderState(gpu::RenderState::Lighting, 0);
    d.setRenderState(gpu::RenderState::SpecularEnable, 0);
    d.setRenderState(gpu::RenderState::Wrap0, 0);
    d.setSamplerState(0, gpu::SamplerState::AddressU, gpu::TEXADDR_CLAMP);
    d.setSamplerState(0, gpu::SamplerState::AddressV, gpu::TEXADDR_CLAMP);
    d.setSamplerState(0, gpu::SamplerState::MagFilter, gpu::TEXFILTER_LINEAR);
    d.setSamplerState(0, gpu::SamplerState::MinFilter, gpu::TEXFILTER_LINEAR);
    d.setSamplerState(0, gpu::SamplerState::MipFilter, gpu::TEXFILTER_NONE);
    // The device's own stages draw it: no effect's shaders may be left in place.
    d.setVertexShader(nullptr);
    d.setPixelShader(nullptr);
    d.setVertexDeclaration(m_pStretchDecl.get());
    const StretchVertex quad[4] = {{-1.0f, 1.0f, 0.0f, 0.0f, 0.0f},
                                   {1.0f, 1.0f, 0.0f, 1.0f, 0.0f},
                                   {-1.0f, -1.0f, 0.0f, 0.0f, 1.0f},
                                   {1.0f, -1.0f, 0.0f, 1.0f, 1.0f}};
    d.drawPrimitiveUP(gpu::PrimitiveType::TriangleStrip, 2, quad, sizeof(StretchVertex));
    d.setTexture(0, nullptr);
}

void ZqGlSystem::setRenderTarget(ZqGlTexture* const texture) {
    if (m_pD3dDevice == nullptr) {
        return;
    }
    gpu::Surface* colour = nullptr;
    gpu::Surface* depth = nullptr;
    if (texture == nullptr) {
        setRenderTargetSize(m_width, m_height);
        const bool stretched = m_pD3dBackBuffer2 != nullptr;
        colour = stretched ? m_pD3dBackBuffer2.get() : m_pD3dBackBuffer.get();
        depth = stretched ? m_pD3dZBuffer2.get() : m_pD3dZBuffer.get();
    } else {
        setRenderTargetSize(static_cast<float>(texture->getWidth()),
                            static_cast<float>(texture->getHeight()));
        colour = texture->getD3dRenderTextureSurface();
        depth = texture->getD3dRenderDepthSurface();
    }
    m_pD3dDevice->setRenderTarget(0, colour);
    m_pD3dDevice->setDepthStencilSurface(depth);
}

void ZqGlSystem::clear(const uint32_t flags, const uint32_t color, const float z,
                       const uint32_t stencil) {
    if (flags == 0 || m_pD3dDevice == nullptr) {
        return;
    }
    m_pD3dDevice->clear(0, nullptr, flags, color, z, stencil);
}
