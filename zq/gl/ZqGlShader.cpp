#include "zq/gl/ZqGlShader.h"

#include "zq/file/ZqFile.h"
#include "zq/gl/ZqGlCamera.h"
#include "zq/gl/ZqGlEffect.h"
#include "zq/gl/ZqGlShader_default_internal.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/gl/ZqGlTexture.h"
#include "zq/math/ZqMatrix.h"
#include "zq/math/ZqVector4.h"
#include "zq/memory/ZqMemAlloc.h"
#include "zq/system/ZqError.h"

#include <new>
#include <string>

namespace {

constexpr const char* STANDARD_PARAMS[ZqGlShader::NR_STANDARD_PARAMS] = {"gvLightAmbient",
                                                                         "gmLightColor",
                                                                         "gmLightDir",
                                                                         "gmLightPos",
                                                                         "gmLightAttenutation",
                                                                         "gvAmbient",
                                                                         "gvDiffuse",
                                                                         "gvSpecular",
                                                                         "gShininess",
                                                                         "gmViewProj",
                                                                         "gmViewWorld",
                                                                         "gvFogParams",
                                                                         "gvFogColor",
                                                                         "gvVertexBlendFlags",
                                                                         "gmTexture",
                                                                         "gTex0",
                                                                         "gTex1",
                                                                         "gTex2",
                                                                         "gTex3",
                                                                         "gTexCube",
                                                                         "gTexNormal",
                                                                         "gvmModelView"};

const char16_t* DEFAULT_TECHNIQUES[] = {
    u"Diffuse",   u"Tex",   u"DiffuseTex",   u"DiffuseFog",   u"TexFog",   u"DiffuseTexFog",
    u"Diffuse2D", u"Tex2D", u"DiffuseTex2D", u"DiffuseFog2D", u"TexFog2D", u"DiffuseTexFog2D",
    nullptr};

// Names longer than this cannot be looked up.
constexpr size_t NAME_BUFFER = 256;
constexpr unsigned int MAX_EXTRA_PARAMS = 128;
constexpr unsigned int MAX_TECHNIQUE_NAMES = 255;
// Matches no technique.
constexpr unsigned int NO_TECHNIQUE = 100;

// Effect names are identifiers, so a name with a unit outside ASCII can match none; such a
// name, and one longer than the buffer, gives false.
bool narrowName(const char16_t* const name, std::string& out) {
    out.clear();
    for (const char16_t* p = name; *p != 0; ++p) {
        if (*p > 0x7F || out.size() >= NAME_BUFFER) {
            return false;
        }
        out.push_back(static_cast<char>(*p));
    }
    return true;
}

// Counts names up to the null; false when there is no null within limit names.
bool countNames(const char16_t* const* const names, const unsigned int limit, unsigned int& count) {
    count = 0;
    if (names == nullptr) {
        return true;
    }
    while (count < limit && names[count] != nullptr) {
        ++count;
    }
    return count < limit;
}

ZqMatrix viewMatrix() {
    const ZqGlCamera* const camera = ZqGlCamera::getCurrent();
    return camera != nullptr ? camera->getWorldViewMatrix() : ZqMatrix::UNIT;
}

} // namespace

std::unique_ptr<ZqGlEffectPool> ZqGlShader::m_pD3dEffectPool;
ZqGlShader* ZqGlShader::m_vpShaders[MAX_SHADERS] = {};
ZqGlShader* ZqGlShader::m_pDefaultShader = nullptr;
ZqGlShader* ZqGlShader::m_pCurrentShader = nullptr;
unsigned int ZqGlShader::m_currentTechniqueNr = NO_TECHNIQUE;
const ZqGlTexture* ZqGlShader::m_currentTexture[4] = {};

ZqGlShader::ZqGlShader() = default;
ZqGlShader::~ZqGlShader() = default;

// ---------------------------------------------------------------------------------------------
// Making and releasing

