#include "zq/gl/ZqGlState.h"

#include "zq/gl/ZqGlShader.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/math/ZqVector4.h"
#include "zq/platform/gpu/gpu.h"

#include <cmath>
#include <cstring>

namespace gpu = zqp::gpu;

namespace {

// One packed state: the device state it drives, its width and its reset value.
struct Row {
    gpu::RenderState state;
    uint8_t bits;
    uint32_t reset;
};

constexpr Row ROWS[ZqGlState::NR_RENDER_STATES] = {
    {gpu::RenderState::ColorWriteEnable, 4, 15},
    {gpu::RenderState::ZWriteEnable, 1, 1},
    {gpu::RenderState::AlphaBlendEnable, 1, 1},
    {gpu::RenderState::AlphaTestEnable, 1, 1},
    {gpu::RenderState::StencilEnable, 1, 0},
    {gpu::RenderState::ScissorTestEnable, 1, 0},
    {gpu::RenderState::MultiSampleAntialias, 1, 0},
    {gpu::RenderState::ZEnable, 2, 1},
    {gpu::RenderState::SrcBlend, 4, 5},
    {gpu::RenderState::DestBlend, 4, 6},
    {gpu::RenderState::BlendOp, 3, 1},
    {gpu::RenderState::CullMode, 2, 2},
    {gpu::RenderState::FillMode, 2, 3},
    {gpu::RenderState::ZFunc, 4, 4},
    {gpu::RenderState::AlphaFunc, 4, 8},
    {gpu::RenderState::AlphaRef, 8, 0},
    {gpu::RenderState::StencilFunc, 5, 8},
    {gpu::RenderState::StencilPass, 5, 1},
    {gpu::RenderState::StencilZFail, 5, 1},
    {gpu::RenderState::StencilFail, 5, 1},
};

struct Packing {
    std::array<uint8_t, ZqGlState::NR_RENDER_STATES> index{};
    std::array<uint8_t, ZqGlState::NR_RENDER_STATES> shift{};
    std::array<uint32_t, ZqGlState::NR_RENDER_STATES> mask{};
    std::array<uint32_t, ZqGlState::NR_RENDER_STATES> state{};
};

// Rows in order from bit 0; a field that would cross into the next word starts that word.
constexpr Packing pack() {
    Packing p;
    uint32_t cursor = 0;
    for (unsigned int row = 0; row < ZqGlState::NR_RENDER_STATES; ++row) {
        const uint32_t bits = ROWS[row].bits;
        if ((cursor >> 5) != ((cursor + bits - 1) >> 5)) {
            cursor = (cursor + 31) & ~31u;
        }
        p.index[row] = static_cast<uint8_t>(cursor >> 5);
        p.shift[row] = static_cast<uint8_t>(cursor & 31);
        p.mask[row] = ((1u << bits) - 1) << (cursor & 31);
        p.state[row] = static_cast<uint32_t>(ROWS[row].state);
        cursor += bits;
    }
    return p;
}

constexpr Packing PACKING = pack();
static_assert(PACKING.index[13] == 0 && PACKING.shift[13] == 27 && PACKING.index[14] == 1 &&
                  PACKING.shift[14] == 0 && PACKING.shift[19] == 27,
              "two words: rows 0-13 and rows 14-19");

constexpr uint32_t PLAIN_RESET[4] = {0xFFFFFFFFu, 0, 0xFFFFFFFFu, 0xFFFFFFFFu};
constexpr uint32_t COLOUR_RESET[3] = {0x00000000u, 0xFFFFFFFFu, 0xFFFFFFFFu};
constexpr float SHININESS_RESET = 10.0f;

gpu::Device* device() {
    return ZqGlSystem::getD3dDevice();
}

// value x 255 truncated toward zero, kept to one byte (no clamping; NaN as 0).
uint32_t byteOf(const float value) {
    const float v = value * 255.0f;
    if (!(v > -2147483648.0f && v < 2147483648.0f)) {
        return 0;
    }
    return static_cast<uint32_t>(static_cast<int32_t>(v)) & 0xFFu;
}

uint32_t argbOf(const float r, const float g, const float b, const float a) {
    return byteOf(a) << 24 | byteOf(r) << 16 | byteOf(g) << 8 | byteOf(b);
}

ZqVector4 vectorOf(const uint32_t argb) {
    constexpr float k = 1.0f / 255.0f;
    return ZqVector4(static_cast<float>(argb >> 16 & 0xFF) * k,
                     static_cast<float>(argb >> 8 & 0xFF) * k, static_cast<float>(argb & 0xFF) * k,
                     static_cast<float>(argb >> 24) * k);
}

uint32_t floatBits(const float f) {
    uint32_t u = 0;
    std::memcpy(&u, &f, 4);
    return u;
}

void samplerState(const uint32_t sampler, const gpu::SamplerState state, const uint32_t value) {
    gpu::Device* const d = device();
    if (d != nullptr) {
        d->setSamplerState(sampler, state, value);
    }
}

} // namespace

