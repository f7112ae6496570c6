#include "dorvanex/core/render/GameRender.h"

#include "zq/gl/ZqGlShader.h"
#include "zq/gl/ZqGlState.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/gl/ZqGlTexture.h"
#include "zq/math/ZqMatrix.h"
#include "zq/platform/gpu/gpu.h"

#include <memory>

namespace gpu = zqp::gpu;

namespace {

constexpr ZqGlTexture::FORMAT FORMAT_ARGB32 = 21;
constexpr uint32_t CLEAR_ALL = 1 | 2 | 4;
constexpr uint32_t OPAQUE_BLACK = 0xFF000000u;

ZqGlTexture* g_offscreen[2] = {};
uint8_t g_selector = 0;
ZqGlTexture* g_renderTarget = nullptr;
std::shared_ptr<gpu::VertexDeclaration> g_declarations[2];
std::shared_ptr<gpu::VertexDeclaration> g_presentDeclaration;

struct PresentVertex {
    float x, y, z;
    float u, v;
};

// Techniques of the default effect by sprite kind: with a texture, without.
constexpr unsigned int SPRITE_TECHNIQUE[2][2] = {{8, 6}, {2, 0}};

// Copies the target onto the current render target when both have one size.
bool blitWhole(gpu::Device& device, const ZqGlTexture& target) {
    std::shared_ptr<gpu::Surface> src;
    std::shared_ptr<gpu::Surface> dst;
    gpu::SurfaceDesc sd{};
    gpu::SurfaceDesc dd{};
    if (target.getD3dTexture()->getSurfaceLevel(0, src) != gpu::Result::Ok ||
        device.getRenderTarget(0, dst) != gpu::Result::Ok || src->getDesc(sd) != gpu::Result::Ok ||
        dst->getDesc(dd) != gpu::Result::Ok || sd.width != dd.width || sd.height != dd.height) {
        return false;
    }
    return device.stretchRect(src.get(), nullptr, dst.get(), nullptr, gpu::TEXFILTER_POINT) ==
           gpu::Result::Ok;
}

} // namespace

bool createOffscreenTargets() {
    for (ZqGlTexture*& target : g_offscreen) {
        if (target == nullptr) {
            target = ZqGlTexture::createRenderTarget(OFFSCREEN_WIDTH, OFFSCREEN_HEIGHT,
                                                     FORMAT_ARGB32, true);
        }
    }
    return g_offscreen[0] != nullptr && g_offscreen[1] != nullptr;
}

void releaseOffscreenTargets() {
    for (ZqGlTexture*& target : g_offscreen) {
        if (target != nullptr) {
            if (g_renderTarget == target) {
                g_renderTarget = nullptr;
            }
            target->release();
            target = nullptr;
        }
    }
    g_selector = 0;
}

bool createGameVertexDeclarations() {
    gpu::Device* const device = ZqGlSystem::getD3dDevice();
    if (device == nullptr) {
        return false;
    }
    const uint8_t usages[2] = {gpu::DECLUSAGE_POSITIONT, gpu::DECLUSAGE_POSITION};
    bool ok = true;
    for (uint32_t kind = 0; kind < 2; ++kind) {
        const gpu::VertexElement elements[] = {
            {0, 0, gpu::DECLTYPE_FLOAT4, gpu::DECLMETHOD_DEFAULT, usages[kind], 0},
            {0, 16, gpu::DECLTYPE_D3DCOLOR, gpu::DECLMETHOD_DEFAULT, gpu::DECLUSAGE_COLOR, 0},
            {0, 20, gpu::DECLTYPE_FLOAT2, gpu::DECLMETHOD_DEFAULT, gpu::DECLUSAGE_TEXCOORD, 0},
            gpu::declEnd(),
        };
        ok = device->createVertexDeclaration(elements, g_declarations[kind]) == gpu::Result::Ok &&
             ok;
    }
    const gpu::VertexElement present[] = {
        {0, 0, gpu::DECLTYPE_FLOAT3, gpu::DECLMETHOD_DEFAULT, gpu::DECLUSAGE_POSITION, 0},
        {0, 12, gpu::DECLTYPE_FLOAT2, gpu::DECLMETHOD_DEFAULT, gpu::DECLUSAGE_TEXCOORD, 0},
        gpu::declEnd(),
    };
    ok = device->createVertexDeclaration(present, g_presentDeclaration) == gpu::Result::Ok && ok;
    return ok;
}

