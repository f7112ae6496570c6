#include "zq/gl/ZqGlLight.h"

#include "zq/gl/ZqGlCamera.h"
#include "zq/gl/ZqGlShader.h"
#include "zq/math/ZqMatrix.h"
#include "zq/math/ZqVector3.h"
#include "zq/system/ZqError.h"

ZqGlLight* ZqGlLight::m_pDefaultLight = nullptr;
ZqVector4 ZqGlLight::m_ambientColor{0.32f, 0.34f, 0.3f, 0.0f};

namespace {

const ZqVector4 START_AMBIENT{0.32f, 0.34f, 0.3f, 0.0f};

ZqVector4 colorOf(const uint32_t argb) {
    constexpr float k = 1.0f / 255.0f;
    return ZqVector4(
        static_cast<float>((argb >> 16) & 0xFFu) * k, static_cast<float>((argb >> 8) & 0xFFu) * k,
        static_cast<float>(argb & 0xFFu) * k, static_cast<float>((argb >> 24) & 0xFFu) * k);
}

} // namespace

void ZqGlLight::sysInit() {
    init(POOL_SIZE);
    m_pDefaultLight = create(TYPE_DIRECTIONAL, 0.4f, 0.4f, 0.5f, 1.0f);
    if (m_pDefaultLight == nullptr) {
        throw ZqError::DEFAULT_LIGHT;
    }
    setAmbient(START_AMBIENT);
}

void ZqGlLight::sysQuit() {
    m_pDefaultLight = nullptr;
    quit();
}

ZqGlLight* ZqGlLight::create(const uint32_t type, const float r, const float g, const float b,
                             const float a) {
    return createBody(type, ZqVector4(r, g, b, a));
}

ZqGlLight* ZqGlLight::create(const uint32_t type, const ZqVector4& color) {
    return createBody(type, color);
}

ZqGlLight* ZqGlLight::create(const uint32_t type, const uint32_t argb) {
    return createBody(type, colorOf(argb));
}

