#include "zq/gl/ZqGlEffect.h"

#include "zq/platform/gpu/gpu.h"

#include <cstring>

namespace gpu = zqp::gpu;

ZqGlEffect::ZqGlEffect(Key, gpu::Device& device) : m_device(device) {}

ZqGlEffect::~ZqGlEffect() = default;

std::unique_ptr<ZqGlEffect> ZqGlEffect::create(gpu::Device& device, const void* const data,
                                               const size_t size, ZqGlEffectPool* const pool,
                                               std::string* const log) {
    auto fx = std::make_unique<ZqGlEffect>(Key{}, device);
    if (!fx->m_file.read(data, size) || !fx->m_params.init(fx->m_file, pool)) {
        return nullptr;
    }
    const size_t n = fx->m_file.m_shaders.size();
    fx->m_vertexShaders.resize(n);
    fx->m_pixelShaders.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const ZqGlEffectFile::Shader& sh = fx->m_file.m_shaders[i];
        const gpu::Result r =
            sh.stage == zqfx::STAGE_VERTEX
                ? device.createVertexShader(sh.code.c_str(), fx->m_vertexShaders[i])
                : device.createPixelShader(sh.code.c_str(), fx->m_pixelShaders[i]);
        if (!gpu::succeeded(r)) {
            if (log != nullptr) {
                const char* const text = device.getLastShaderLog();
                *log = text != nullptr ? text : "";
            }
            return nullptr;
        }
    }
    // Room for the largest register file.
    fx->m_registers.resize(zqfx::VERTEX_REGISTERS * 4);
    return fx;
}

uint32_t ZqGlEffect::getParamCount() const {
    return static_cast<uint32_t>(m_file.m_params.size() + m_file.m_samplers.size());
}

uint32_t ZqGlEffect::getTechniqueCount() const {
    return static_cast<uint32_t>(m_file.m_techniques.size());
}

bool ZqGlEffect::setTechnique(const int technique) {
    if (m_begun || technique < 0 || static_cast<size_t>(technique) >= m_file.m_techniques.size()) {
        return false;
    }
    m_technique = technique;
    return true;
}

uint32_t ZqGlEffect::begin() {
    if (m_technique < 0 || m_begun) {
        return 0;
    }
    m_begun = true;
    m_pass = -1;
    return static_cast<uint32_t>(m_file.m_techniques[m_technique].passes.size());
}

bool ZqGlEffect::beginPass(const uint32_t pass) {
    if (!m_begun || m_pass >= 0) {
        return false;
    }
    const ZqGlEffectFile::Technique& t = m_file.m_techniques[m_technique];
    if (pass >= t.passes.size()) {
        return false;
    }
    const ZqGlEffectFile::Pass& p = t.passes[pass];
    m_device.setVertexShader(
        p.vertexShader != zqfx::NO_SHADER ? m_vertexShaders[p.vertexShader].get() : nullptr);
    m_device.setPixelShader(p.pixelShader != zqfx::NO_SHADER ? m_pixelShaders[p.pixelShader].get()
                                                             : nullptr);
    for (const ZqGlEffectFile::State& s : p.states) {
        setRenderState(s.id, s.value);
    }
    for (const uint32_t shader : {p.vertexShader, p.pixelShader}) {
        if (shader == zqfx::NO_SHADER) {
            continue;
        }
        for (const ZqGlEffectFile::SamplerBinding& b : m_file.m_shaders[shader].samplers) {
            const ZqGlEffectFile::Sampler& s = m_file.m_samplers[b.sampler];
            for (uint32_t slot = 0; slot < zqfx::SAMPLER_STATE_SLOTS; ++slot) {
                if ((s.stateMask >> slot & 1u) != 0) {
                    setSamplerState(b.stage, slot, s.states[slot]);
                }
            }
        }
        sendShader(shader, false);
    }
    m_sentStamp = ZqGlEffectParams::now();
    m_pass = static_cast<int>(pass);
    return true;
}

bool ZqGlEffect::commitChanges() {
    if (m_pass < 0) {
        return true;
    }
    const ZqGlEffectFile::Pass& p = m_file.m_techniques[m_technique].passes[m_pass];
    for (const uint32_t shader : {p.vertexShader, p.pixelShader}) {
        if (shader != zqfx::NO_SHADER) {
            sendShader(shader, true);
        }
    }
    m_sentStamp = ZqGlEffectParams::now();
    return true;
}