const std::array<uint8_t, ZqGlState::NR_RENDER_STATES> ZqGlState::m_vRenderStateIndexTab =
    PACKING.index;
const std::array<uint8_t, ZqGlState::NR_RENDER_STATES> ZqGlState::m_vRenderStateShiftTab =
    PACKING.shift;
const std::array<uint32_t, ZqGlState::NR_RENDER_STATES> ZqGlState::m_vRenderStateMaskTab =
    PACKING.mask;
const std::array<uint32_t, ZqGlState::NR_RENDER_STATES> ZqGlState::m_vRenderStateD3drsTab =
    PACKING.state;
const std::array<uint32_t, 4> ZqGlState::m_vRenderStateD3drsTab2 = {
    static_cast<uint32_t>(gpu::RenderState::BlendFactor),
    static_cast<uint32_t>(gpu::RenderState::StencilRef),
    static_cast<uint32_t>(gpu::RenderState::StencilMask),
    static_cast<uint32_t>(gpu::RenderState::StencilWriteMask)};
const std::array<unsigned int, 3> ZqGlState::m_vRenderStateShaderTab3 = {
    ZqGlShader::PARAM_AMBIENT, ZqGlShader::PARAM_DIFFUSE, ZqGlShader::PARAM_SPECULAR};

ZqGlState ZqGlState::m_resetState;
ZqGlState* ZqGlState::m_pDefaultState = nullptr;
ZqGlState* ZqGlState::m_pCurrentState = nullptr;

// ---------------------------------------------------------------------------------------------
// Blocks

void ZqGlState::copyFields(const ZqGlState& other) {
    std::memcpy(m_vRenderState, other.m_vRenderState, sizeof m_vRenderState);
    std::memcpy(m_vPlainState, other.m_vPlainState, sizeof m_vPlainState);
    std::memcpy(m_vColor, other.m_vColor, sizeof m_vColor);
    m_shininess = other.m_shininess;
    m_scissorRect = other.m_scissorRect;
}

