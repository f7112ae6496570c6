// DxParticle's device side: the buffers and the three draws.
#include "zq/gl/ZqGlCamera.h"
#include "zq/gl/ZqGlPrimitive.h"
#include "zq/gl/ZqGlShader.h"
#include "zq/gl/ZqGlState.h"
#include "zq/math/ZqVector4.h"
#include "zq/u/pm/DxParticle_internal.h"

#include <cstring>
#include <vector>

namespace {

// Vertex formats: position, texture coordinates 0 to 2 of 2 floats, colour; position,
// coordinates of 2 and 4 floats, colour; position, one coordinate of 2 floats, colour.
constexpr uint32_t ROT_FORMAT = 0x109201;
constexpr uint32_t LINE_FORMAT = 0x102201;
constexpr uint32_t MODEL_FORMAT = 0x100201;

// Indices of the particle effect's own parameters and techniques.
enum : unsigned int {
    PARAM_VEC_ZERO = ZqGlShader::NR_STANDARD_PARAMS,
    PARAM_VEC_ONE,
    PARAM_VEC_LOOK,
    PARAM_PAD,
    PARAM_MAT_VIEW,
    PARAM_MAT_PROJ,
    PARAM_MAT_VIEW_PROJ,
    PARAM_MAT_LOCAL,
    PARAM_MAT_VIEW_INV,
    PARAM_MAT_ROT90,
};
enum : unsigned int { TECHNIQUE_DEFAULT = 0, TECHNIQUE_LINE = 1, TECHNIQUE_ROT = 2 };

// A quad buffer's fixed indices: quad k is 4k, 4k+1, 4k+2, 4k+3, 4k+2, 4k+1.
ZqGlPrimitive* quadPrimitive(const char16_t* const name, const uint32_t format) {
    std::vector<unsigned short> idx(6 * DxParticle::MAX_RECORDS);
    for (uint32_t k = 0; k < DxParticle::MAX_RECORDS; ++k) {
        const auto b = static_cast<unsigned short>(4 * k);
        const unsigned short q[6] = {b,
                                     static_cast<unsigned short>(b + 1),
                                     static_cast<unsigned short>(b + 2),
                                     static_cast<unsigned short>(b + 3),
                                     static_cast<unsigned short>(b + 2),
                                     static_cast<unsigned short>(b + 1)};
        std::memcpy(&idx[6 * k], q, sizeof q);
    }
    return ZqGlPrimitive::createForce(name, ZqGlPrimitive::TYPE_TRIANGLELIST, format, nullptr,
                                      4 * DxParticle::MAX_RECORDS, idx.data(),
                                      static_cast<uint32_t>(idx.size()));
}

// The blend states of a mode; other modes leave them as they are.
void setBlend(const uint32_t mode) {
    ZqGlState* const st = ZqGlState::getCurrent();
    if (st == nullptr) {
        return;
    }
    switch (mode) {
    case 0:
        st->setSrcBlend(ZqGlState::BLEND_SRCALPHA);
        st->setDestBlend(ZqGlState::BLEND_INVSRCALPHA);
        break;
    case 1:
        st->setSrcBlend(ZqGlState::BLEND_SRCALPHA);
        st->setDestBlend(ZqGlState::BLEND_ONE);
        break;
    case 2:
        st->setSrcBlend(ZqGlState::BLEND_ZERO);
        st->setDestBlend(ZqGlState::BLEND_INVSRCALPHA);
        break;
    default:
        break;
    }
}

void setDrawStates() {
    ZqGlState* const st = ZqGlState::getCurrent();
    if (st != nullptr) {
        st->setCullMode(ZqGlState::CULLMODE_NONE);
        st->setZWriteEnable(false);
        st->setAlphaBlendEnable(true);
    }
}

void setSamplerStates() {
    ZqGlState::setTextureAddressingU(0, ZqGlState::TEXADDR_WRAP);
    ZqGlState::setTextureAddressingV(0, ZqGlState::TEXADDR_WRAP);
    ZqGlState::setTextureMinFilter(0, ZqGlState::TEXFILTER_LINEAR);
    ZqGlState::setTextureMagFilter(0, ZqGlState::TEXFILTER_LINEAR);
    ZqGlState::setTextureMipFilter(0, ZqGlState::TEXFILTER_NONE);
}

// Texture list index n is slot n - 1 of the table; 0 (or beyond the table) is none.
const ZqGlTexture* slotTexture(ZqGlTexture* const* const textures, const uint32_t index) {
    if (textures == nullptr || index == 0 || index > 100) {
        return nullptr;
    }
    return textures[index - 1];
}

// Technique and texture, each only when it changes; then one pass over the draw.
template <class Draw>
void drawPass(ZqGlShader& shader, const unsigned int technique, const ZqGlTexture* const tex,
              const Draw& draw) {
    if (ZqGlShader::getCurrent() != &shader || ZqGlShader::getCurrentTechniqueNr() != technique) {
        shader.setTechnique(technique);
    }
    if (ZqGlShader::getCurrentTexture(0) != tex) {
        shader.setParamTexture(0, tex);
    }
    if (shader.beginTechnique() == 0) {
        return;
    }
    shader.beginPass(0);
    draw();
    shader.endPass();
    shader.endTechnique();
}

template <class R>
void drawBatches(const DxParticle::Collection<R>& c, ZqGlPrimitive& prim, ZqGlShader& shader,
                 ZqGlTexture* const* const textures, const unsigned int technique) {
    uint32_t current = UINT32_MAX;
    for (uint32_t b = 0; b < c.batchCount; ++b) {
        const DxParticle::Batch& batch = c.batches[b];
        if (batch.count == 0) {
            continue;
        }
        if (batch.blend != current) {
            setBlend(batch.blend);
            current = batch.blend;
        }
        drawPass(shader, technique, slotTexture(textures, batch.texIndex), [&] {
            prim.draw(0, 4 * batch.first, 4 * batch.count, 6 * batch.first, 2 * batch.count);
        });
    }
}

// A quad collection: its vertices written through fill into the locked buffer (a buffer that
// cannot be locked draws nothing this frame), the camera's parameters and the states, then
// its batches.
template <class R, class Fill>
void drawQuads(const DxParticle::Collection<R>& c, ZqGlPrimitive* const prim, ZqGlShader& shader,
               ZqGlTexture* const* const textures, const unsigned int technique, const Fill& fill) {
    if (c.count == 0 || prim == nullptr) {
        return;
    }
    void* vertices = nullptr;
    if (!prim->lock(&vertices, nullptr)) {
        return;
    }
    fill(vertices);
    prim->unlock();
    DxParticle::billboard(shader);
    setDrawStates();
    setSamplerStates();
    drawBatches(c, *prim, shader, textures, technique);
}

} // namespace

