// ZqGlState: a block of the render states the framework keeps: 20 fixed-function states packed
// into bits, four plain states (blend factor, stencil reference and masks), three material
// colours and a shininess that go to the current effect, and a scissor rectangle. One block is
// current: changing a field of the current block reaches the device (or the effect) at once,
// making a block current applies all of it. Every frame starts from the default block with the
// reset values and the 16 samplers reset. Blocks come from a pool of 4, one of them the default.
// Also the static sampler-state setters, which go straight to the device.
// Not for: texture-stage or transform state. Depends on ZqFixList, the device (ZqGlSystem and
// its state values) and the current effect (ZqGlShader).
#pragma once

#include "zq/math/ZqRect.h"
#include "zq/memory/ZqFixList.h"
#include "zq/platform/gpu/gpu_values.h"

#include <array>
#include <cstdint>

class ZqVector4;

class ZqGlState : public ZqFixList<ZqGlState> {
public:
    static constexpr uint32_t POOL_SIZE = 4;
    static constexpr unsigned int NR_RENDER_STATES = 20;
    static constexpr unsigned int NR_SAMPLERS = 16;

    // Values as the device takes them.
    enum COLOR_WRITE_ENABLE : uint32_t {
        COLOR_WRITE_ENABLE_RED = 1,
        COLOR_WRITE_ENABLE_GREEN = 2,
        COLOR_WRITE_ENABLE_BLUE = 4,
        COLOR_WRITE_ENABLE_ALPHA = 8,
        COLOR_WRITE_ENABLE_ALL = 15,
    };
    // The state values, defined once with the device's numbers (zq/platform/gpu/gpu_values.h).
    using ZBUFFERMODE = zqp::gpu::ZBufferType;
    using enum zqp::gpu::ZBufferType;
    using BLEND = zqp::gpu::Blend;
    using enum zqp::gpu::Blend;
    using BLENDOP = zqp::gpu::BlendOp;
    using enum zqp::gpu::BlendOp;
    using CULLMODE = zqp::gpu::Cull;
    using enum zqp::gpu::Cull;
    using FILLMODE = zqp::gpu::FillMode;
    using enum zqp::gpu::FillMode;
    using CMPFUNC = zqp::gpu::Cmp;
    using enum zqp::gpu::Cmp;
    using STENCILOP = zqp::gpu::StencilOp;
    using enum zqp::gpu::StencilOp;
    using TEXFILTER = zqp::gpu::TexFilter;
    using enum zqp::gpu::TexFilter;
    using TEXADDR = zqp::gpu::TexAddress;
    using enum zqp::gpu::TexAddress;

    // A block from the pool holding the reset values; null when all are in use (the default
    // block is one of them). release gives it back; releasing the current block makes the
    // default block current first.
    static ZqGlState* create();
    unsigned int release();
    // Copies every field of other (and applies them when this block is current); this block,
    // or null when other is null.
    ZqGlState* copyFrom(const ZqGlState* other);

    static void setCurrent(ZqGlState* state);
    static ZqGlState* getCurrent() { return m_pCurrentState; }
    static ZqGlState* getDefaultState() { return m_pDefaultState; }
    // The reset values again (applied when current), then every sampler reset on the device.
    void resetAllStates();

    // Packed states. Values beyond a field's width keep only the bits that fit.
    void setColorWriteEnable(uint32_t mask);
    uint32_t getColorWriteEnable() const;
    void setZWriteEnable(bool on);
    bool getZWriteEnable() const;
    void setAlphaBlendEnable(bool on);
    bool getAlphaBlendEnable() const;
    void setAlphaTestEnable(bool on);
    bool getAlphaTestEnable() const;
    void setStencilEnable(bool on);
    bool getStencilEnable() const;
    void setScissorTestEnable(bool on);
    bool getScissorTestEnable() const;
    void setFsaaEnable(bool on);
    bool getFsaaEnable() const;
    void setZMode(ZBUFFERMODE mode);
    ZBUFFERMODE getZMode() const;
    void setSrcBlend(BLEND blend);
    BLEND getSrcBlend() const;
    void setDestBlend(BLEND blend);
    BLEND getDestBlend() const;
    void setBlendOp(BLENDOP op);
    BLENDOP getBlendOp() const;
    void setCullMode(CULLMODE mode);
    CULLMODE getCullMode() const;
    void setFillMode(FILLMODE mode);
    FILLMODE getFillMode() const;
    void setZFunc(CMPFUNC func);
    CMPFUNC getZFunc() const;
    void setAlphaFunc(CMPFUNC func);
    CMPFUNC getAlphaFunc() const;
    void setAlphaRef(uint8_t ref);
    // 0..1, stored as value x 255 truncated.
    void setAlphaRef(float ref);
    uint8_t getAlphaRef() const;
    void setStencilFunc(CMPFUNC func);
    CMPFUNC getStencilFunc() const;
    void setStencilPass(STENCILOP op);
    STENCILOP getStencilPass() const;
    void setStencilZFail(STENCILOP op);
    STENCILOP getStencilZFail() const;
    void setStencilFail(STENCILOP op);
    STENCILOP getStencilFail() const;