bool ZqGlShader::createBody(const unsigned char shaderNr, const void* const data,
                            const unsigned int size, const char16_t** const paramNames,
                            const char16_t** const techniqueNames) {
    releaseBody();
    if (shaderNr >= MAX_SHADERS) {
        return false;
    }
    zqp::gpu::Device* const device = ZqGlSystem::getD3dDevice();
    if (shaderNr == 0) {
        if (device != nullptr) {
            m_pEffect =
                ZqGlEffect::create(*device, zq_resource::DEFAULT_EFFECT,
                                   zq_resource::DEFAULT_EFFECT_SIZE, m_pD3dEffectPool.get());
        }
        if (m_pEffect == nullptr) {
            throw ZqError::GAME_DEPTH_STENCIL;
        }
    } else {
        if (device != nullptr) {
            m_pEffect = ZqGlEffect::create(*device, data, size, m_pD3dEffectPool.get());
        }
        if (m_pEffect == nullptr) {
            return false;
        }
    }

    unsigned int extra = 0;
    unsigned int techniques = 0;
    if (!countNames(paramNames, MAX_EXTRA_PARAMS, extra) ||
        !countNames(techniqueNames, MAX_TECHNIQUE_NAMES, techniques)) {
        releaseBody();
        return false;
    }
    const unsigned int params = NR_STANDARD_PARAMS + extra;
    if (m_pEffect->getParamCount() < params || m_pEffect->getTechniqueCount() < techniques) {
        releaseBody();
        return false;
    }
    try {
        m_handles.assign(params + techniques, -1);
    } catch (const std::bad_alloc&) {
        releaseBody();
        throw ZqError::GAME_TEXTURE_DESC;
    }

    std::string name;
    for (unsigned int i = 0; i < params; ++i) {
        if (i < NR_STANDARD_PARAMS) {
            name = STANDARD_PARAMS[i];
        } else if (!narrowName(paramNames[i - NR_STANDARD_PARAMS], name)) {
            releaseBody();
            return false;
        }
        m_handles[i] = m_pEffect->params().find(name.c_str());
        if (m_handles[i] < 0) {
            releaseBody();
            return false;
        }
    }
    for (unsigned int j = 0; j < techniques; ++j) {
        if (!narrowName(techniqueNames[j], name)) {
            releaseBody();
            return false;
        }
        m_handles[params + j] = m_pEffect->findTechnique(name.c_str());
        if (m_handles[params + j] < 0) {
            releaseBody();
            return false;
        }
    }
    m_nrParams = static_cast<unsigned char>(params);
    m_nrTechniques = static_cast<unsigned char>(techniques);
    m_shaderNr = shaderNr;
    m_vpShaders[shaderNr] = this;
    return true;
}

void ZqGlShader::releaseBody() {
    m_pEffect.reset(); // its parameter block goes with it
    m_handles.clear();
    m_nrParams = 0;
    m_nrTechniques = 0;
    for (ZqGlShader*& entry : m_vpShaders) {
        if (entry == this) {
            entry = nullptr;
        }
    }
    if (m_pCurrentShader == this) {
        m_pCurrentShader = nullptr;
        m_currentTechniqueNr = NO_TECHNIQUE;
    }
}

ZqGlShader* ZqGlShader::createFromData(const unsigned char shaderNr, const char16_t* const name,
                                       const void* data, unsigned int size,
                                       const char16_t* const fileName,
                                       const char16_t** const paramNames,
                                       const char16_t** const techniqueNames) {
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqGlShader* const shader = ZqRefList::create(name);
    if (shader == nullptr || shader->getRefCountBody() != 1) {
        // An effect of that name lives already: it is shared as it is.
        return shader;
    }
    void* loaded = nullptr;
    if (fileName != nullptr) {
        uint32_t loadedSize = MAX_FILE_SIZE;
        loaded = ZqFile::load(fileName, 0, &loadedSize);
        if (loaded == nullptr || loadedSize >= MAX_FILE_SIZE) {
            ZqMemAlloc::deallocate(loaded);
            ZqRefList::release(shader);
            return nullptr;
        }
        data = loaded;
        size = loadedSize;
    }
    const bool made = shader->createBody(shaderNr, data, size, paramNames, techniqueNames);
    ZqMemAlloc::deallocate(loaded);
    if (!made) {
        ZqRefList::release(shader);
        return nullptr;
    }
    return shader;
}

