#include "zq/gl/ZqGlScreen.h"

#include "zq/gl/ZqGlSystem.h"
#include "zq/math/ZqVector2.h"
#include "zq/platform/gpu/gpu.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

namespace gpu = zqp::gpu;

namespace {

// Pre-transformed position, colour and one texture coordinate: 28 bytes.
constexpr gpu::VertexElement SCREEN_ELEMENTS[] = {
    {0, 0, gpu::DECLTYPE_FLOAT4, gpu::DECLMETHOD_DEFAULT, gpu::DECLUSAGE_POSITIONT, 0},
    {0, 16, gpu::DECLTYPE_D3DCOLOR, gpu::DECLMETHOD_DEFAULT, gpu::DECLUSAGE_COLOR, 0},
    {0, 20, gpu::DECLTYPE_FLOAT2, gpu::DECLMETHOD_DEFAULT, gpu::DECLUSAGE_TEXCOORD, 0},
    gpu::declEnd()};
static_assert(sizeof(ZqGlScreenSprite::Vertex) == 28);

// Rectangles per draw call.
constexpr size_t MAX_QUADS_PER_DRAW = 2048;

constexpr gpu::RenderState SAVED_RENDER_STATES[] = {
    gpu::RenderState::AlphaBlendEnable,
    gpu::RenderState::SrcBlend,
    gpu::RenderState::DestBlend,
    gpu::RenderState::BlendOp,
    gpu::RenderState::SeparateAlphaBlendEnable,
    gpu::RenderState::AlphaTestEnable,
    gpu::RenderState::AlphaFunc,
    gpu::RenderState::AlphaRef,
    gpu::RenderState::CullMode,
    gpu::RenderState::ZEnable,
    gpu::RenderState::ZWriteEnable,
    gpu::RenderState::FillMode,
    gpu::RenderState::FogEnable,
    gpu::RenderState::StencilEnable,
    gpu::RenderState::ScissorTestEnable,
    gpu::RenderState::ColorWriteEnable,
    gpu::RenderState::Lighting,
    gpu::RenderState::SrgbWriteEnable,
};
constexpr gpu::SamplerState SAVED_SAMPLER_STATES[] = {
    gpu::SamplerState::AddressU,  gpu::SamplerState::AddressV,  gpu::SamplerState::MagFilter,
    gpu::SamplerState::MinFilter, gpu::SamplerState::MipFilter,
};
constexpr gpu::TextureStageState SAVED_STAGE_STATES[] = {
    gpu::TextureStageState::ColorOp,   gpu::TextureStageState::ColorArg1,
    gpu::TextureStageState::ColorArg2, gpu::TextureStageState::AlphaOp,
    gpu::TextureStageState::AlphaArg1, gpu::TextureStageState::AlphaArg2,
};

gpu::Device* device() {
    return ZqGlSystem::getD3dDevice();
}

// States for drawing a texture tinted by the vertex colour in screen space, with or without
// alpha blending; the sampler as asked.
void setScreenStates(gpu::Device& d, const bool blend, const uint32_t address,
                     const uint32_t filter) {
    d.setRenderState(gpu::RenderState::AlphaBlendEnable, blend ? 1 : 0);
    d.setRenderState(gpu::RenderState::SrcBlend, gpu::BLEND_SRCALPHA);
    d.setRenderState(gpu::RenderState::DestBlend, gpu::BLEND_INVSRCALPHA);
    d.setRenderState(gpu::RenderState::BlendOp, gpu::BLENDOP_ADD);
    d.setRenderState(gpu::RenderState::SeparateAlphaBlendEnable, 0);
    // Fully transparent texels leave the depth and stencil alone.
    d.setRenderState(gpu::RenderState::AlphaTestEnable, blend ? 1 : 0);
    d.setRenderState(gpu::RenderState::AlphaFunc, gpu::CMPFUNC_GREATER);
    d.setRenderState(gpu::RenderState::AlphaRef, 0);
    d.setRenderState(gpu::RenderState::CullMode, gpu::CULLMODE_NONE);
    d.setRenderState(gpu::RenderState::ZEnable, gpu::ZBUFFERMODE_OFF);
    d.setRenderState(gpu::RenderState::ZWriteEnable, 0);
    d.setRenderState(gpu::RenderState::FillMode, gpu::FILLMODE_SOLID);
    d.setRenderState(gpu::RenderState::FogEnable, 0);
    d.setRenderState(gpu::RenderState::StencilEnable, 0);
    d.setRenderState(gpu::RenderState::ScissorTestEnable, 0);
    d.setRenderState(gpu::RenderState::ColorWriteEnable, 0xF);
    d.setRenderState(gpu::RenderState::Lighting, 0);
    d.setRenderState(gpu::RenderState::SrgbWriteEnable, 0);
    d.setSamplerState(0, gpu::SamplerState::AddressU, address);
    d.setSamplerState(0, gpu::SamplerState::AddressV, address);
    d.setSamplerState(0, gpu::SamplerState::MagFilter, filter);
    d.setSamplerState(0, gpu::SamplerState::MinFilter, filter);
    d.setSamplerState(0, gpu::SamplerState::MipFilter, gpu::TEXFILTER_NONE);
    d.setTextureStageState(0, gpu::TextureStageState::ColorOp, gpu::TOP_MODULATE);
    d.setTextureStageState(0, gpu::TextureStageState::ColorArg1, gpu::TA_TEXTURE);
    d.setTextureStageState(0, gpu::TextureStageState::ColorArg2, gpu::TA_DIFFUSE);
    d.setTextureStageState(0, gpu::TextureStageState::AlphaOp, gpu::TOP_MODULATE);
    d.setTextureStageState(0, gpu::TextureStageState::AlphaArg1, gpu::TA_TEXTURE);
    d.setTextureStageState(0, gpu::TextureStageState::AlphaArg2, gpu::TA_DIFFUSE);
    d.setVertexShader(nullptr);
    d.setPixelShader(nullptr);
}

bool makeDeclaration(std::shared_ptr<gpu::VertexDeclaration>& out) {
    gpu::Device* const d = device();
    if (d == nullptr) {
        return false;
    }
    return out != nullptr || d->createVertexDeclaration(SCREEN_ELEMENTS, out) == gpu::Result::Ok;
}

} // namespace

