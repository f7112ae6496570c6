#include "zq/gl/ZqGlAnimationMixer.h"

#include "zq/gl/ZqGlAnimation.h"
#include "zq/gl/ZqGlKeyFramePlayer.h"
#include "zq/platform/os/lasterror.h"
#include "zq/system/ZqError.h"

#include <new>

void ZqGlAnimationMixer::sysInit() {
    init(POOL_SIZE);
}

void ZqGlAnimationMixer::sysQuit() {
    quit();
}

ZqGlAnimationMixer* ZqGlAnimationMixer::create(ZqGlAnimation* const referenceAnimation) {
    if (referenceAnimation == nullptr) {
        zqp::setLastError(ERROR_NULL);
        return nullptr;
    }
    if (m_pCriticalSection == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    ZqGlAnimationMixer* m = nullptr;
    {
        const ZqLockGuard hold(*m_pCriticalSection);
        m = ZqFixList::create();
    }
    if (m == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    if (!m->m_calc.init(referenceAnimation)) {
        m->release();
        zqp::setLastError(ERROR_CALC);
        return nullptr;
    }
    m->m_nrBones = m->m_calc.getNrBones();
    try {
        m->m_vLayerNr.assign(m->m_nrBones, 0);
        m->m_vPtrs.assign(m->m_nrBones, RotTransScalePtrs{});
    } catch (const std::bad_alloc&) {
        m->release();
        throw ZqError::ANIMATION_MEMORY;
    }
    for (RotTransScalePtrs& p : m->m_vPtrs) {
        ZqGlAnimationPlayer::setDefaults(p);
    }
    for (uint32_t l = 0; l < NR_LAYERS; ++l) {
        if (!m->m_layers[l].init(referenceAnimation)) {
            m->release();
            zqp::setLastError(ERROR_LAYER);
            return nullptr;
        }
        m->driveBones(l);
    }
    return m;
}

unsigned int ZqGlAnimationMixer::release() {
    releaseBody();
    const ZqLockGuard hold(*m_pCriticalSection);
    return ZqFixList::release(this);
}

void ZqGlAnimationMixer::releaseBody() {
    for (Layer& layer : m_layers) {
        layer.quit();
    }
    m_vLayerNr.clear();
    m_vLayerNr.shrink_to_fit();
    m_vPtrs.clear();
    m_vPtrs.shrink_to_fit();
    m_calc.quit();
    m_nrBones = 0;
}

bool ZqGlAnimationMixer::setAnimation(const uint32_t layer, ZqGlAnimation* const animation,
                                      const float blendDuration, const float time) {
    if (layer >= NR_LAYERS) {
        return false;
    }
    return m_layers[layer].setAnimation(animation, m_calc.getAnimation(), blendDuration, time);
}

bool ZqGlAnimationMixer::setAutoLoopAnimation(const uint32_t layer, ZqGlAnimation* const animation,
                                              const float duration, const float startTime) {
    if (layer >= NR_LAYERS) {
        return false;
    }
    return m_layers[layer].setAutoLoopAnimation(animation, duration, startTime);
}

void ZqGlAnimationMixer::setTime(const uint32_t layer, const float time) {
    if (layer < NR_LAYERS) {
        m_layers[layer].setTime(time);
    }
}

void ZqGlAnimationMixer::setRelativeTime(const uint32_t layer, const float delta) {
    if (layer < NR_LAYERS) {
        m_layers[layer].setRelativeTime(delta);
    }
}

void ZqGlAnimationMixer::setBlendTime(const float time) {
    for (Layer& layer : m_layers) {
        if (layer.isCalcBlendEnable()) {
            layer.blendTime(time);
        }
    }
    evaluate();
}

void ZqGlAnimationMixer::setBlendRelativeTime(const float delta) {
    for (Layer& layer : m_layers) {
        if (layer.isCalcBlendEnable()) {
            layer.blendRelativeTime(delta);
        }
    }
    evaluate();
}

void ZqGlAnimationMixer::evaluate() {
    if (m_calc.getAnimation() == nullptr) {
        return;
    }
    for (Layer& layer : m_layers) {
        layer.blendMain();
    }
    for (uint32_t b = 0; b < m_nrBones; ++b) {
        m_vPtrs[b] = m_layers[m_vLayerNr[b]].getOutPtrs(b);
    }
    m_calc.calcOutMatrices(m_nrBones, m_vPtrs.data());
    m_calc.hierOutMatrices(m_nrBones, m_vPtrs.data());
}

void ZqGlAnimationMixer::setLayerNr(const uint32_t bone, const uint32_t layer) {
    if (bone >= m_nrBones || layer >= NR_LAYERS) {
        return;
    }
    if (m_vLayerNr[bone] != layer) {
        m_layers[m_vLayerNr[bone]].setBoneDriven(bone, false);
        m_layers[layer].setBoneDriven(bone, true);
    }
    m_vLayerNr[bone] = static_cast<uint8_t>(layer);
    // The scale pointer follows at the next blend step.
    m_vPtrs[bone].rot = m_layers[layer].getOutPtrs(bone).rot;
    m_vPtrs[bone].trans = m_layers[layer].getOutPtrs(bone).trans;
}

void ZqGlAnimationMixer::setLayerNrArray(const unsigned char* const layers, const uint32_t count) {
    if (layers == nullptr) {
        return;
    }
    for (uint32_t b = 0; b < count && b < m_nrBones; ++b) {
        setLayerNr(b, layers[b]);
    }
}

void ZqGlAnimationMixer::setBlendRatio(const uint32_t layer, const float ratio) {
    if (layer < NR_LAYERS) {
        m_layers[layer].setBlendTime(ratio);
    }
}

float ZqGlAnimationMixer::getBlendTime(const uint32_t layer) const {
    return layer < NR_LAYERS ? m_layers[layer].getBlendTime() : 0.0f;
}

void ZqGlAnimationMixer::setCalcBlendEnable(const uint32_t layer, const bool on) {
    if (layer < NR_LAYERS) {
        m_layers[layer].setCalcBlendEnable(on);
    }
}

bool ZqGlAnimationMixer::isCalcBlendEnable(const uint32_t layer) const {
    return layer < NR_LAYERS && m_layers[layer].isCalcBlendEnable();
}

void ZqGlAnimationMixer::setLoopMode(const uint32_t layer, const uint8_t mode) {
    if (layer < NR_LAYERS) {
        m_layers[layer].setLoopMode(mode);
    }
}

uint8_t ZqGlAnimationMixer::getLoopMode(const uint32_t layer) const {
    return layer < NR_LAYERS ? m_layers[layer].getLoopMode() : 0;
}

ZqGlAnimation* ZqGlAnimationMixer::getAnimation(const uint32_t layer) const {
    return layer < NR_LAYERS ? m_layers[layer].getAnimation() : nullptr;
}

ZqGlAnimation* ZqGlAnimationMixer::getAutoLoopAnimation(const uint32_t layer) const {
    return layer < NR_LAYERS ? m_layers[layer].getAutoLoopAnimation() : nullptr;
}

bool ZqGlAnimationMixer::isEnd(const uint32_t layer) const {
    const ZqGlKeyFramePlayer* const p =
        layer < NR_LAYERS ? m_layers[layer].getKeyFramePlayer() : nullptr;
    return p != nullptr && p->isEnd();
}

uint8_t ZqGlAnimationMixer::getLoopCount(const uint32_t layer) const {
    const ZqGlKeyFramePlayer* const p =
        layer < NR_LAYERS ? m_layers[layer].getKeyFramePlayer() : nullptr;
    return p != nullptr ? p->getLoopCount() : 0;
}

float ZqGlAnimationMixer::getTime(const uint32_t layer) const {
    const ZqGlKeyFramePlayer* const p =
        layer < NR_LAYERS ? m_layers[layer].getKeyFramePlayer() : nullptr;
    return p != nullptr ? p->getTime() : 0.0f;
}

uint32_t ZqGlAnimationMixer::getKey(const uint32_t layer, const uint32_t track) const {
    const ZqGlKeyFramePlayer* const p =
        layer < NR_LAYERS ? m_layers[layer].getKeyFramePlayer() : nullptr;
    return p != nullptr && track < p->getNrTracks() ? p->getKey(track) : 0;
}

void ZqGlAnimationMixer::releaseLayer(const uint32_t layer) {
    if (layer >= NR_LAYERS) {
        return;
    }
    m_layers[layer].quit();
    // A layer let go drives its bones with the default pose until it is set up again.
    if (m_calc.getAnimation() != nullptr && m_layers[layer].init(m_calc.getAnimation())) {
        driveBones(layer);
    }
}

void ZqGlAnimationMixer::driveBones(const uint32_t layer) {
    for (uint32_t b = 0; b < m_nrBones; ++b) {
        m_layers[layer].setBoneDriven(b, m_vLayerNr[b] == layer);
    }
}