ZqGlShader* ZqGlShader::create(const unsigned char shaderNr, const char16_t* const name,
                               const char16_t* const fileName, const char16_t** const paramNames,
                               const char16_t** const techniqueNames) {
    if (name == nullptr || fileName == nullptr || techniqueNames == nullptr || shaderNr == 0 ||
        shaderNr >= MAX_SHADERS || m_vpShaders[shaderNr] != nullptr ||
        m_pCriticalSection == nullptr) {
        return nullptr;
    }
    return createFromData(shaderNr, name, nullptr, 0, fileName, paramNames, techniqueNames);
}

ZqGlShader* ZqGlShader::create(const unsigned char shaderNr, const char16_t* const fileName,
                               const char16_t** const paramNames,
                               const char16_t** const techniqueNames) {
    return create(shaderNr, fileName, fileName, paramNames, techniqueNames);
}

ZqGlShader* ZqGlShader::create(const unsigned char shaderNr, const char16_t* const name,
                               const void* const data, const unsigned int size,
                               const char16_t** const paramNames,
                               const char16_t** const techniqueNames) {
    if (name == nullptr || data == nullptr || techniqueNames == nullptr || shaderNr == 0 ||
        shaderNr >= MAX_SHADERS || m_vpShaders[shaderNr] != nullptr || size >= MAX_FILE_SIZE ||
        m_pCriticalSection == nullptr) {
        return nullptr;
    }
    return createFromData(shaderNr, name, data, size, nullptr, paramNames, techniqueNames);
}

void ZqGlShader::takeOver(ZqGlShader& other) {
    m_pEffect = std::move(other.m_pEffect);
    m_handles = std::move(other.m_handles);
    m_nrParams = other.m_nrParams;
    m_nrTechniques = other.m_nrTechniques;
    m_shaderNr = other.m_shaderNr;
    other.m_handles.clear();
    other.m_nrParams = 0;
    other.m_nrTechniques = 0;
    m_vpShaders[m_shaderNr] = this;
}