ZqGlState* ZqGlState::create() {
    if (m_pCriticalSection == nullptr) {
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqGlState* const state = ZqFixList::create();
    if (state != nullptr) {
        state->copyFields(m_resetState);
    }
    return state;
}

unsigned int ZqGlState::release() {
    // A block given back may be handed out again; it must not stay current meanwhile.
    if (m_pCurrentState == this && m_pDefaultState != nullptr && m_pDefaultState != this) {
        setCurrent(m_pDefaultState);
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    return ZqFixList::release(this);
}

ZqGlState* ZqGlState::copyFrom(const ZqGlState* const other) {
    if (other == nullptr) {
        return nullptr;
    }
    if (other == this) {
        return this;
    }
    copyFields(*other);
    if (m_pCurrentState == this) {
        setAllStates();
    }
    return this;
}

void ZqGlState::setCurrent(ZqGlState* const state) {
    m_pCurrentState = state;
    if (state != nullptr) {
        state->setAllStates();
    }
}

void ZqGlState::setAllStates() {
    gpu::Device* const d = device();
    if (d != nullptr) {
        for (unsigned int row = 0; row < NR_RENDER_STATES; ++row) {
            d->setRenderState(static_cast<gpu::RenderState>(m_vRenderStateD3drsTab[row]),
                              getRenderState(row));
        }
        for (unsigned int i = 0; i < 4; ++i) {
            d->setRenderState(static_cast<gpu::RenderState>(m_vRenderStateD3drsTab2[i]),
                              m_vPlainState[i]);
        }
    }
    ZqGlShader* const shader = ZqGlShader::getCurrent();
    if (shader != nullptr) {
        for (unsigned int i = 0; i < 3; ++i) {
            shader->setParamVector4(m_vRenderStateShaderTab3[i], vectorOf(m_vColor[i]));
        }
        shader->setParamFloat(ZqGlShader::PARAM_SHININESS, m_shininess);
    }
    if (d != nullptr && m_pCurrentState == this) {
        d->setScissorRect(zqp::Rect{m_scissorRect.left, m_scissorRect.top, m_scissorRect.right,
                                    m_scissorRect.bottom});
    }
}

void ZqGlState::resetAllStates() {
    if (this != &m_resetState) {
        copyFields(m_resetState);
        if (m_pCurrentState == this) {
            setAllStates();
        }
    }
    for (uint32_t s = 0; s < NR_SAMPLERS; ++s) {
        samplerState(s, gpu::SamplerState::AddressU, TEXADDR_WRAP);
        samplerState(s, gpu::SamplerState::AddressV, TEXADDR_WRAP);
        samplerState(s, gpu::SamplerState::AddressW, TEXADDR_WRAP);
        samplerState(s, gpu::SamplerState::MagFilter, TEXFILTER_LINEAR);
        samplerState(s, gpu::SamplerState::MinFilter, TEXFILTER_LINEAR);
        samplerState(s, gpu::SamplerState::MipFilter, TEXFILTER_LINEAR);
        samplerState(s, gpu::SamplerState::MaxAnisotropy, 1);
        samplerState(s, gpu::SamplerState::MipMapLodBias, floatBits(0.0f));
        samplerState(s, gpu::SamplerState::MaxMipLevel, 0);
    }
}

// ---------------------------------------------------------------------------------------------
// Fields

void ZqGlState::setRenderState(const unsigned int row, const uint32_t value) {
    const uint32_t mask = m_vRenderStateMaskTab[row];
    uint32_t& word = m_vRenderState[m_vRenderStateIndexTab[row]];
    word = (word & ~mask) | ((value << m_vRenderStateShiftTab[row]) & mask);
    // Every call on the current block reaches the device, changed or not.
    gpu::Device* const d = device();
    if (m_pCurrentState == this && d != nullptr) {
        d->setRenderState(static_cast<gpu::RenderState>(m_vRenderStateD3drsTab[row]),
                          getRenderState(row));
    }
}

uint32_t ZqGlState::getRenderState(const unsigned int row) const {
    return (m_vRenderState[m_vRenderStateIndexTab[row]] & m_vRenderStateMaskTab[row]) >>
           m_vRenderStateShiftTab[row];
}

void ZqGlState::setPlainState(const unsigned int index, const uint32_t value) {
    m_vPlainState[index] = value;
    gpu::Device* const d = device();
    if (m_pCurrentState == this && d != nullptr) {
        d->setRenderState(static_cast<gpu::RenderState>(m_vRenderStateD3drsTab2[index]), value);
    }
}

void ZqGlState::setColourBody(const unsigned int index, const uint32_t argb) {
    m_vColor[index] = argb;
    ZqGlShader* const shader = ZqGlShader::getCurrent();
    if (m_pCurrentState == this && shader != nullptr) {
        shader->setParamVector4(m_vRenderStateShaderTab3[index], vectorOf(argb));
    }
}

// The block keeps bytes; the effect gets the floats themselves.
void ZqGlState::setColourBody(const unsigned int index, const float r, const float g, const float b,
                              const float a) {
    m_vColor[index] = argbOf(r, g, b, a);
    ZqGlShader* const shader = ZqGlShader::getCurrent();
    if (m_pCurrentState == this && shader != nullptr) {
        shader->setParamVector4(m_vRenderStateShaderTab3[index], ZqVector4(r, g, b, a));
    }
}

void ZqGlState::setColorWriteEnable(const uint32_t mask) {
    setRenderState(0, mask);
}
uint32_t ZqGlState::getColorWriteEnable() const {
    return getRenderState(0);
}
void ZqGlState::setZWriteEnable(const bool on) {
    setRenderState(1, on ? 1 : 0);
}
bool ZqGlState::getZWriteEnable() const {
    return getRenderState(1) != 0;
}
void ZqGlState::setAlphaBlendEnable(const bool on) {
    setRenderState(2, on ? 1 : 0);
}
bool ZqGlState::getAlphaBlendEnable() const {
    return getRenderState(2) != 0;
}
void ZqGlState::setAlphaTestEnable(const bool on) {
    setRenderState(3, on ? 1 : 0);
}
bool ZqGlState::getAlphaTestEnable() const {
    return getRenderState(3) != 0;
}
void ZqGlState::setStencilEnable(const bool on) {
    setRenderState(4, on ? 1 : 0);
}
bool ZqGlState::getStencilEnable() const {
    return getRenderState(4) != 0;
}
void ZqGlState::setScissorTestEnable(const bool on) {
    setRenderState(5, on ? 1 : 0);
}
bool ZqGlState::getScissorTestEnable() const {
    return getRenderState(5) != 0;
}
void ZqGlState::setFsaaEnable(const bool on) {
    setRenderState(6, on ? 1 : 0);
}
bool ZqGlState::getFsaaEnable() const {
    return getRenderState(6) != 0;
}
void ZqGlState::setZMode(const ZBUFFERMODE mode) {
    setRenderState(7, mode);
}
ZqGlState::ZBUFFERMODE ZqGlState::getZMode() const {
    return static_cast<ZBUFFERMODE>(getRenderState(7));
}
void ZqGlState::setSrcBlend(const BLEND blend) {
    setRenderState(8, blend);
}
ZqGlState::BLEND ZqGlState::getSrcBlend() const {
    return static_cast<BLEND>(getRenderState(8));
}
void ZqGlState::setDestBlend(const BLEND blend) {
    setRenderState(9, blend);
}
ZqGlState::BLEND ZqGlState::getDestBlend() const {
    return static_cast<BLEND>(getRenderState(9));
}
void ZqGlState::setBlendOp(const BLENDOP op) {
    setRenderState(10, op);
}
ZqGlState::BLENDOP ZqGlState::getBlendOp() const {
    return static_cast<BLENDOP>(getRenderState(10));
}
void ZqGlState::setCullMode(const CULLMODE mode) {
    setRenderState(11, mode);
}
ZqGlState::CULLMODE ZqGlState::getCullMode() const {
    return static_cast<CULLMODE>(getRenderState(11));
}
void ZqGlState::setFillMode(const FILLMODE mode) {
    setRenderState(12, mode);
}
ZqGlState::FILLMODE ZqGlState::getFillMode() const {
    return static_cast<FILLMODE>(getRenderState(12));
}
void ZqGlState::setZFunc(const CMPFUNC func) {
    setRenderState(13, func);
}
ZqGlState::CMPFUNC ZqGlState::getZFunc() const {
    return static_cast<CMPFUNC>(getRenderState(13));
}
void ZqGlState::setAlphaFunc(const CMPFUNC func) {
    setRenderState(14, func);
}
ZqGlState::CMPFUNC ZqGlState::getAlphaFunc() const {
    return static_cast<CMPFUNC>(getRenderState(14));
}
void ZqGlState::setAlphaRef(const uint8_t ref) {
    setRenderState(15, ref);
}
void ZqGlState::setAlphaRef(const float ref) {
    setRenderState(15, byteOf(ref));
}
uint8_t ZqGlState::getAlphaRef() const {
    return static_cast<uint8_t>(getRenderState(15));
}
void ZqGlState::setStencilFunc(const CMPFUNC func) {
    setRenderState(16, func);
}
ZqGlState::CMPFUNC ZqGlState::getStencilFunc() const {
    return static_cast<CMPFUNC>(getRenderState(16));
}
void ZqGlState::setStencilPass(const STENCILOP op) {
    setRenderState(17, op);
}
ZqGlState::STENCILOP ZqGlState::getStencilPass() const {
    return static_cast<STENCILOP>(getRenderState(17));
}
void ZqGlState::setStencilZFail(const STENCILOP op) {
    setRenderState(18, op);
}
ZqGlState::STENCILOP ZqGlState::getStencilZFail() const {
    return static_cast<STENCILOP>(getRenderState(18));
}
void ZqGlState::setStencilFail(const STENCILOP op) {
    setRenderState(19, op);
}
ZqGlState::STENCILOP ZqGlState::getStencilFail() const {
    return static_cast<STENCILOP>(getRenderState(19));
}

void ZqGlState::setBlendFactor(const uint32_t argb) {
    setPlainState(0, argb);
}
void ZqGlState::setBlendFactor(const float r, const float g, const float b, const float a) {
    setPlainState(0, argbOf(r, g, b, a));
}
void ZqGlState::setBlendFactor(const ZqVector4& c) {
    setPlainState(0, argbOf(c.x, c.y, c.z, c.w));
}
uint32_t ZqGlState::getBlendFactor() const {
    return m_vPlainState[0];
}
void ZqGlState::setStencilRef(const uint32_t ref) {
    setPlainState(1, ref);
}
uint32_t ZqGlState::getStencilRef() const {
    return m_vPlainState[1];
}
void ZqGlState::setStencilMask(const uint32_t mask) {
    setPlainState(2, mask);
}
uint32_t ZqGlState::getStencilMask() const {
    return m_vPlainState[2];
}
void ZqGlState::setStencilWriteMask(const uint32_t mask) {
    setPlainState(3, mask);
}
uint32_t ZqGlState::getStencilWriteMask() const {
    return m_vPlainState[3];
}

void ZqGlState::setAmbient(const uint32_t argb) {
    setColourBody(0, argb);
}
void ZqGlState::setAmbient(const float r, const float g, const float b, const float a) {
    setColourBody(0, r, g, b, a);
}
void ZqGlState::setAmbient(const ZqVector4& c) {
    setColourBody(0, c.x, c.y, c.z, c.w);
}
void ZqGlState::setDiffuse(const uint32_t argb) {
    setColourBody(1, argb);
}
void ZqGlState::setDiffuse(const float r, const float g, const float b, const float a) {
    setColourBody(1, r, g, b, a);
}
void ZqGlState::setDiffuse(const ZqVector4& c) {
    setColourBody(1, c.x, c.y, c.z, c.w);
}
void ZqGlState::setSpecular(const uint32_t argb) {
    setColourBody(2, argb);
}
void ZqGlState::setSpecular(const float r, const float g, const float b, const float a) {
    setColourBody(2, r, g, b, a);
}
void ZqGlState::setSpecular(const ZqVector4& c) {
    setColourBody(2, c.x, c.y, c.z, c.w);
}
uint32_t ZqGlState::getAmbient() const {
    return m_vColor[0];
}
uint32_t ZqGlState::getDiffuse() const {
    return m_vColor[1];
}

void ZqGlState::setShininess(const float shininess) {
    if (shininess == m_shininess) {
        return;
    }
    m_shininess = shininess;
    ZqGlShader* const shader = ZqGlShader::getCurrent();
    if (m_pCurrentState == this && shader != nullptr) {
        shader->setParamFloat(ZqGlShader::PARAM_SHININESS, shininess);
    }
}
float ZqGlState::getShininess() const {
    return m_shininess;
}

void ZqGlState::setScissorRect(const ZqRect* const rect) {
    if (rect == nullptr) {
        return;
    }
    m_scissorRect = *rect;
    gpu::Device* const d = device();
    if (m_pCurrentState == this && d != nullptr) {
        d->setScissorRect(zqp::Rect{rect->left, rect->top, rect->right, rect->bottom});
    }
}

void ZqGlState::getScissorRect(ZqRect* const rect) const {
    if (rect != nullptr) {
        *rect = m_scissorRect;
    }
}

// ---------------------------------------------------------------------------------------------
// Samplers

void ZqGlState::setTextureAddressingU(const uint32_t sampler, const TEXADDR mode) {
    samplerState(sampler, gpu::SamplerState::AddressU, mode);
}
void ZqGlState::setTextureAddressingV(const uint32_t sampler, const TEXADDR mode) {
    samplerState(sampler, gpu::SamplerState::AddressV, mode);
}
void ZqGlState::setTextureAddressingW(const uint32_t sampler, const TEXADDR mode) {
    samplerState(sampler, gpu::SamplerState::AddressW, mode);
}
void ZqGlState::setTextureMagFilter(const uint32_t sampler, const TEXFILTER filter) {
    samplerState(sampler, gpu::SamplerState::MagFilter, filter);
}
void ZqGlState::setTextureMinFilter(const uint32_t sampler, const TEXFILTER filter) {
    samplerState(sampler, gpu::SamplerState::MinFilter, filter);
}
void ZqGlState::setTextureMipFilter(const uint32_t sampler, const TEXFILTER filter) {
    samplerState(sampler, gpu::SamplerState::MipFilter, filter);
}
void ZqGlState::setTextureMaxAnisotropy(const uint32_t sampler, const uint32_t anisotropy) {
    samplerState(sampler, gpu::SamplerState::MaxAnisotropy, anisotropy);
}
void ZqGlState::setTextureMipmapLodBias(const uint32_t sampler, const float bias) {
    samplerState(sampler, gpu::SamplerState::MipMapLodBias, floatBits(bias));
}
void ZqGlState::setTextureMaxMipLevel(const uint32_t sampler, const uint32_t level) {
    samplerState(sampler, gpu::SamplerState::MaxMipLevel, level);
}

// ---------------------------------------------------------------------------------------------
// Start-up, frames, shut-down

void ZqGlState::sysInit() {
    for (unsigned int row = 0; row < NR_RENDER_STATES; ++row) {
        m_resetState.setRenderState(row, ROWS[row].reset);
    }
    std::memcpy(m_resetState.m_vPlainState, PLAIN_RESET, sizeof PLAIN_RESET);
    std::memcpy(m_resetState.m_vColor, COLOUR_RESET, sizeof COLOUR_RESET);
    m_resetState.m_shininess = SHININESS_RESET;
    m_resetState.m_scissorRect = ZqRect(0, 0, 800, 600);

    init(POOL_SIZE);
    m_pDefaultState = create();
    setCurrent(m_pDefaultState);
}

void ZqGlState::sysMain() {
    m_pCurrentState = m_pDefaultState;
    if (m_pDefaultState != nullptr) {
        m_pDefaultState->resetAllStates();
    }
    gpu::Device* const d = device();
    if (d != nullptr) {
        d->setRenderState(gpu::RenderState::ColorVertex, 1);
        d->setTextureStageState(0, gpu::TextureStageState::AlphaOp, gpu::TOP_DISABLE);
        d->setTextureStageState(1, gpu::TextureStageState::AlphaOp, gpu::TOP_DISABLE);
        d->setTexture(0, nullptr);
        d->setTexture(1, nullptr);
    }
}

void ZqGlState::sysQuit() {
    m_pCurrentState = nullptr;
    if (m_pCriticalSection != nullptr) {
        quit();
    }
    m_pDefaultState = nullptr;
}