void releaseGameVertexDeclarations() {
    g_declarations[0].reset();
    g_declarations[1].reset();
    g_presentDeclaration.reset();
}

void setOffscreenTargetSelector(const uint8_t selector) {
    g_selector = selector;
}

uint8_t getOffscreenTargetSelector() {
    return g_selector;
}

ZqGlTexture* getCurrentOffscreenTarget() {
    return g_offscreen[g_selector != 0 ? 1 : 0];
}

void setRenderTarget(ZqGlTexture* const target) {
    g_renderTarget = target;
    ZqGlSystem::setRenderTarget(target);
}

ZqGlTexture* getRenderTarget() {
    return g_renderTarget;
}

void clearRenderTarget() {
    ZqGlTexture* const target = getCurrentOffscreenTarget();
    if (target == nullptr) {
        return;
    }
    setRenderTarget(target);
    ZqGlSystem::clear(CLEAR_ALL, OPAQUE_BLACK, 1.0f, 0);
}

void presentRenderTarget() {
    using gpu::RenderState;
    using gpu::SamplerState;
    using gpu::TextureStageState;
    setRenderTarget(nullptr);
    ZqGlSystem::clear(CLEAR_ALL, OPAQUE_BLACK, 1.0f, 0);
    gpu::Device* const device = ZqGlSystem::getD3dDevice();
    ZqGlTexture* const target = getCurrentOffscreenTarget();
    if (device == nullptr || target == nullptr) {
        return;
    }
    const gpu::Matrix identity{};
    device->setTexture(0, target->getD3dTexture().get());
    device->setTransform(gpu::TransformState::World, identity);
    device->setTransform(gpu::TransformState::View, identity);
    device->setTransform(gpu::TransformState::Projection, identity);
    device->setRenderState(RenderState::FillMode, gpu::FILLMODE_SOLID);
    device->setRenderState(RenderState::ZWriteEnable, 1);
    device->setRenderState(RenderState::StencilEnable, 0);
    device->setRenderState(RenderState::CullMode, gpu::CULLMODE_NONE);
    device->setRenderState(RenderState::Lighting, 0);
    device->setRenderState(RenderState::AlphaBlendEnable, 0);
    device->setRenderState(RenderState::AlphaTestEnable, 0);
    device->setRenderState(RenderState::Wrap0, 0);
    device->setSamplerState(0, SamplerState::AddressU, gpu::TEXADDR_CLAMP);
    device->setSamplerState(0, SamplerState::AddressV, gpu::TEXADDR_CLAMP);
    device->setSamplerState(0, SamplerState::MagFilter, gpu::TEXFILTER_ANISOTROPIC);
    device->setSamplerState(0, SamplerState::MinFilter, gpu::TEXFILTER_ANISOTROPIC);
    device->setSamplerState(0, SamplerState::MipFilter, gpu::TEXFILTER_ANISOTROPIC);
    // The device's own stages: the texel as it is.
    device->setTextureStageState(0, TextureStageState::ColorOp, gpu::TOP_SELECTARG1);
    device->setTextureStageState(0, TextureStageState::ColorArg1, gpu::TA_TEXTURE);
    device->setTextureStageState(0, TextureStageState::AlphaOp, gpu::TOP_SELECTARG1);
    device->setTextureStageState(0, TextureStageState::AlphaArg1, gpu::TA_TEXTURE);
    device->setVertexShader(nullptr);
    device->setPixelShader(nullptr);
    device->setVertexDeclaration(g_presentDeclaration.get());
    // The device puts pixel centres on integer positions, so texture coordinates that run
    // from edge to edge would sample between texels and blur the picture; moved by half a
    // texel they hit each texel's centre and the target comes out texel for texel.
    const float du = 0.5f / static_cast<float>(OFFSCREEN_WIDTH);
    const float dv = 0.5f / static_cast<float>(OFFSCREEN_HEIGHT);
    const PresentVertex quad[4] = {
        {-1.0f, 1.0f, 0.0f, du, dv},
        {1.0f, 1.0f, 0.0f, 1.0f + du, dv},
        {-1.0f, -1.0f, 0.0f, du, 1.0f + dv},
        {1.0f, -1.0f, 0.0f, 1.0f + du, 1.0f + dv},
    };
    // Target and back buffer of one size: the picture is copied as it is, which gives the
    // same pixels as the quad at a fraction of the cost on a software rasteriser; the quad
    // (with the states above) remains for a back buffer of another size.
    if (!blitWhole(*device, *target)) {
        device->drawPrimitiveUP(gpu::PrimitiveType::TriangleStrip, 2, quad, sizeof(PresentVertex));
    }
    device->setTexture(0, nullptr);
}