ZqGlShader* ZqGlShader::reload(const void* const data, const unsigned int size,
                               const char16_t** const paramNames,
                               const char16_t** const techniqueNames) {
    if (data == nullptr || techniqueNames == nullptr || m_shaderNr == 0 || size >= MAX_FILE_SIZE ||
        m_pEffect == nullptr) {
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqGlShader* const fresh = ZqRefList::createForce(getName());
    if (fresh == nullptr) {
        return nullptr;
    }
    const unsigned char nr = m_shaderNr;
    if (!fresh->createBody(nr, data, size, paramNames, techniqueNames)) {
        ZqRefList::release(fresh);
        m_vpShaders[nr] = this;
        return nullptr;
    }
    const bool wasCurrent = m_pCurrentShader == this;
    takeOver(*fresh);
    ZqRefList::release(fresh);
    // The current effect stays current on its technique, now in the new effect.
    if (wasCurrent) {
        if (m_currentTechniqueNr < m_nrTechniques &&
            m_pEffect->setTechnique(m_handles[m_nrParams + m_currentTechniqueNr])) {
            m_pCurrentShader = this;
        } else {
            m_pCurrentShader = nullptr;
            m_currentTechniqueNr = NO_TECHNIQUE;
        }
    }
    return this;
}

ZqGlShader* ZqGlShader::reload(const char16_t* const fileName, const char16_t** const paramNames,
                               const char16_t** const techniqueNames) {
    if (fileName == nullptr || techniqueNames == nullptr || m_shaderNr == 0 ||
        m_pEffect == nullptr) {
        return nullptr;
    }
    uint32_t size = MAX_FILE_SIZE;
    void* const data = ZqFile::load(fileName, 0, &size);
    ZqGlShader* const result = data != nullptr && size < MAX_FILE_SIZE
                                   ? reload(data, size, paramNames, techniqueNames)
                                   : nullptr;
    ZqMemAlloc::deallocate(data);
    return result;
}

unsigned int ZqGlShader::release() {
    if (m_pCurrentShader == this && m_pDefaultShader != nullptr && m_pDefaultShader != this) {
        m_pDefaultShader->setTechnique(TECHNIQUE_DIFFUSE);
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    const unsigned int left = ZqRefList::release(this);
    if (left == 0) {
        releaseBody();
        if (m_pDefaultShader == this) {
            m_pDefaultShader = nullptr;
        }
    }
    return left;
}

// ---------------------------------------------------------------------------------------------
// Look-ups and techniques

ZqGlShader* ZqGlShader::getShader(const unsigned char shaderNr) {
    return shaderNr < MAX_SHADERS ? m_vpShaders[shaderNr] : nullptr;
}

const ZqGlTexture* ZqGlShader::getCurrentTexture(const unsigned int stage) {
    return stage < 4 ? m_currentTexture[stage] : nullptr;
}

int ZqGlShader::handle(const unsigned int index) const {
    return index < m_nrParams ? m_handles[index] : -1;
}

bool ZqGlShader::setTechnique(const unsigned int techniqueNr) {
    if (m_pCurrentShader == this && techniqueNr == m_currentTechniqueNr) {
        return true;
    }
    if (m_pEffect == nullptr || techniqueNr >= m_nrTechniques ||
        !m_pEffect->setTechnique(m_handles[m_nrParams + techniqueNr])) {
        return false;
    }
    m_pCurrentShader = this;
    m_currentTechniqueNr = techniqueNr;
    return true;
}

unsigned int ZqGlShader::beginTechnique() {
    return m_pEffect != nullptr ? m_pEffect->begin() : 0;
}

bool ZqGlShader::beginPass(const unsigned int pass) {
    return m_pEffect != nullptr && m_pEffect->beginPass(pass);
}

bool ZqGlShader::endPass() {
    return m_pEffect != nullptr && m_pEffect->endPass();
}

bool ZqGlShader::endTechnique() {
    return m_pEffect != nullptr && m_pEffect->end();
}

bool ZqGlShader::commitParamChanges() {
    return m_pEffect != nullptr && m_pEffect->commitChanges();
}

// ---------------------------------------------------------------------------------------------
// Parameters

bool ZqGlShader::setParamInt(const unsigned int index, const int value) {
    const int h = handle(index);
    return h >= 0 && m_pEffect->params().setInt(h, value);
}

bool ZqGlShader::getParamInt(const unsigned int index, int& out) const {
    const int h = handle(index);
    return h >= 0 && m_pEffect->params().getInt(h, out);
}

bool ZqGlShader::setParamIntArray(const unsigned int index, const int* const values,
                                  const unsigned int count) {
    const int h = handle(index);
    return h >= 0 && m_pEffect->params().setIntArray(h, values, count);
}

bool ZqGlShader::getParamIntArray(const unsigned int index, int* const out,
                                  const unsigned int count) const {
    const int h = handle(index);
    return h >= 0 && m_pEffect->params().getIntArray(h, out, count);
}

bool ZqGlShader::setParamFloat(const unsigned int index, const float value) {
    const int h = handle(index);
    return h >= 0 && m_pEffect->params().setFloat(h, value);
}

bool ZqGlShader::getParamFloat(const unsigned int index, float& out) const {
    const int h = handle(index);
    return h >= 0 && m_pEffect->params().getFloat(h, out);
}

bool ZqGlShader::setParamFloatArray(const unsigned int index, const float* const values,
                                    const unsigned int count) {
    const int h = handle(index);
    return h >= 0 && m_pEffect->params().setFloatArray(h, values, count);
}

bool ZqGlShader::getParamFloatArray(const unsigned int index, float* const out,
                                    const unsigned int count) const {
    const int h = handle(index);
    return h >= 0 && m_pEffect->params().getFloatArray(h, out, count);
}

bool ZqGlShader::setParamVector4(const unsigned int index, const ZqVector4& value) {
    const int h = handle(index);
    const float v[4] = {value.x, value.y, value.z, value.w};
    return h >= 0 && m_pEffect->params().setVector4(h, v);
}

bool ZqGlShader::getParamVector4(const unsigned int index, ZqVector4& out) const {
    const int h = handle(index);
    float v[4] = {};
    if (h < 0 || !m_pEffect->params().getVector4(h, v)) {
        return false;
    }
    out = ZqVector4(v[0], v[1], v[2], v[3]);
    return true;
}

bool ZqGlShader::setParamVector4Array(const unsigned int index, const ZqVector4* const values,
                                      const unsigned int count) {
    const int h = handle(index);
    if (h < 0 || (values == nullptr && count != 0)) {
        return false;
    }
    std::vector<float> flat(static_cast<size_t>(count) * 4);
    for (unsigned int i = 0; i < count; ++i) {
        flat[i * 4] = values[i].x;
        flat[i * 4 + 1] = values[i].y;
        flat[i * 4 + 2] = values[i].z;
        flat[i * 4 + 3] = values[i].w;
    }
    return m_pEffect->params().setVector4Array(h, flat.data(), count);
}

bool ZqGlShader::getParamVector4Array(const unsigned int index, ZqVector4* const out,
                                      const unsigned int count) const {
    const int h = handle(index);
    if (h < 0 || (out == nullptr && count != 0)) {
        return false;
    }
    std::vector<float> flat(static_cast<size_t>(count) * 4);
    if (!m_pEffect->params().getVector4Array(h, flat.data(), count)) {
        return false;
    }
    for (unsigned int i = 0; i < count; ++i) {
        out[i] = ZqVector4(&flat[i * 4]);
    }
    return true;
}

bool ZqGlShader::setParamMatrix(const unsigned int index, const ZqMatrix& value) {
    const int h = handle(index);
    return h >= 0 && m_pEffect->params().setMatrix(h, &value.m[0][0]);
}

bool ZqGlShader::getParamMatrix(const unsigned int index, ZqMatrix& out) const {
    const int h = handle(index);
    return h >= 0 && m_pEffect->params().getMatrix(h, &out.m[0][0]);
}

bool ZqGlShader::setParamMatrixArray(const unsigned int index, const ZqMatrix* const values,
                                     const unsigned int count) {
    const int h = handle(index);
    if (h < 0 || (values == nullptr && count != 0)) {
        return false;
    }
    std::vector<float> flat(static_cast<size_t>(count) * 16);
    for (unsigned int i = 0; i < count; ++i) {
        for (unsigned int k = 0; k < 16; ++k) {
            flat[i * 16 + k] = values[i].m[k / 4][k % 4];
        }
    }
    return m_pEffect->params().setMatrixArray(h, flat.data(), count);
}

bool ZqGlShader::getParamMatrixArray(const unsigned int index, ZqMatrix* const out,
                                     const unsigned int count) const {
    const int h = handle(index);
    if (h < 0 || (out == nullptr && count != 0)) {
        return false;
    }
    std::vector<float> flat(static_cast<size_t>(count) * 16);
    if (!m_pEffect->params().getMatrixArray(h, flat.data(), count)) {
        return false;
    }
    for (unsigned int i = 0; i < count; ++i) {
        out[i] = ZqMatrix(&flat[i * 16]);
    }
    return true;
}

bool ZqGlShader::setParamTextureMatrix(const ZqMatrix& value) {
    return setParamMatrix(PARAM_TEXTURE_MATRIX, value);
}

bool ZqGlShader::getParamTextureMatrix(ZqMatrix& out) const {
    return getParamMatrix(PARAM_TEXTURE_MATRIX, out);
}

bool ZqGlShader::setParamModelViewMatrix(const ZqMatrix& model) {
    const ZqMatrix modelView = model * viewMatrix();
    return setParamMatrixArray(PARAM_MODEL_VIEW, &modelView, 1);
}

bool ZqGlShader::setParamModelViewMatrixArray(const ZqMatrix* const models,
                                              const unsigned int count) {
    if (count > MAX_MODEL_VIEW_MATRICES || (models == nullptr && count != 0)) {
        return false;
    }
    const ZqMatrix view = viewMatrix();
    ZqMatrix modelViews[MAX_MODEL_VIEW_MATRICES];
    for (unsigned int i = 0; i < count; ++i) {
        modelViews[i] = models[i] * view;
    }
    return setParamMatrixArray(PARAM_MODEL_VIEW, modelViews, count);
}

bool ZqGlShader::getParamModelViewMatrix(ZqMatrix& out) const {
    return getParamMatrixArray(PARAM_MODEL_VIEW, &out, 1);
}

bool ZqGlShader::getParamModelViewMatrixArray(ZqMatrix* const out, const unsigned int count) const {
    return getParamMatrixArray(PARAM_MODEL_VIEW, out, count);
}

bool ZqGlShader::setParamTexture(const unsigned int stage, const ZqGlTexture* const texture) {
    if (stage >= 4) {
        return false;
    }
    if (m_currentTexture[stage] == texture) {
        return true;
    }
    const int h = handle(PARAM_TEX0 + stage);
    if (h < 0 || !m_pEffect->params().setTexture(h, texture != nullptr ? texture->getD3dTexture()
                                                                       : nullptr)) {
        return false;
    }
    m_currentTexture[stage] = texture;
    return true;
}

bool ZqGlShader::beginParamBlock() {
    if (m_pEffect == nullptr) {
        return false;
    }
    m_pEffect->params().beginBlock();
    return true;
}

bool ZqGlShader::endParamBlock() {
    if (m_pEffect == nullptr) {
        return false;
    }
    m_pEffect->params().endBlock();
    return true;
}

bool ZqGlShader::applyParamBlock() {
    return m_pEffect != nullptr && m_pEffect->params().applyBlock();
}

// ---------------------------------------------------------------------------------------------
// Start-up, frames, device loss, shut-down

void ZqGlShader::sysInit() {
    init(POOL_SIZE);
    try {
        m_pD3dEffectPool = std::make_unique<ZqGlEffectPool>();
    } catch (const std::bad_alloc&) {
        throw ZqError::GAME_TEXTURE_DESC;
    }
    for (ZqGlShader*& entry : m_vpShaders) {
        entry = nullptr;
    }
    m_pCurrentShader = nullptr;
    m_currentTechniqueNr = NO_TECHNIQUE;
    ZqGlShader* shader = nullptr;
    {
        const ZqLockGuard hold(*m_pCriticalSection);
        shader = ZqRefList::create(u"*default");
        if (shader == nullptr) {
            throw ZqError::GAME_DEPTH_STENCIL;
        }
        if (!shader->createBody(0, nullptr, 0, nullptr, DEFAULT_TECHNIQUES)) {
            ZqRefList::release(shader);
            throw ZqError::GAME_DEPTH_STENCIL;
        }
    }
    m_pDefaultShader = shader;
    sysMain();
}

void ZqGlShader::sysMain() {
    m_pCurrentShader = nullptr;
    for (const ZqGlTexture*& t : m_currentTexture) {
        t = nullptr;
    }
    m_currentTechniqueNr = NO_TECHNIQUE;
    if (m_pDefaultShader != nullptr && m_pDefaultShader->setTechnique(TECHNIQUE_DIFFUSE_TEX_FOG)) {
        m_pCurrentShader = m_pDefaultShader;
        m_currentTechniqueNr = TECHNIQUE_DIFFUSE_TEX_FOG;
    }
    if (m_pCurrentShader != nullptr) {
        m_pCurrentShader->setParamMatrix(PARAM_TEXTURE_MATRIX, ZqMatrix::UNIT);
    }
}

void ZqGlShader::sysQuit() {
    m_pCurrentShader = nullptr;
    m_currentTechniqueNr = NO_TECHNIQUE;
    if (m_pCriticalSection != nullptr) {
        quit();
    }
    m_pDefaultShader = nullptr;
    for (ZqGlShader*& entry : m_vpShaders) {
        entry = nullptr;
    }
    for (const ZqGlTexture*& t : m_currentTexture) {
        t = nullptr;
    }
}

void ZqGlShader::releaseEffectPool() {
    m_pD3dEffectPool.reset();
}

void ZqGlShader::onLostDevice() {
    if (m_pCriticalSection == nullptr) {
        return;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    for (ZqGlShader* s = m_pUsed; s != nullptr; s = s->getNext()) {
        if (s->m_pEffect != nullptr) {
            s->m_pEffect->onLostDevice();
        }
    }
    // The effects let go of their textures; a texture bound before must be bound again.
    for (const ZqGlTexture*& t : m_currentTexture) {
        t = nullptr;
    }
}

void ZqGlShader::onResetDevice() {
    if (m_pCriticalSection == nullptr) {
        return;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    for (ZqGlShader* s = m_pUsed; s != nullptr; s = s->getNext()) {
        if (s->m_pEffect != nullptr) {
            s->m_pEffect->onResetDevice();
        }
    }
}