// ---------------------------------------------------------------------------------------------

void ZqGlScreenStates::save(gpu::Device& d) {
    m_values.clear();
    uint32_t v = 0;
    for (const gpu::RenderState s : SAVED_RENDER_STATES) {
        d.getRenderState(s, v);
        m_values.push_back(v);
    }
    for (const gpu::SamplerState s : SAVED_SAMPLER_STATES) {
        d.getSamplerState(0, s, v);
        m_values.push_back(v);
    }
    for (const gpu::TextureStageState s : SAVED_STAGE_STATES) {
        d.getTextureStageState(0, s, v);
        m_values.push_back(v);
    }
    m_declaration.reset();
    d.getVertexDeclaration(m_declaration);
}

void ZqGlScreenStates::restore(gpu::Device& d) const {
    size_t i = 0;
    if (m_values.empty()) {
        return;
    }
    for (const gpu::RenderState s : SAVED_RENDER_STATES) {
        d.setRenderState(s, m_values[i++]);
    }
    for (const gpu::SamplerState s : SAVED_SAMPLER_STATES) {
        d.setSamplerState(0, s, m_values[i++]);
    }
    for (const gpu::TextureStageState s : SAVED_STAGE_STATES) {
        d.setTextureStageState(0, s, m_values[i++]);
    }
    d.setTexture(0, nullptr);
    d.setVertexDeclaration(m_declaration.get());
}

// ---------------------------------------------------------------------------------------------

bool ZqGlScreenSprite::create() {
    return makeDeclaration(m_declaration);
}

void ZqGlScreenSprite::release() {
    if (m_begun) {
        end();
    }
    m_declaration.reset();
    m_vertices.clear();
    m_textures.clear();
}

bool ZqGlScreenSprite::begin(const uint32_t flags) {
    gpu::Device* const d = device();
    if (m_begun || d == nullptr || !create()) {
        return false;
    }
    m_saved.save(*d);
    m_flags = flags;
    m_begun = true;
    return true;
}

