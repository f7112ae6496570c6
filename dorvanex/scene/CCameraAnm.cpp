#include "dorvanex/scene/CCameraAnm.h"

#include "dorvanex/scene/CResourceManager.h"
#include "zq/zq.h"

#include <cmath>

CCameraAnm::~CCameraAnm() {
    CCameraAnm::release();
}

void CCameraAnm::release() {
    if (m_pPlayer != nullptr) {
        m_pPlayer->release();
        m_pPlayer = nullptr;
    }
    CBaseCamera::release();
}

bool CCameraAnm::loadAnimation(const int32_t id) {
    ZqGlCameraAnimation* const animation =
        CResourceManager::getInstance()->getCameraAnimation(id, CResourceManager::BANK_CHAPTER);
    if (animation == nullptr) {
        return false;
    }
    ZqGlCameraAnimationPlayer* const player = ZqGlCameraAnimationPlayer::create(animation, 0.0f);
    if (player == nullptr) {
        return false;
    }
    if (m_pPlayer != nullptr) {
        m_pPlayer->release();
    }
    m_pPlayer = player;
    m_animationId = id;
    return true;
}

void CCameraAnm::setLoopMode(const uint8_t mode) {
    if (m_pPlayer != nullptr) {
        m_pPlayer->setLoopMode(mode);
    }
}

bool CCameraAnm::isEnd() const {
    return m_pPlayer == nullptr || m_pPlayer->isEnd();
}

void CCameraAnm::rewind() {
    m_playMode = PLAY_MODE_PLAY;
    setTime(0.0f);
}

float CCameraAnm::getTime() const {
    return m_pPlayer != nullptr ? m_pPlayer->getTime() : 0.0f;
}

void CCameraAnm::setTime(const float time) {
    if (m_pPlayer != nullptr) {
        m_pPlayer->setTime(time);
    }
}

bool CCameraAnm::advance(const float dt) {
    if (m_pPlayer == nullptr) {
        return false;
    }
    switch (m_playMode) {
    case PLAY_MODE_PLAY:
        m_pPlayer->setRelativeTime(m_reverse ? -dt * m_speed : dt * m_speed);
        break;
    case PLAY_MODE_HOLD:
        m_heldTime = m_pPlayer->getTime();
        m_pPlayer->setTime(m_heldTime);
        break;
    default:
        m_pPlayer->setTime(0.0f);
        break;
    }
    return true;
}

void CCameraAnm::update(const float dt) {
    if (!advance(dt)) {
        return;
    }
    m_local = m_pPlayer->getMatrix();
    if (m_pCamera != nullptr) {
        m_pCamera->setViewWorldMatrix(m_local);
    }
    setPerspectiveFov(m_pPlayer->getFovY(), m_aspect, m_pPlayer->getZNear(), m_pPlayer->getZFar());
}

ZqVector3 CAnmAimCamera::getAimOffset() const {
    if (m_pTargetA == nullptr || m_pTargetB == nullptr) {
        return ZqVector3(0.0f, 0.0f, 0.0f);
    }
    const ZqVector3 a = m_pTargetA->getModelPosition();
    const ZqVector3 b = m_pTargetB->getModelPosition();
    const float h = std::fmin(std::fabs(a.x - b.x) / 2.0f, MAX_AIM_OFFSET);
    return ZqVector3(b.x < a.x ? -h : h, 0.0f, 0.0f);
}

void CAnmAimCamera::update(const float dt) {
    if (m_pPlayer == nullptr) {
        return;
    }
    m_pPlayer->setRelativeTime(dt * m_speed);
    const ZqMatrix& m = m_pPlayer->getMatrix();
    ZqMatrix inverse = ZqMatrix::UNIT;
    inverse.inverse(m);
    // The path's viewing axis: the third column of its view.
    const ZqVector3 d(inverse._13, inverse._23, inverse._33);
    if (m_pTargetA != nullptr) {
        m_aimOffset = getAimOffset();
        if (!m_aimLocked) {
            m_aim = m_pTargetA->getModelPosition();
            m_aim.y += m_heightOffset;
            m_aim += m_aimOffset;
        } else if (!m_stage1) {
            m_aim.y += m_heightOffset;
            m_aim += m_aimOffset;
        } else if (!m_stage2) {
            m_aim += m_aimOffset;
            m_aim.y += m_heightOffset;
            m_stage2 = true;
        }
        m_followSpeed = m_pTargetA->getSpeed() / m_speedDivisor;
    }
    if (std::fabs(d.z) < MIN_AXIS_Z) {
        // Too flat to slide along: the path's own placement for this frame.
        m_local = m;
        if (m_pCamera != nullptr) {
            m_pCamera->setViewWorldMatrix(m_local);
        }
    } else {
        const float k = (m._43 - m_aim.z) / d.z;
        lookAt(m_aim + d * k, m_aim, ZqVector3(0.0f, 1.0f, 0.0f));
    }
    setPerspectiveFov(m_pPlayer->getFovY(), m_aspect, m_pPlayer->getZNear(), m_pPlayer->getZFar());
}
