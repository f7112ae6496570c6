// States of the OpenGL device as the callers set them: their defaults (also after a reset)
// and the setters and getters. They reach OpenGL just before the next clear or draw
// (gpu_gl_draw.cpp).
#include "zq/platform/gpu/gpu_gl_internal.h"

#include <algorithm>
#include <cstring>

namespace zqp::gpu::gl {

namespace {

uint32_t floatBits(const float f) {
    uint32_t u = 0;
    std::memcpy(&u, &f, 4);
    return u;
}

template <class T, class U> std::shared_ptr<T> sharedOf(U* const object) {
    return object != nullptr ? std::static_pointer_cast<T>(object->shared_from_this()) : nullptr;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Defaults

void GlDevice::resetStates() {
    m_rs.fill(0);
    const auto set = [this](const RenderState s, const uint32_t v) {
        m_rs[static_cast<size_t>(s)] = v;
    };
    set(RenderState::ZEnable, m_params.enableAutoDepthStencil ? ZBUFFERMODE_ON : ZBUFFERMODE_OFF);
    set(RenderState::FillMode, FILLMODE_SOLID);
    set(RenderState::ShadeMode, 2);
    set(RenderState::ZWriteEnable, 1);
    set(RenderState::LastPixel, 1);
    set(RenderState::SrcBlend, BLEND_ONE);
    set(RenderState::DestBlend, BLEND_ZERO);
    set(RenderState::CullMode, CULLMODE_CCW);
    set(RenderState::ZFunc, CMPFUNC_LESSEQUAL);
    set(RenderState::AlphaFunc, CMPFUNC_ALWAYS);
    set(RenderState::FogEnd, floatBits(1.0f));
    set(RenderState::FogDensity, floatBits(1.0f));
    set(RenderState::StencilFail, STENCILOP_KEEP);
    set(RenderState::StencilZFail, STENCILOP_KEEP);
    set(RenderState::StencilPass, STENCILOP_KEEP);
    set(RenderState::StencilFunc, CMPFUNC_ALWAYS);
    set(RenderState::StencilMask, 0xFFFFFFFFu);
    set(RenderState::StencilWriteMask, 0xFFFFFFFFu);
    set(RenderState::TextureFactor, 0xFFFFFFFFu);
    set(RenderState::Clipping, 1);
    set(RenderState::Lighting, 1);
    set(RenderState::ColorVertex, 1);
    set(RenderState::LocalViewer, 1);
    set(RenderState::DiffuseMaterialSource, 1);
    set(RenderState::SpecularMaterialSource, 2);
    set(RenderState::PointSize, floatBits(1.0f));
    set(RenderState::PointSizeMin, floatBits(1.0f));
    set(RenderState::MultiSampleAntialias, 1);
    set(RenderState::MultiSampleMask, 0xFFFFFFFFu);
    set(RenderState::ColorWriteEnable, 0xF);
    set(RenderState::BlendOp, BLENDOP_ADD);
    set(RenderState::CcwStencilFail, STENCILOP_KEEP);
    set(RenderState::CcwStencilZFail, STENCILOP_KEEP);
    set(RenderState::CcwStencilPass, STENCILOP_KEEP);
    set(RenderState::CcwStencilFunc, CMPFUNC_ALWAYS);
    set(RenderState::ColorWriteEnable1, 0xF);
    set(RenderState::ColorWriteEnable2, 0xF);
    set(RenderState::ColorWriteEnable3, 0xF);
    set(RenderState::BlendFactor, 0xFFFFFFFFu);
    set(RenderState::SrcBlendAlpha, BLEND_ONE);
    set(RenderState::DestBlendAlpha, BLEND_ZERO);
    set(RenderState::BlendOpAlpha, BLENDOP_ADD);

    for (auto& s : m_ss) {
        s.fill(0);
        s[static_cast<size_t>(SamplerState::AddressU)] = TEXADDR_WRAP;
        s[static_cast<size_t>(SamplerState::AddressV)] = TEXADDR_WRAP;
        s[static_cast<size_t>(SamplerState::AddressW)] = TEXADDR_WRAP;
        s[static_cast<size_t>(SamplerState::MagFilter)] = TEXFILTER_POINT;
        s[static_cast<size_t>(SamplerState::MinFilter)] = TEXFILTER_POINT;
        s[static_cast<size_t>(SamplerState::MipFilter)] = TEXFILTER_NONE;
        s[static_cast<size_t>(SamplerState::MaxAnisotropy)] = 1;
    }
    m_ssDirty.fill(true);
    for (size_t stage = 0; stage < m_tss.size(); ++stage) {
        auto& t = m_tss[stage];
        t.fill(0);
        t[static_cast<size_t>(TextureStageState::ColorOp)] =
            stage == 0 ? TOP_MODULATE : TOP_DISABLE;
        t[static_cast<size_t>(TextureStageState::ColorArg1)] = TA_TEXTURE;
        t[static_cast<size_t>(TextureStageState::ColorArg2)] = TA_CURRENT;
        t[static_cast<size_t>(TextureStageState::AlphaOp)] =
            stage == 0 ? TOP_SELECTARG1 : TOP_DISABLE;
        t[static_cast<size_t>(TextureStageState::AlphaArg1)] = TA_TEXTURE;
        t[static_cast<size_t>(TextureStageState::AlphaArg2)] = TA_CURRENT;
        t[static_cast<size_t>(TextureStageState::TexCoordIndex)] = static_cast<uint32_t>(stage);
    }
    m_world = Matrix();
    m_view = Matrix();
    m_projection = Matrix();
    m_textures = {};
    m_compareMode.fill(false);
    m_streams = {};
    m_indices.reset();
    m_declaration.reset();
    m_vertexShader.reset();
    m_pixelShader.reset();
    std::fill(m_vc.begin(), m_vc.end(), 0.0f);
    std::fill(m_pc.begin(), m_pc.end(), 0.0f);
    ++m_vcVersion;
    ++m_pcVersion;
    m_renderTargets = {};
    m_renderTargets[0] = m_backBuffer;
    m_depthStencil = m_autoDepth;
    const SurfaceDesc& bb = m_backBuffer->desc();
    m_viewport = {0, 0, bb.width, bb.height, 0.0f, 1.0f};
    m_scissor = {0, 0, static_cast<int32_t>(bb.width), static_cast<int32_t>(bb.height)};
    m_inScene = false;
    m_targetsDirty = true;
    m_rsDirty = true;
}

// ---------------------------------------------------------------------------------------------
// State setters

Result GlDevice::setViewport(const Viewport& viewport) {
    const GlSurface* const rt = m_renderTargets[0].get();
    if (rt == nullptr || viewport.width == 0 || viewport.height == 0 ||
        static_cast<uint64_t>(viewport.x) + viewport.width > rt->desc().width ||
        static_cast<uint64_t>(viewport.y) + viewport.height > rt->desc().height ||
        viewport.minZ < 0.0f || viewport.maxZ > 1.0f || viewport.minZ > viewport.maxZ) {
        return Result::InvalidCall;
    }
    m_viewport = viewport;
    m_rsDirty = true;
    return Result::Ok;
}

Result GlDevice::getViewport(Viewport& out) const {
    out = m_viewport;
    return Result::Ok;
}

Result GlDevice::setScissorRect(const Rect& rect) {
    m_scissor = rect;
    m_rsDirty = true;
    return Result::Ok;
}

Result GlDevice::getScissorRect(Rect& out) const {
    out = m_scissor;
    return Result::Ok;
}

Result GlDevice::setRenderState(const RenderState state, const uint32_t value) {
    const auto i = static_cast<size_t>(state);
    if (i >= m_rs.size()) {
        return Result::InvalidCall;
    }
    m_rs[i] = value;
    m_rsDirty = true;
    return Result::Ok;
}

Result GlDevice::getRenderState(const RenderState state, uint32_t& out) const {
    const auto i = static_cast<size_t>(state);
    if (i >= m_rs.size()) {
        return Result::InvalidCall;
    }
    out = m_rs[i];
    return Result::Ok;
}

Result GlDevice::setSamplerState(const uint32_t sampler, const SamplerState state,
                                 const uint32_t value) {
    const auto i = static_cast<size_t>(state);
    if (sampler >= MAX_SAMPLERS || i == 0 || i >= SAMPLER_STATE_COUNT) {
        return Result::InvalidCall;
    }
    m_ss[sampler][i] = value;
    m_ssDirty[sampler] = true;
    return Result::Ok;
}

Result GlDevice::getSamplerState(const uint32_t sampler, const SamplerState state,
                                 uint32_t& out) const {
    const auto i = static_cast<size_t>(state);
    if (sampler >= MAX_SAMPLERS || i == 0 || i >= SAMPLER_STATE_COUNT) {
        return Result::InvalidCall;
    }
    out = m_ss[sampler][i];
    return Result::Ok;
}

Result GlDevice::setTextureStageState(const uint32_t stage, const TextureStageState state,
                                      const uint32_t value) {
    const auto i = static_cast<size_t>(state);
    if (stage >= m_tss.size() || i >= TEXTURE_STAGE_STATE_COUNT) {
        return Result::InvalidCall;
    }
    m_tss[stage][i] = value;
    return Result::Ok;
}

Result GlDevice::getTextureStageState(const uint32_t stage, const TextureStageState state,
                                      uint32_t& out) const {
    const auto i = static_cast<size_t>(state);
    if (stage >= m_tss.size() || i >= TEXTURE_STAGE_STATE_COUNT) {
        return Result::InvalidCall;
    }
    out = m_tss[stage][i];
    return Result::Ok;
}

Result GlDevice::setTransform(const TransformState state, const Matrix& matrix) {
    switch (state) {
    case TransformState::View:
        m_view = matrix;
        return Result::Ok;
    case TransformState::Projection:
        m_projection = matrix;
        return Result::Ok;
    case TransformState::World:
        m_world = matrix;
        return Result::Ok;
    default:
        // Texture transforms are kept by the effects, not by the device's own stage.
        return Result::Ok;
    }
}

Result GlDevice::getTransform(const TransformState state, Matrix& out) const {
    switch (state) {
    case TransformState::View:
        out = m_view;
        return Result::Ok;
    case TransformState::Projection:
        out = m_projection;
        return Result::Ok;
    case TransformState::World:
        out = m_world;
        return Result::Ok;
    default:
        out = Matrix();
        return Result::Ok;
    }
}

Result GlDevice::setTexture(const uint32_t stage, Texture* const texture) {
    if (stage >= MAX_SAMPLERS) {
        return Result::InvalidCall;
    }
    m_textures[stage] = sharedOf<GlTexture>(static_cast<GlTexture*>(texture));
    return Result::Ok;
}

Result GlDevice::setVertexDeclaration(VertexDeclaration* const declaration) {
    m_declaration = declaration != nullptr
                        ? std::static_pointer_cast<GlVertexDeclaration>(
                              static_cast<GlVertexDeclaration*>(declaration)->shared_from_this())
                        : nullptr;
    return Result::Ok;
}

Result GlDevice::getVertexDeclaration(std::shared_ptr<VertexDeclaration>& out) {
    out = m_declaration;
    return Result::Ok;
}

Result GlDevice::setStreamSource(const uint32_t stream, VertexBuffer* const buffer,
                                 const uint32_t offset, const uint32_t stride) {
    if (stream >= MAX_STREAMS) {
        return Result::InvalidCall;
    }
    m_streams[stream].buffer = sharedOf<GlVertexBuffer>(static_cast<GlVertexBuffer*>(buffer));
    m_streams[stream].offset = offset;
    m_streams[stream].stride = stride;
    return Result::Ok;
}

Result GlDevice::setIndices(IndexBuffer* const buffer) {
    m_indices = sharedOf<GlIndexBuffer>(static_cast<GlIndexBuffer*>(buffer));
    return Result::Ok;
}

Result GlDevice::setVertexShader(VertexShader* const shader) {
    m_vertexShader = sharedOf<GlVertexShader>(static_cast<GlVertexShader*>(shader));
    return Result::Ok;
}

Result GlDevice::setPixelShader(PixelShader* const shader) {
    m_pixelShader = sharedOf<GlPixelShader>(static_cast<GlPixelShader*>(shader));
    return Result::Ok;
}

Result GlDevice::setVertexShaderConstantF(const uint32_t start, const float* const data,
                                          const uint32_t vec4Count) {
    if (data == nullptr || static_cast<uint64_t>(start) + vec4Count > MAX_VERTEX_CONSTANTS) {
        return Result::InvalidCall;
    }
    std::memcpy(m_vc.data() + start * 4, data, vec4Count * 16u);
    ++m_vcVersion;
    return Result::Ok;
}

Result GlDevice::setPixelShaderConstantF(const uint32_t start, const float* const data,
                                         const uint32_t vec4Count) {
    if (data == nullptr || static_cast<uint64_t>(start) + vec4Count > MAX_PIXEL_CONSTANTS) {
        return Result::InvalidCall;
    }
    std::memcpy(m_pc.data() + start * 4, data, vec4Count * 16u);
    ++m_pcVersion;
    return Result::Ok;
}

} // namespace zqp::gpu::gl