    // Plain states. Float colours become ARGB bytes as value x 255 truncated (not clamped).
    void setBlendFactor(uint32_t argb);
    void setBlendFactor(float r, float g, float b, float a);
    void setBlendFactor(const ZqVector4& colour);
    uint32_t getBlendFactor() const;
    void setStencilRef(uint32_t ref);
    uint32_t getStencilRef() const;
    void setStencilMask(uint32_t mask);
    uint32_t getStencilMask() const;
    void setStencilWriteMask(uint32_t mask);
    uint32_t getStencilWriteMask() const;

    // Material colours, sent to the current effect's "gvAmbient", "gvDiffuse", "gvSpecular".
    void setAmbient(uint32_t argb);
    void setAmbient(float r, float g, float b, float a);
    void setAmbient(const ZqVector4& colour);
    void setDiffuse(uint32_t argb);
    void setDiffuse(float r, float g, float b, float a);
    void setDiffuse(const ZqVector4& colour);
    void setSpecular(uint32_t argb);
    void setSpecular(float r, float g, float b, float a);
    void setSpecular(const ZqVector4& colour);
    uint32_t getAmbient() const;
    uint32_t getDiffuse() const;
    // "gShininess"; setting the value it has already sends nothing.
    void setShininess(float shininess);
    float getShininess() const;
    void setScissorRect(const ZqRect* rect);
    void getScissorRect(ZqRect* rect) const;

    // Sampler states, straight to the device and kept in no block.
    static void setTextureAddressingU(uint32_t sampler, TEXADDR mode);
    static void setTextureAddressingV(uint32_t sampler, TEXADDR mode);
    static void setTextureAddressingW(uint32_t sampler, TEXADDR mode);
    static void setTextureMagFilter(uint32_t sampler, TEXFILTER filter);
    static void setTextureMinFilter(uint32_t sampler, TEXFILTER filter);
    static void setTextureMipFilter(uint32_t sampler, TEXFILTER filter);
    static void setTextureMaxAnisotropy(uint32_t sampler, uint32_t anisotropy);
    static void setTextureMipmapLodBias(uint32_t sampler, float bias);
    static void setTextureMaxMipLevel(uint32_t sampler, uint32_t level);

    // Called by ZqGlSystem: the pool with the default block current, the frame's reset, and
    // shut-down.
    static void sysInit();
    static void sysMain();
    static void sysQuit();

private:
    friend class ZqFixList<ZqGlState>;
    ZqGlState() = default;
    ~ZqGlState() override = default;

    void setRenderState(unsigned int row, uint32_t value);
    uint32_t getRenderState(unsigned int row) const;
    void setPlainState(unsigned int index, uint32_t value);
    void setColourBody(unsigned int index, uint32_t argb);
    void setColourBody(unsigned int index, float r, float g, float b, float a);
    void setAllStates();
    void copyFields(const ZqGlState& other);

    uint32_t m_vRenderState[4] = {};
    uint32_t m_vPlainState[4] = {};
    uint32_t m_vColor[3] = {};
    float m_shininess = 0.0f;
    ZqRect m_scissorRect{0, 0, 0, 0};

    // The packing of the 20 states: word, shift, mask and device state of each row.
    static const std::array<uint8_t, NR_RENDER_STATES> m_vRenderStateIndexTab;
    static const std::array<uint8_t, NR_RENDER_STATES> m_vRenderStateShiftTab;
    static const std::array<uint32_t, NR_RENDER_STATES> m_vRenderStateMaskTab;
    static const std::array<uint32_t, NR_RENDER_STATES> m_vRenderStateD3drsTab;
    // The device states of the plain states, and the effect parameters of the colours.
    static const std::array<uint32_t, 4> m_vRenderStateD3drsTab2;
    static const std::array<unsigned int, 3> m_vRenderStateShaderTab3;

    static ZqGlState m_resetState;
    static ZqGlState* m_pDefaultState;
    static ZqGlState* m_pCurrentState;
};
