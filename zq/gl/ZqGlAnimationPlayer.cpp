#include "zq/gl/ZqGlAnimationPlayer.h"

#include "zq/gl/ZqGlAnimation.h"
#include "zq/gl/ZqGlKeyFrame.h"
#include "zq/gl/ZqGlKeyFramePlayer.h"
#include "zq/math/ZqQuat.h"
#include "zq/math/ZqVector4.h"
#include "zq/platform/os/lasterror.h"
#include "zq/system/ZqError.h"

#include <new>

void ZqGlAnimationPlayer::sysInit() {
    init(POOL_SIZE);
}

void ZqGlAnimationPlayer::sysQuit() {
    quit();
}

ZqGlAnimationPlayer* ZqGlAnimationPlayer::create(ZqGlAnimation* const animation, const float time) {
    if (animation == nullptr) {
        zqp::setLastError(ERROR_NULL);
        return nullptr;
    }
    if (m_pCriticalSection == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    ZqGlAnimationPlayer* p = nullptr;
    {
        const ZqLockGuard hold(*m_pCriticalSection);
        p = ZqFixList::create();
    }
    if (p == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    if (!p->setAnimation(animation, time)) {
        p->release();
        zqp::setLastError(ERROR_NULL);
        return nullptr;
    }
    return p;
}

unsigned int ZqGlAnimationPlayer::release() {
    releaseBody();
    const ZqLockGuard hold(*m_pCriticalSection);
    return ZqFixList::release(this);
}

void ZqGlAnimationPlayer::releaseBody() {
    m_vPtrs.clear();
    m_vPtrs.shrink_to_fit();
    if (m_pKeyFramePlayer != nullptr) {
        m_pKeyFramePlayer->release();
        m_pKeyFramePlayer = nullptr;
    }
    m_calc.quit();
}

void ZqGlAnimationPlayer::setDefaults(RotTransScalePtrs& p) {
    p.rot = &ZqQuat::UNIT.x;
    p.trans = &ZqVector4::UNIT_W.x;
    p.scale = &ZqVector4::UNIT.x;
}

bool ZqGlAnimationPlayer::bindTracks(const ZqGlAnimation* const animation,
                                     const ZqGlKeyFramePlayer* const player, const uint32_t nrBones,
                                     RotTransScalePtrs* const ptrs) {
    for (uint32_t b = 0; b < nrBones; ++b) {
        setDefaults(ptrs[b]);
    }
    const ZqGlKeyFrame* const set = animation->getKeyFrame();
    bool all = true;
    for (uint32_t t = 0; t < set->getNrTracks(); ++t) {
        const uint8_t type = set->getType(t);
        const bool rot = type == ZqGlKeyFrame::TYPE_QUAT || type == ZqGlKeyFrame::TYPE_QUAT_PACKED;
        const bool trans = type == ZqGlKeyFrame::TYPE_XYZW || type == ZqGlKeyFrame::TYPE_XYZ ||
                           type == ZqGlKeyFrame::TYPE_XYZ_HALF ||
                           type == ZqGlKeyFrame::TYPE_XYZ_HALF_BASE;
        const bool scale = type == ZqGlKeyFrame::TYPE_SCALE;
        if (!rot && !trans && !scale) {
            zqp::setLastError(ERROR_TRACK_TYPE);
            all = false;
            continue;
        }
        const int bone = animation->getBoneNrFromTrack(t);
        // A track of no bone, or of a bone this skeleton does not have, moves nothing.
        if (bone < 0 || static_cast<uint32_t>(bone) >= nrBones) {
            continue;
        }
        const float* const values = player->getInterpolatedValues(t);
        RotTransScalePtrs& p = ptrs[bone];
        (rot ? p.rot : trans ? p.trans : p.scale) = values;
    }
    return all;
}

bool ZqGlAnimationPlayer::setAnimation(ZqGlAnimation* const animation, const float time) {
    if (animation == nullptr) {
        zqp::setLastError(ERROR_NULL);
        return false;
    }
    const uint32_t oldCount = m_calc.getAnimation() != nullptr ? m_calc.getNrBones() : 0;
    if (m_pKeyFramePlayer == nullptr) {
        m_pKeyFramePlayer = ZqGlKeyFramePlayer::create(animation->getKeyFrame(), 0.0f);
        if (m_pKeyFramePlayer == nullptr) {
            releaseBody();
            zqp::setLastError(ERROR_CALC);
            return false;
        }
    } else {
        m_pKeyFramePlayer->setKeyFrame(animation->getKeyFrame(), 0.0f);
    }
    if (!m_calc.init(animation)) {
        releaseBody();
        zqp::setLastError(ERROR_CALC);
        return false;
    }
    const uint32_t count = m_calc.getNrBones();
    if (count != oldCount || m_vPtrs.empty()) {
        try {
            m_vPtrs.assign(count, RotTransScalePtrs{});
        } catch (const std::bad_alloc&) {
            throw ZqError::ANIMATION_MEMORY;
        }
    }
    if (!bindTracks(animation, m_pKeyFramePlayer, count, m_vPtrs.data())) {
        releaseBody();
        return false;
    }
    setTime(time);
    return true;
}

void ZqGlAnimationPlayer::evaluate() {
    const uint32_t count = m_calc.getNrBones();
    m_calc.calcOutMatrices(count, m_vPtrs.data());
    m_calc.hierOutMatrices(count, m_vPtrs.data());
}

void ZqGlAnimationPlayer::setTime(const float time) {
    if (m_pKeyFramePlayer == nullptr || m_calc.getAnimation() == nullptr) {
        return;
    }
    m_pKeyFramePlayer->setTime(time);
    evaluate();
}

void ZqGlAnimationPlayer::setRelativeTime(const float delta) {
    if (m_pKeyFramePlayer == nullptr || m_calc.getAnimation() == nullptr) {
        return;
    }
    m_pKeyFramePlayer->setRelativeTime(delta);
    evaluate();
}

uint32_t ZqGlAnimationPlayer::getKey(const uint32_t track) const {
    return m_pKeyFramePlayer != nullptr && track < m_pKeyFramePlayer->getNrTracks()
               ? m_pKeyFramePlayer->getKey(track)
               : 0;
}

float ZqGlAnimationPlayer::getTime() const {
    return m_pKeyFramePlayer != nullptr ? m_pKeyFramePlayer->getTime() : 0.0f;
}

bool ZqGlAnimationPlayer::isEnd() const {
    return m_pKeyFramePlayer != nullptr && m_pKeyFramePlayer->isEnd();
}

uint8_t ZqGlAnimationPlayer::getLoopCount() const {
    return m_pKeyFramePlayer != nullptr ? m_pKeyFramePlayer->getLoopCount() : 0;
}

uint8_t ZqGlAnimationPlayer::getLoopMode() const {
    return m_pKeyFramePlayer != nullptr ? m_pKeyFramePlayer->getLoopMode() : 0;
}

void ZqGlAnimationPlayer::setLoopMode(const uint8_t mode) {
    if (m_pKeyFramePlayer != nullptr) {
        m_pKeyFramePlayer->setLoopMode(mode);
    }
}