void ZqGlScreenSprite::draw(const std::shared_ptr<gpu::Texture>& texture, const uint32_t texWidth,
                            const uint32_t texHeight, const int32_t u, const int32_t v,
                            const int32_t w, const int32_t h, const int32_t x, const int32_t y,
                            const uint32_t argb) {
    if (texture == nullptr || texWidth == 0 || texHeight == 0 || w <= 0 || h <= 0) {
        return;
    }
    const bool own = !m_begun;
    if (own && !begin(ALPHABLEND)) {
        return;
    }
    // The texel centres land on the pixel centres: the rectangle starts half a pixel before.
    const float l = static_cast<float>(x) - 0.5f;
    const float t = static_cast<float>(y) - 0.5f;
    const float r = l + static_cast<float>(w);
    const float b = t + static_cast<float>(h);
    const float ul = static_cast<float>(u) / static_cast<float>(texWidth);
    const float ur = static_cast<float>(u + w) / static_cast<float>(texWidth);
    const float vt = static_cast<float>(v) / static_cast<float>(texHeight);
    const float vb = static_cast<float>(v + h) / static_cast<float>(texHeight);
    const Vertex tl{l, t, 0.0f, 1.0f, argb, ul, vt};
    const Vertex tr{r, t, 0.0f, 1.0f, argb, ur, vt};
    const Vertex bl{l, b, 0.0f, 1.0f, argb, ul, vb};
    const Vertex br{r, b, 0.0f, 1.0f, argb, ur, vb};
    m_vertices.insert(m_vertices.end(), {tl, tr, bl, tr, br, bl});
    m_textures.push_back(texture);
    if (own) {
        end();
    }
}

void ZqGlScreenSprite::flush(gpu::Device& d) {
    const size_t n = m_textures.size();
    if (n == 0) {
        return;
    }
    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), size_t{0});
    if ((m_flags & SORT_TEXTURE) != 0) {
        std::stable_sort(order.begin(), order.end(), [this](const size_t a, const size_t b) {
            return m_textures[a].get() < m_textures[b].get();
        });
    }
    setScreenStates(d, (m_flags & ALPHABLEND) != 0, gpu::TEXADDR_CLAMP, gpu::TEXFILTER_POINT);
    d.setVertexDeclaration(m_declaration.get());
    std::vector<Vertex> run;
    size_t i = 0;
    while (i < n) {
        gpu::Texture* const texture = m_textures[order[i]].get();
        run.clear();
        while (i < n && m_textures[order[i]].get() == texture &&
               run.size() < MAX_QUADS_PER_DRAW * 6) {
            const Vertex* const q = &m_vertices[order[i] * 6];
            run.insert(run.end(), q, q + 6);
            ++i;
        }
        d.setTexture(0, texture);
        d.drawPrimitiveUP(gpu::PrimitiveType::TriangleList, static_cast<uint32_t>(run.size() / 3),
                          run.data(), sizeof(Vertex));
    }
    m_vertices.clear();
    m_textures.clear();
}

void ZqGlScreenSprite::end() {
    if (!m_begun) {
        return;
    }
    m_begun = false;
    gpu::Device* const d = device();
    if (d == nullptr) {
        m_vertices.clear();
        m_textures.clear();
        return;
    }
    flush(*d);
    m_saved.restore(*d);
}

// ---------------------------------------------------------------------------------------------

bool ZqGlScreenLine::create() {
    return makeDeclaration(m_declaration);
}

// The pattern's texture is made on first use.
bool ZqGlScreenLine::makePatternTexture() {
    gpu::Device* const d = device();
    if (d == nullptr) {
        return false;
    }
    if (m_patternTexture == nullptr) {
        if (d->createTexture(32, 1, 1, 0, gpu::Format::A8R8G8B8, gpu::Pool::Managed,
                             m_patternTexture) != gpu::Result::Ok) {
            return false;
        }
        m_patternDirty = true;
    }
    return true;
}

void ZqGlScreenLine::release() {
    if (m_begun) {
        end();
    }
    m_declaration.reset();
    m_patternTexture.reset();
}

void ZqGlScreenLine::setPattern(const uint32_t bits) {
    if (bits != m_pattern) {
        m_pattern = bits;
        m_patternDirty = true;
    }
}