void setSpriteRenderState(const uint32_t kind, const uint32_t blend, const bool depthWrite,
                          const ZqGlTexture* const texture) {
    ZqGlShader* const shader = ZqGlShader::getDefaultShader();
    ZqGlState* const state = ZqGlState::getCurrent();
    gpu::Device* const device = ZqGlSystem::getD3dDevice();
    if (shader == nullptr || state == nullptr || kind > VERTEX_KIND_WORLD) {
        return;
    }
    state->setAlphaBlendEnable(true);
    state->setBlendOp(ZqGlState::BLENDOP_ADD);
    if (blend == 1) {
        state->setSrcBlend(ZqGlState::BLEND_ONE);
        state->setDestBlend(ZqGlState::BLEND_ONE);
    } else {
        state->setSrcBlend(ZqGlState::BLEND_SRCALPHA);
        state->setDestBlend(ZqGlState::BLEND_INVSRCALPHA);
    }
    state->setAlphaTestEnable(true);
    state->setAlphaFunc(ZqGlState::CMPFUNC_GREATER);
    state->setAlphaRef(static_cast<uint8_t>(5));
    state->setZWriteEnable(depthWrite);
    state->setCullMode(ZqGlState::CULLMODE_NONE);
    shader->setTechnique(SPRITE_TECHNIQUE[kind][texture != nullptr ? 0 : 1]);
    if (texture != nullptr) {
        shader->setParamTexture(0, texture);
    }
    if (kind == VERTEX_KIND_WORLD) {
        shader->setParamModelViewMatrix(ZqMatrix::UNIT);
        state->setZFunc(ZqGlState::CMPFUNC_LESSEQUAL);
    } else {
        state->setZFunc(ZqGlState::CMPFUNC_ALWAYS);
    }
    if (device != nullptr) {
        device->setVertexDeclaration(g_declarations[kind].get());
    }
    ZqGlState::setTextureAddressingU(0, ZqGlState::TEXADDR_CLAMP);
    ZqGlState::setTextureAddressingV(0, ZqGlState::TEXADDR_CLAMP);
    ZqGlState::setTextureAddressingW(0, ZqGlState::TEXADDR_CLAMP);
    ZqGlState::setTextureMagFilter(0, ZqGlState::TEXFILTER_LINEAR);
    ZqGlState::setTextureMinFilter(0, ZqGlState::TEXFILTER_LINEAR);
    ZqGlState::setTextureMipFilter(0, ZqGlState::TEXFILTER_LINEAR);
}

void drawSpriteQuad(const GameVertex* const vertices) {
    gpu::Device* const device = ZqGlSystem::getD3dDevice();
    if (device == nullptr || vertices == nullptr) {
        return;
    }
    device->drawPrimitiveUP(gpu::PrimitiveType::TriangleStrip, 2, vertices, sizeof(GameVertex));
}