ZqGlLight* ZqGlLight::createBody(const uint32_t type, const ZqVector4& color) {
    if (m_pCriticalSection == nullptr) {
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqGlLight* const light = ZqFixList::create();
    if (light == nullptr) {
        return nullptr;
    }
    light->m_enable = true;
    light->m_type = type;
    light->m_color = color;
    light->m_attenuation.set(1.0f, 0.0f, 0.0f, 0.0f);
    light->m_dir.set(0.0f, -1.0f, 0.0f, 0.0f);
    light->m_pos.set(0.0f, 0.0f, 0.0f, 1.0f);
    setDirPosParam();
    setColorParam();
    setAttenutationParam();
    return light;
}

unsigned int ZqGlLight::release() {
    if (m_pCriticalSection == nullptr) {
        return 0;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    // A light given back twice would corrupt the pool's lists.
    if (searchBody(this) == nullptr) {
        return 0;
    }
    m_color.set(0.0f, 0.0f, 0.0f, 0.0f);
    setColorParam();
    if (this == m_pDefaultLight) {
        m_pDefaultLight = nullptr;
    }
    return ZqFixList::release(this);
}

void ZqGlLight::setColor(const float r, const float g, const float b, const float a) {
    setColor(ZqVector4(r, g, b, a));
}

void ZqGlLight::setColor(const ZqVector4& color) {
    m_color = color;
    setColorParam();
}

void ZqGlLight::setColor(const uint32_t argb) {
    setColor(colorOf(argb));
}

void ZqGlLight::setDir(const float x, const float y, const float z) {
    setDir(ZqVector3(x, y, z));
}

void ZqGlLight::setDir(const ZqVector3& dir) {
    m_dir.set(ZqVector3().normalize(dir), 0.0f);
    setDirPosParam();
}

void ZqGlLight::setDir(const ZqVector4& dir) {
    setDir(ZqVector3(dir.x, dir.y, dir.z));
}

void ZqGlLight::setPos(const float x, const float y, const float z) {
    m_pos.set(x, y, z, 1.0f);
    setDirPosParam();
}

void ZqGlLight::setPos(const ZqVector3& pos) {
    setPos(pos.x, pos.y, pos.z);
}

void ZqGlLight::setPos(const ZqVector4& pos) {
    setPos(pos.x, pos.y, pos.z);
}

void ZqGlLight::setAttenutation(const float a0, const float a1, const float a2) {
    setAttenutation(ZqVector4(a0, a1, a2, 0.0f));
}

void ZqGlLight::setAttenutation(const ZqVector4& attenuation) {
    m_attenuation = attenuation;
    setAttenutationParam();
}

void ZqGlLight::setAmbient(const float r, const float g, const float b, const float a) {
    setAmbient(ZqVector4(r, g, b, a));
}

void ZqGlLight::setAmbient(const ZqVector4& color) {
    m_ambientColor = color;
    setAmbientParam();
}

void ZqGlLight::setAmbient(const uint32_t argb) {
    setAmbient(colorOf(argb));
}

void ZqGlLight::setAmbientParam() {
    if (ZqGlShader* const shader = ZqGlShader::getCurrent()) {
        shader->setParamVector4(ZqGlShader::PARAM_LIGHT_AMBIENT, m_ambientColor);
    }
}

namespace {

// Rows of the enabled lights' colours or attenuations, newest light first.
template <typename Row> ZqMatrix enabledRows(ZqGlLight* const first, Row&& row) {
    ZqMatrix m = ZqMatrix::ZERO;
    int slot = 0;
    for (ZqGlLight* l = first; l != nullptr && slot < 4; l = l->getNext(), ++slot) {
        if (l->getEnable()) {
            const ZqVector4& v = row(*l);
            m.setRow(slot, v.x, v.y, v.z, v.w);
        }
    }
    return m;
}

} // namespace

void ZqGlLight::setColorParam() {
    if (m_pCriticalSection == nullptr) {
        return;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqGlShader* const shader = ZqGlShader::getCurrent();
    if (shader == nullptr) {
        return;
    }
    shader->setParamMatrix(
        ZqGlShader::PARAM_LIGHT_COLOR,
        enabledRows(m_pUsed, [](const ZqGlLight& l) -> const ZqVector4& { return l.m_color; }));
}

void ZqGlLight::setAttenutationParam() {
    if (m_pCriticalSection == nullptr) {
        return;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqGlShader* const shader = ZqGlShader::getCurrent();
    if (shader == nullptr) {
        return;
    }
    shader->setParamMatrix(ZqGlShader::PARAM_LIGHT_ATTENUTATION,
                           enabledRows(m_pUsed, [](const ZqGlLight& l) -> const ZqVector4& {
                               return l.m_attenuation;
                           }));
}

void ZqGlLight::setDirPosParam() {
    if (m_pCriticalSection == nullptr) {
        return;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqGlShader* const shader = ZqGlShader::getCurrent();
    if (shader == nullptr) {
        return;
    }
    const ZqGlCamera* const camera = ZqGlCamera::getCurrent();
    const ZqMatrix& view = camera != nullptr ? camera->getWorldViewMatrix() : ZqMatrix::UNIT;
    ZqMatrix dirs;
    ZqMatrix positions;
    int slot = 0;
    for (const ZqGlLight* l = m_pUsed; l != nullptr && slot < 4; l = l->getNext(), ++slot) {
        const ZqVector4 d = l->m_dir * view;
        const ZqVector4 p = l->m_pos * view;
        dirs.setRow(slot, d.x, d.y, d.z, d.w);
        positions.setRow(slot, p.x, p.y, p.z, p.w);
    }
    for (; slot < 4; ++slot) {
        dirs.setRow(slot, 1.0f, 0.0f, 0.0f, 0.0f);
        positions.setRow(slot, 1.0f, 0.0f, 0.0f, 0.0f);
    }
    shader->setParamMatrix(ZqGlShader::PARAM_LIGHT_DIR, dirs);
    shader->setParamMatrix(ZqGlShader::PARAM_LIGHT_POS, positions);
}
