#include "zq/gl/ZqGlEffectParams.h"

#include <cmath>
#include <cstring>

namespace {

using zqfx::ParamType;

bool isIntegral(const ParamType t) {
    return t == zqfx::TYPE_BOOL || t == zqfx::TYPE_INT;
}

uint32_t floatBits(const float f) {
    uint32_t u = 0;
    std::memcpy(&u, &f, 4);
    return u;
}

float bitsFloat(const uint32_t u) {
    float f = 0.0f;
    std::memcpy(&f, &u, 4);
    return f;
}

int32_t truncated(const float f) {
    if (std::isnan(f)) {
        return 0;
    }
    if (f >= 2147483647.0f) {
        return INT32_MAX;
    }
    if (f <= -2147483648.0f) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(f);
}

uint32_t wordFromInt(const ParamType t, const int32_t v) {
    if (t == zqfx::TYPE_BOOL) {
        return v != 0 ? 1 : 0;
    }
    return t == zqfx::TYPE_INT ? static_cast<uint32_t>(v) : floatBits(static_cast<float>(v));
}

uint32_t wordFromFloat(const ParamType t, const float v) {
    if (t == zqfx::TYPE_BOOL) {
        return v != 0.0f ? 1 : 0;
    }
    return t == zqfx::TYPE_INT ? static_cast<uint32_t>(truncated(v)) : floatBits(v);
}

int32_t intFromWord(const ParamType t, const uint32_t w) {
    return isIntegral(t) ? static_cast<int32_t>(w) : truncated(bitsFloat(w));
}

float floatFromWord(const ParamType t, const uint32_t w) {
    return isIntegral(t) ? static_cast<float>(static_cast<int32_t>(w)) : bitsFloat(w);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// ZqGlEffectPool

std::shared_ptr<ZqGlEffectValue> ZqGlEffectPool::share(const ZqGlEffectFile::Param& param) {
    std::weak_ptr<ZqGlEffectValue>& slot = m_values[param.name];
    std::shared_ptr<ZqGlEffectValue> live = slot.lock();
    if (live != nullptr) {
        if (live->type != param.type || live->elements != param.elements) {
            return nullptr;
        }
        return live;
    }
    live = std::make_shared<ZqGlEffectValue>();
    live->name = param.name;
    live->type = param.type;
    live->elements = param.elements;
    live->words = param.value;
    slot = live;
    // Names of values that died meanwhile are swept here, so the map stays small.
    for (auto it = m_values.begin(); it != m_values.end();) {
        it = it->second.expired() ? m_values.erase(it) : std::next(it);
    }
    return live;
}

size_t ZqGlEffectPool::size() const {
    size_t n = 0;
    for (const auto& [name, value] : m_values) {
        n += value.expired() ? 0 : 1;
    }
    return n;
}

// ---------------------------------------------------------------------------------------------
// ZqGlEffectParams

bool ZqGlEffectParams::init(const ZqGlEffectFile& file, ZqGlEffectPool* const pool) {
    m_values.clear();
    dropBlock();
    m_values.reserve(file.m_params.size());
    for (const ZqGlEffectFile::Param& p : file.m_params) {
        std::shared_ptr<ZqGlEffectValue> v;
        if (p.shared && pool != nullptr) {
            v = pool->share(p);
            if (v == nullptr) {
                m_values.clear();
                return false;
            }
        } else {
            v = std::make_shared<ZqGlEffectValue>();
            v->name = p.name;
            v->type = p.type;
            v->elements = p.elements;
            v->words = p.value;
        }
        m_values.push_back(std::move(v));
    }
    return true;
}

int ZqGlEffectParams::find(const char* const name) const {
    if (name == nullptr) {
        return -1;
    }
    for (size_t i = 0; i < m_values.size(); ++i) {
        if (m_values[i]->name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

ZqGlEffectValue* ZqGlEffectParams::numeric(const uint32_t index, const bool allowMatrix,
                                           const bool allowVector) const {
    if (index >= m_values.size()) {
        return nullptr;
    }
    ZqGlEffectValue* const v = m_values[index].get();
    if (v->type == zqfx::TYPE_TEXTURE || (v->type == zqfx::TYPE_FLOAT4X4 && !allowMatrix) ||
        (v->type != zqfx::TYPE_FLOAT4X4 && !allowVector)) {
        return nullptr;
    }
    return v;
}

void ZqGlEffectParams::changed(const uint32_t index) {
    ZqGlEffectValue& v = *m_values[index];
    v.stamp = ++m_clock;
    if (m_recording) {
        Recorded& r = m_block[index];
        r.words = v.words;
        r.texture = v.texture;
    }
}

bool ZqGlEffectParams::setInt(const uint32_t index, const int32_t value) {
    ZqGlEffectValue* const v = numeric(index, false, true);
    if (v == nullptr) {
        return false;
    }
    v->words[0] = wordFromInt(v->type, value);
    changed(index);
    return true;
}

bool ZqGlEffectParams::setIntArray(const uint32_t index, const int32_t* const values,
                                   const uint32_t count) {
    ZqGlEffectValue* const v = numeric(index, true, true);
    if (v == nullptr || count > v->words.size() || (values == nullptr && count != 0)) {
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        v->words[i] = wordFromInt(v->type, values[i]);
    }
    changed(index);
    return true;
}

bool ZqGlEffectParams::setFloat(const uint32_t index, const float value) {
    ZqGlEffectValue* const v = numeric(index, false, true);
    if (v == nullptr) {
        return false;
    }
    v->words[0] = wordFromFloat(v->type, value);
    changed(index);
    return true;
}

bool ZqGlEffectParams::setFloatArray(const uint32_t index, const float* const values,
                                     const uint32_t count) {
    ZqGlEffectValue* const v = numeric(index, true, true);
    if (v == nullptr || count > v->words.size() || (values == nullptr && count != 0)) {
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        v->words[i] = wordFromFloat(v->type, values[i]);
    }
    changed(index);
    return true;
}

bool ZqGlEffectParams::setVector4(const uint32_t index, const float* const xyzw) {
    return setVector4Array(index, xyzw, 1);
}

bool ZqGlEffectParams::setVector4Array(const uint32_t index, const float* const xyzw,
                                       const uint32_t count) {
    ZqGlEffectValue* const v = numeric(index, false, true);
    if (v == nullptr || count > v->count() || (xyzw == nullptr && count != 0)) {
        return false;
    }
    const uint32_t per = zqfx::componentsOf(v->type);
    const uint32_t used = per < 4 ? per : 4;
    for (uint32_t e = 0; e < count; ++e) {
        for (uint32_t c = 0; c < used; ++c) {
            v->words[e * per + c] = wordFromFloat(v->type, xyzw[e * 4 + c]);
        }
    }
    changed(index);
    return true;
}

bool ZqGlEffectParams::setMatrix(const uint32_t index, const float* const m16) {
    return setMatrixArray(index, m16, 1);
}

bool ZqGlEffectParams::setMatrixArray(const uint32_t index, const float* const m16,
                                      const uint32_t count) {
    ZqGlEffectValue* const v = numeric(index, true, false);
    if (v == nullptr || count > v->count() || (m16 == nullptr && count != 0)) {
        return false;
    }
    for (uint32_t i = 0; i < count * 16; ++i) {
        v->words[i] = floatBits(m16[i]);
    }
    changed(index);
    return true;
}

bool ZqGlEffectParams::setTexture(const uint32_t index,
                                  std::shared_ptr<zqp::gpu::Texture> texture) {
    if (index >= m_values.size() || m_values[index]->type != zqfx::TYPE_TEXTURE) {
        return false;
    }
    m_values[index]->texture = std::move(texture);
    changed(index);
    return true;
}

bool ZqGlEffectParams::getInt(const uint32_t index, int32_t& out) const {
    const ZqGlEffectValue* const v = numeric(index, false, true);
    if (v == nullptr) {
        return false;
    }
    out = intFromWord(v->type, v->words[0]);
    return true;
}

bool ZqGlEffectParams::getIntArray(const uint32_t index, int32_t* const out,
                                   const uint32_t count) const {
    const ZqGlEffectValue* const v = numeric(index, true, true);
    if (v == nullptr || count > v->words.size() || (out == nullptr && count != 0)) {
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        out[i] = intFromWord(v->type, v->words[i]);
    }
    return true;
}

bool ZqGlEffectParams::getFloat(const uint32_t index, float& out) const {
    const ZqGlEffectValue* const v = numeric(index, false, true);
    if (v == nullptr) {
        return false;
    }
    out = floatFromWord(v->type, v->words[0]);
    return true;
}

bool ZqGlEffectParams::getFloatArray(const uint32_t index, float* const out,
                                     const uint32_t count) const {
    const ZqGlEffectValue* const v = numeric(index, true, true);
    if (v == nullptr || count > v->words.size() || (out == nullptr && count != 0)) {
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        out[i] = floatFromWord(v->type, v->words[i]);
    }
    return true;
}

bool ZqGlEffectParams::getVector4(const uint32_t index, float* const xyzw) const {
    return getVector4Array(index, xyzw, 1);
}

bool ZqGlEffectParams::getVector4Array(const uint32_t index, float* const xyzw,
                                       const uint32_t count) const {
    const ZqGlEffectValue* const v = numeric(index, false, true);
    if (v == nullptr || count > v->count() || (xyzw == nullptr && count != 0)) {
        return false;
    }
    const uint32_t per = zqfx::componentsOf(v->type);
    for (uint32_t e = 0; e < count; ++e) {
        for (uint32_t c = 0; c < 4; ++c) {
            xyzw[e * 4 + c] = c < per ? floatFromWord(v->type, v->words[e * per + c]) : 0.0f;
        }
    }
    return true;
}

bool ZqGlEffectParams::getMatrix(const uint32_t index, float* const m16) const {
    return getMatrixArray(index, m16, 1);
}

bool ZqGlEffectParams::getMatrixArray(const uint32_t index, float* const m16,
                                      const uint32_t count) const {
    const ZqGlEffectValue* const v = numeric(index, true, false);
    if (v == nullptr || count > v->count() || (m16 == nullptr && count != 0)) {
        return false;
    }
    for (uint32_t i = 0; i < count * 16; ++i) {
        m16[i] = bitsFloat(v->words[i]);
    }
    return true;
}

bool ZqGlEffectParams::getTexture(const uint32_t index,
                                  std::shared_ptr<zqp::gpu::Texture>& out) const {
    if (index >= m_values.size() || m_values[index]->type != zqfx::TYPE_TEXTURE) {
        return false;
    }
    out = m_values[index]->texture;
    return true;
}

void ZqGlEffectParams::beginBlock() {
    dropBlock();
    m_recording = true;
}

void ZqGlEffectParams::endBlock() {
    if (m_recording) {
        m_recording = false;
        m_haveBlock = true;
    }
}

bool ZqGlEffectParams::applyBlock() {
    if (!m_haveBlock) {
        return false;
    }
    for (const auto& [index, recorded] : m_block) {
        ZqGlEffectValue& v = *m_values[index];
        v.words = recorded.words;
        v.texture = recorded.texture;
        v.stamp = ++m_clock;
    }
    return true;
}

void ZqGlEffectParams::dropBlock() {
    m_block.clear();
    m_recording = false;
    m_haveBlock = false;
}

void ZqGlEffectParams::dropTextures() {
    for (const auto& v : m_values) {
        if (v->texture != nullptr) {
            v->texture.reset();
            v->stamp = ++m_clock;
        }
    }
    for (auto& [index, recorded] : m_block) {
        recorded.texture.reset();
    }
}
