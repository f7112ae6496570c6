#include "zq/gl/ZqGlFog.h"

#include "zq/gl/ZqGlShader.h"
#include "zq/math/ZqNumeric.h"
#include "zq/math/ZqVector4.h"
#include "zq/system/ZqSystem.h"

ZqGlFog ZqGlFog::m_fogCurr;
ZqGlFog ZqGlFog::m_fogNext;
ZqGlFog ZqGlFog::m_fogPrev;
ZqGlFog ZqGlFog::m_fogDefault;
float ZqGlFog::m_leftTime = 0.0f;
float ZqGlFog::m_durationReciprocal = 0.0f;
unsigned int ZqGlFog::m_priority = 0;

void ZqGlFog::sysInit() {
    m_fogDefault = ZqGlFog(0.65f, 0.7f, 0.8f, 0.0f, -5000.0f, 0.00005f);
    m_fogNext = m_fogDefault;
    m_fogCurr = m_fogDefault;
    m_fogPrev = m_fogDefault;
    m_leftTime = 0.0f;
    m_durationReciprocal = 0.0f;
    m_priority = 0;
}

void ZqGlFog::start(const unsigned int priority, const float time) {
    m_fogPrev = m_fogCurr;
    m_priority = priority;
    if (time > 0.0f) {
        m_leftTime = time;
        m_durationReciprocal = zqRcp(time);
    } else {
        // No time to blend over: the request is the fog from now on. (Left to the blend, a
        // time of 0 or less would never start and the request would be lost.)
        m_fogCurr = m_fogNext;
        m_leftTime = 0.0f;
    }
}

void ZqGlFog::setColourBody(const float r, const float g, const float b,
                            const unsigned int priority, const float time) {
    if (priority < m_priority) {
        return;
    }
    m_fogNext.m_r = r;
    m_fogNext.m_g = g;
    m_fogNext.m_b = b;
    m_fogNext.m_param0 = m_fogCurr.m_param0;
    m_fogNext.m_param1 = m_fogCurr.m_param1;
    start(priority, time);
}

void ZqGlFog::setBody(const float r, const float g, const float b, const float start,
                      const float density, const unsigned int priority, const float time) {
    if (priority < m_priority) {
        return;
    }
    m_fogNext.m_r = r;
    m_fogNext.m_g = g;
    m_fogNext.m_b = b;
    m_fogNext.m_param0 = -start;
    m_fogNext.m_param1 = -density;
    ZqGlFog::start(priority, time);
}

void ZqGlFog::set(const float r, const float g, const float b, const unsigned int priority,
                  const float time) {
    setColourBody(r, g, b, priority, time);
}

void ZqGlFog::set(const ZqVector4& colour, const unsigned int priority, const float time) {
    setColourBody(colour.x, colour.y, colour.z, priority, time);
}

void ZqGlFog::set(const unsigned int argb, const unsigned int priority, const float time) {
    constexpr float k = 1.0f / 255.0f;
    setColourBody(static_cast<float>(argb >> 16 & 0xFF) * k,
                  static_cast<float>(argb >> 8 & 0xFF) * k, static_cast<float>(argb & 0xFF) * k,
                  priority, time);
}

void ZqGlFog::set(const float r, const float g, const float b, const float start,
                  const float density, const unsigned int priority, const float time) {
    setBody(r, g, b, start, density, priority, time);
}

void ZqGlFog::set(const ZqVector4& colour, const float start, const float density,
                  const unsigned int priority, const float time) {
    setBody(colour.x, colour.y, colour.z, start, density, priority, time);
}

void ZqGlFog::set(const unsigned int argb, const float start, const float density,
                  const unsigned int priority, const float time) {
    constexpr float k = 1.0f / 255.0f;
    setBody(static_cast<float>(argb >> 16 & 0xFF) * k, static_cast<float>(argb >> 8 & 0xFF) * k,
            static_cast<float>(argb & 0xFF) * k, start, density, priority, time);
}

void ZqGlFog::setDefault(const unsigned int priority, const float time) {
    m_fogNext = m_fogDefault;
    start(priority, time);
}

ZqVector4 ZqGlFog::getColor() {
    return ZqVector4(m_fogCurr.m_r, m_fogCurr.m_g, m_fogCurr.m_b, 1.0f);
}

float ZqGlFog::getStart() {
    return -m_fogCurr.m_param0;
}

float ZqGlFog::getDensity() {
    return -m_fogCurr.m_param1;
}

void ZqGlFog::sysMain() {
    if (m_leftTime > 0.0f) {
        // The weight of the start value, taken before this frame's time is spent, so the
        // first frame of a blend still shows where it started.
        const float w = m_durationReciprocal * m_leftTime;
        const float v = 1.0f - w;
        m_fogCurr.m_r = m_fogNext.m_r * v + m_fogPrev.m_r * w;
        m_fogCurr.m_g = m_fogNext.m_g * v + m_fogPrev.m_g * w;
        m_fogCurr.m_b = m_fogNext.m_b * v + m_fogPrev.m_b * w;
        m_fogCurr.m_param0 = m_fogNext.m_param0 * v + m_fogPrev.m_param0 * w;
        m_fogCurr.m_param1 = m_fogNext.m_param1 * v + m_fogPrev.m_param1 * w;
        m_leftTime -= ZqSystem::m_fTimeTick;
        if (m_leftTime <= 0.0f) {
            m_fogCurr = m_fogNext;
            m_leftTime = 0.0f;
        }
    }
    ZqGlShader* const shader = ZqGlShader::getCurrent();
    if (shader != nullptr) {
        const float params[2] = {m_fogCurr.m_param0, m_fogCurr.m_param1};
        shader->setParamFloatArray(ZqGlShader::PARAM_FOG_PARAMS, params, 2);
        shader->setParamVector4(
            ZqGlShader::PARAM_FOG_COLOR,
            ZqVector4(m_fogCurr.m_r, m_fogCurr.m_g, m_fogCurr.m_b, m_fogCurr.m_a));
    }
}