// The pattern as a row of 32 texels, white where its bit is on and clear where it is off.
bool ZqGlScreenLine::uploadPattern() {
    if (!m_patternDirty) {
        return true;
    }
    gpu::LockedRect locked;
    if (m_patternTexture->lockRect(0, locked, nullptr, 0) != gpu::Result::Ok) {
        return false;
    }
    auto* const row = static_cast<uint32_t*>(locked.bits);
    for (uint32_t i = 0; i < 32; ++i) {
        row[i] = ((m_pattern >> i) & 1u) != 0 ? 0xFFFFFFFFu : 0x00FFFFFFu;
    }
    m_patternTexture->unlockRect(0);
    m_patternDirty = false;
    return true;
}

bool ZqGlScreenLine::begin() {
    gpu::Device* const d = device();
    if (m_begun || d == nullptr || !create() || !makePatternTexture() || !uploadPattern()) {
        return false;
    }
    m_saved.save(*d);
    setScreenStates(*d, true, gpu::TEXADDR_WRAP, gpu::TEXFILTER_POINT);
    d->setVertexDeclaration(m_declaration.get());
    d->setTexture(0, m_patternTexture.get());
    m_begun = true;
    return true;
}

void ZqGlScreenLine::draw(const ZqVector2* const points, const uint32_t count,
                          const uint32_t argb) {
    if (points == nullptr || count < 2) {
        return;
    }
    const bool own = !m_begun;
    if (own && !begin()) {
        return;
    }
    if (m_patternDirty && !uploadPattern()) {
        if (own) {
            end();
        }
        return;
    }
    // Each segment is a band of the width across it, centred on the pixel centres the line
    // passes; with antialiasing the band's edges fade to clear over one more pixel on each
    // side. The pattern runs on along the whole strip.
    const float half = std::max(m_width, 0.0f) * 0.5f;
    const float inner = m_antialias ? std::max(half - 0.5f, 0.0f) : half;
    const float outer = m_antialias ? half + 0.5f : half;
    const float stepLength = 32.0f * (m_patternScale > 0.0f ? m_patternScale : 1.0f);
    const uint32_t clear = argb & 0x00FFFFFFu;
    m_vertices.clear();
    float along = 0.0f;
    for (uint32_t i = 0; i + 1 < count; ++i) {
        const float ax = points[i].x;
        const float ay = points[i].y;
        const float dx = points[i + 1].x - ax;
        const float dy = points[i + 1].y - ay;
        const float length = std::sqrt(dx * dx + dy * dy);
        if (!(length > 0.0f)) {
            continue;
        }
        const float nx = -dy / length;
        const float ny = dx / length;
        const float u0 = along / stepLength;
        const float u1 = (along + length) / stepLength;
        along += length;
        // Bands from one side to the other: (offset, colour) pairs.
        const float offsets[4] = {-outer, -inner, inner, outer};
        const uint32_t colors[4] = {clear, argb, argb, clear};
        const int first = m_antialias ? 0 : 1;
        const int last = m_antialias ? 3 : 2;
        for (int k = first; k < last; ++k) {
            const auto corner = [&](const float px, const float py, const int side, const float u) {
                return ZqGlScreenSprite::Vertex{px + nx * offsets[side],
                                                py + ny * offsets[side],
                                                0.0f,
                                                1.0f,
                                                colors[side],
                                                u,
                                                0.5f};
            };
            const auto a0 = corner(ax, ay, k, u0);
            const auto a1 = corner(ax, ay, k + 1, u0);
            const auto b0 = corner(ax + dx, ay + dy, k, u1);
            const auto b1 = corner(ax + dx, ay + dy, k + 1, u1);
            m_vertices.insert(m_vertices.end(), {a0, b0, a1, b0, b1, a1});
        }
    }
    if (!m_vertices.empty()) {
        device()->drawPrimitiveUP(gpu::PrimitiveType::TriangleList,
                                  static_cast<uint32_t>(m_vertices.size() / 3), m_vertices.data(),
                                  sizeof(ZqGlScreenSprite::Vertex));
    }
    if (own) {
        end();
    }
}

void ZqGlScreenLine::end() {
    if (!m_begun) {
        return;
    }
    m_begun = false;
    if (gpu::Device* const d = device()) {
        m_saved.restore(*d);
    }
}