bool ZqGlEffect::endPass() {
    if (m_pass < 0) {
        return false;
    }
    m_pass = -1;
    return true;
}

bool ZqGlEffect::end() {
    if (!m_begun) {
        return false;
    }
    m_pass = -1;
    m_begun = false;
    restoreStates();
    return true;
}

void ZqGlEffect::onLostDevice() {
    m_params.dropTextures();
    // A reset puts every device state back to its default; nothing is left to restore.
    m_saved.clear();
    m_pass = -1;
    m_begun = false;
}

void ZqGlEffect::onResetDevice() {}

void ZqGlEffect::sendShader(const uint32_t shader, const bool onlyChanged) {
    const ZqGlEffectFile::Shader& sh = m_file.m_shaders[shader];
    for (const ZqGlEffectFile::Constant& c : sh.constants) {
        if (!onlyChanged || m_params.at(c.param).stamp > m_sentStamp) {
            sendConstant(sh.stage, c);
        }
    }
    for (const ZqGlEffectFile::SamplerBinding& b : sh.samplers) {
        const ZqGlEffectValue& v = m_params.at(m_file.m_samplers[b.sampler].texture);
        if (!onlyChanged || v.stamp > m_sentStamp) {
            m_device.setTexture(b.stage, v.texture.get());
        }
    }
}

// Registers of one parameter: scalars and vectors one register each (unused components 0),
// matrices one register per column.
void ZqGlEffect::sendConstant(const zqfx::Stage stage, const ZqGlEffectFile::Constant& c) {
    const ZqGlEffectValue& v = m_params.at(c.param);
    float* const out = m_registers.data();
    std::memset(out, 0, static_cast<size_t>(c.registerCount) * 16);
    const uint32_t per = zqfx::componentsOf(v.type);
    const bool integral = v.type == zqfx::TYPE_BOOL || v.type == zqfx::TYPE_INT;
    for (uint32_t e = 0; e < v.count(); ++e) {
        const uint32_t* const w = &v.words[static_cast<size_t>(e) * per];
        if (v.type == zqfx::TYPE_FLOAT4X4) {
            for (uint32_t row = 0; row < 4; ++row) {
                for (uint32_t col = 0; col < 4; ++col) {
                    std::memcpy(&out[(e * 4 + col) * 4 + row], &w[row * 4 + col], 4);
                }
            }
        } else if (integral) {
            out[e * 4] = static_cast<float>(static_cast<int32_t>(w[0]));
        } else {
            std::memcpy(&out[e * 4], w, per * 4);
        }
    }
    if (stage == zqfx::STAGE_VERTEX) {
        m_device.setVertexShaderConstantF(c.firstRegister, out, c.registerCount);
    } else {
        m_device.setPixelShaderConstantF(c.firstRegister, out, c.registerCount);
    }
}

bool ZqGlEffect::isSaved(const uint32_t sampler, const uint32_t state) const {
    for (const SavedState& s : m_saved) {
        if (s.sampler == sampler && s.state == state) {
            return true;
        }
    }
    return false;
}

void ZqGlEffect::setRenderState(const uint32_t state, const uint32_t value) {
    const auto rs = static_cast<gpu::RenderState>(state);
    if (!isSaved(NO_SAMPLER, state)) {
        uint32_t old = 0;
        if (gpu::succeeded(m_device.getRenderState(rs, old))) {
            m_saved.push_back({NO_SAMPLER, state, old});
        }
    }
    m_device.setRenderState(rs, value);
}

void ZqGlEffect::setSamplerState(const uint32_t stage, const uint32_t state, const uint32_t value) {
    const auto ss = static_cast<gpu::SamplerState>(state);
    if (!isSaved(stage, state)) {
        uint32_t old = 0;
        if (gpu::succeeded(m_device.getSamplerState(stage, ss, old))) {
            m_saved.push_back({stage, state, old});
        }
    }
    m_device.setSamplerState(stage, ss, value);
}

void ZqGlEffect::restoreStates() {
    for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
        if (it->sampler == NO_SAMPLER) {
            m_device.setRenderState(static_cast<gpu::RenderState>(it->state), it->value);
        } else {
            m_device.setSamplerState(it->sampler, static_cast<gpu::SamplerState>(it->state),
                                     it->value);
        }
    }
    m_saved.clear();
}