DxParticle::~DxParticle() {
    for (ModelEntry& e : m_model.records) {
        if (e.primitive != nullptr) {
            e.primitive->release();
        }
    }
    if (m_rotPrimitive != nullptr) {
        m_rotPrimitive->release();
    }
    if (m_linePrimitive != nullptr) {
        m_linePrimitive->release();
    }
}

bool DxParticle::createPrimitives() {
    if (m_rotPrimitive == nullptr) {
        m_rotPrimitive = quadPrimitive(u"RotParticle", ROT_FORMAT);
    }
    if (m_linePrimitive == nullptr) {
        m_linePrimitive = quadPrimitive(u"LineParticle", LINE_FORMAT);
    }
    bool ok = m_rotPrimitive != nullptr && m_linePrimitive != nullptr;
    for (ModelEntry& e : m_model.records) {
        if (e.primitive == nullptr) {
            e.primitive = ZqGlPrimitive::createForce(
                u"ModelParticle", ZqGlPrimitive::TYPE_TRIANGLELIST, MODEL_FORMAT, nullptr,
                MODEL_VERTICES, nullptr, MODEL_INDICES);
        }
        ok = ok && e.primitive != nullptr;
    }
    return ok;
}

void DxParticle::billboard(ZqGlShader& shader) {
    const ZqGlCamera* const cam = ZqGlCamera::getCurrent();
    if (cam == nullptr) {
        return;
    }
    const ZqMatrix& v = cam->getWorldViewMatrix();
    const ZqMatrix& p = cam->getViewProjMatrix();
    ZqMatrix vp;
    vp.mul(v, p);
    shader.setParamVector4(PARAM_VEC_ZERO, ZqVector4(0.0f, 0.0f, 0.0f, 0.0f));
    shader.setParamVector4(PARAM_VEC_ONE, ZqVector4(0.0f, 0.0f, 0.0f, 1.0f));
    shader.setParamMatrix(PARAM_MAT_VIEW, v);
    shader.setParamMatrix(PARAM_MAT_PROJ, p);
    shader.setParamMatrix(PARAM_MAT_VIEW_PROJ, vp);
    shader.setParamMatrix(PARAM_MAT_LOCAL, ZqMatrix::UNIT);
    shader.setParamVector4(PARAM_VEC_LOOK, ZqVector4(v._13, v._23, v._33, v._43));
    ZqMatrix inv = v;
    inv._41 = inv._42 = inv._43 = 0.0f;
    inv.inverse();
    shader.setParamMatrix(PARAM_MAT_VIEW_INV, inv);
    const float x = v._13;
    const float y = v._23;
    const float z = v._33;
    ZqMatrix rot90;
    rot90.set(x * x, x * y - z, x * z + y, 0.0f, x * y + z, y * y, y * z - x, 0.0f, x * z - y,
              y * z + x, z * z, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
    shader.setParamMatrix(PARAM_MAT_ROT90, rot90);
}

void DxParticle::drawRot(ZqGlShader& shader, ZqGlTexture* const* const textures) const {
    drawQuads(m_rot, m_rotPrimitive, shader, textures, TECHNIQUE_ROT,
              [this](void* const v) { fillRot(static_cast<RotVertex*>(v)); });
}

void DxParticle::drawLine(ZqGlShader& shader, ZqGlTexture* const* const textures) const {
    drawQuads(m_line, m_linePrimitive, shader, textures, TECHNIQUE_LINE,
              [this](void* const v) { fillLine(static_cast<LineVertex*>(v)); });
}

void DxParticle::drawModel(ZqGlShader& shader, ZqGlTexture* const* const textures) const {
    if (m_model.count == 0) {
        return;
    }
    billboard(shader);
    setDrawStates();
    uint32_t current = UINT32_MAX;
    for (uint32_t i = 0; i < m_model.count; ++i) {
        const ModelEntry& e = m_model.records[i];
        if (e.primitive == nullptr) {
            continue;
        }
        void* vertices = nullptr;
        unsigned short* indices = nullptr;
        if (!e.primitive->lock(&vertices, &indices)) {
            continue;
        }
        std::memcpy(vertices, e.vertices.data(), e.vertexCount * sizeof(ModelVertex));
        std::memcpy(indices, e.indices.data(), e.indexCount * sizeof(uint16_t));
        e.primitive->unlock();
        if (e.blend != current) {
            setBlend(e.blend);
            current = e.blend;
        }
        shader.setParamMatrix(PARAM_MAT_LOCAL, e.world);
        const uint32_t texIndex = e.texIndex > 0 ? static_cast<uint32_t>(e.texIndex) : 0;
        drawPass(shader, TECHNIQUE_DEFAULT, slotTexture(textures, texIndex),
                 [&] { e.primitive->draw(0, 0, e.vertexCount, 0, e.indexCount / 3); });
    }
}
