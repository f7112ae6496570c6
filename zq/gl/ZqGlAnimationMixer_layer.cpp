// One layer of the mixer: its two slots, the cross-fade and the auto-loop chain.
#include "zq/gl/ZqGlAnimation.h"
#include "zq/gl/ZqGlAnimationMixer.h"
#include "zq/gl/ZqGlKeyFrame.h"
#include "zq/gl/ZqGlKeyFramePlayer.h"
#include "zq/math/ZqQuat.h"
#include "zq/system/ZqError.h"

#include <algorithm>
#include <new>

using Layer = ZqGlAnimationMixer::Layer;

bool Layer::init(ZqGlAnimation* const referenceAnimation) {
    quit();
    m_pReference = referenceAnimation;
    m_nrBones = referenceAnimation->getNrBones();
    try {
        m_vFrozen.assign(m_nrBones, RotTransScale{});
        m_vBlended.assign(m_nrBones, RotTransScale{});
        m_vOut.assign(m_nrBones, RotTransScalePtrs{});
        for (Slot& s : m_slots) {
            s.ptrs.assign(m_nrBones, RotTransScalePtrs{});
        }
    } catch (const std::bad_alloc&) {
        throw ZqError::ANIMATION_MEMORY;
    }
    for (uint32_t b = 0; b < m_nrBones; ++b) {
        ZqGlAnimationPlayer::setDefaults(m_vOut[b]);
        ZqGlAnimationPlayer::setDefaults(m_slots[0].ptrs[b]);
        ZqGlAnimationPlayer::setDefaults(m_slots[1].ptrs[b]);
    }
    ZqGlKeyFrame* const set = referenceAnimation->getKeyFrame();
    for (Slot& s : m_slots) {
        s.player = ZqGlKeyFramePlayer::create(set, 0.0f);
        if (s.player == nullptr) {
            quit();
            return false;
        }
    }
    m_loopMode = set->getLoopMode();
    return true;
}

void Layer::quit() {
    for (Slot& s : m_slots) {
        if (s.player != nullptr) {
            s.player->release();
            s.player = nullptr;
        }
        if (s.animation != nullptr) {
            s.animation->release();
            s.animation = nullptr;
        }
        s.state = State::Empty;
        s.ptrs.clear();
        s.ptrs.shrink_to_fit();
    }
    if (m_pAutoLoop != nullptr) {
        m_pAutoLoop->release();
        m_pAutoLoop = nullptr;
    }
    m_vFrozen.clear();
    m_vFrozen.shrink_to_fit();
    m_vBlended.clear();
    m_vBlended.shrink_to_fit();
    m_vOut.clear();
    m_vOut.shrink_to_fit();
    m_pReference = nullptr;
    m_nrBones = 0;
    m_old = 0;
    m_blendDuration = 1.0f;
    m_blendRcp = 1.0f;
    m_blendTime = 0.0f;
    m_autoLoopDuration = 1.0f;
    m_autoLoopStart = 0.0f;
    m_calcBlend = true;
    m_loopMode = 0;
}

void Layer::empty(Slot& slot) {
    if (slot.animation != nullptr) {
        slot.player->setKeyFrame(m_pReference->getKeyFrame(), 0.0f);
        slot.animation->release();
        slot.animation = nullptr;
    }
    slot.state = State::Empty;
    for (RotTransScalePtrs& p : slot.ptrs) {
        ZqGlAnimationPlayer::setDefaults(p);
    }
}

void Layer::pointAtBlended() {
    for (uint32_t b = 0; b < m_nrBones; ++b) {
        m_vOut[b] = {m_vBlended[b].rot, m_vBlended[b].trans, m_vBlended[b].scale};
    }
}

void Layer::putIntoOld(ZqGlAnimation* const animation, const float time) {
    Slot& slot = m_slots[m_old];
    animation->addRef();
    if (slot.animation != nullptr) {
        slot.animation->release();
    }
    slot.animation = animation;
    slot.state = State::Playing;
    ZqGlKeyFrame* const set = animation->getKeyFrame();
    // A start past the end plays from the end rather than leaving the player on another set.
    slot.player->setKeyFrame(set, std::min(time, set->getTotalTime()));
    // Tracks this skeleton cannot take stay unbound.
    ZqGlAnimationPlayer::bindTracks(animation, slot.player, m_nrBones, slot.ptrs.data());
}

void Layer::startBlend(const float duration) {
    m_blendDuration = duration == 0.0f ? 1.0f : duration;
    m_blendRcp = zqRcp(m_blendDuration);
    m_blendTime = 0.0f;
    m_slots[m_old].player->setLoopMode(m_loopMode);
    m_old = static_cast<uint8_t>(1 - m_old);
}

bool Layer::setAnimation(ZqGlAnimation* const animation, ZqGlAnimation* const referenceAnimation,
                         const float blendDuration, const float time) {
    if (m_pReference == nullptr) {
        return false;
    }
    m_pReference = referenceAnimation;
    if (animation == nullptr) {
        empty(m_slots[0]);
        empty(m_slots[1]);
        for (RotTransScalePtrs& p : m_vOut) {
            ZqGlAnimationPlayer::setDefaults(p);
        }
        return true;
    }
    const bool oldWasEmpty = m_slots[m_old].state == State::Empty;
    putIntoOld(animation, time);
    Slot& cur = current();
    if (oldWasEmpty) {
        if (cur.state == State::Empty) {
            m_vOut = m_slots[m_old].ptrs;
        } else {
            pointAtBlended();
        }
    } else {
        // An interrupted cross-fade goes on from the pose it had reached.
        if (cur.state == State::Playing) {
            empty(cur);
        }
        m_vFrozen = m_vBlended;
        cur.state = State::Frozen;
        for (uint32_t b = 0; b < m_nrBones; ++b) {
            cur.ptrs[b] = {m_vFrozen[b].rot, m_vFrozen[b].trans, m_vFrozen[b].scale};
        }
        pointAtBlended();
    }
    startBlend(blendDuration);
    return true;
}

bool Layer::setAutoLoopAnimation(ZqGlAnimation* const animation, const float duration,
                                 const float startTime) {
    if (animation != nullptr) {
        animation->addRef();
    }
    if (m_pAutoLoop != nullptr) {
        m_pAutoLoop->release();
    }
    m_pAutoLoop = animation;
    if (animation != nullptr) {
        m_autoLoopDuration = duration;
        m_autoLoopStart = startTime;
    }
    return true;
}

void Layer::setLoopMode(const uint8_t mode) {
    m_loopMode = mode;
    if (current().player != nullptr) {
        current().player->setLoopMode(mode);
    }
}

ZqGlKeyFramePlayer* Layer::getKeyFramePlayer() const {
    return current().state == State::Playing ? current().player : nullptr;
}

void Layer::setRelativeTime(const float delta) {
    Slot& cur = current();
    if (cur.state != State::Playing) {
        return;
    }
    cur.player->setRelativeTime(delta);
    Slot& old = m_slots[m_old];
    if (m_pAutoLoop != nullptr && old.state == State::Empty) {
        const float remaining = cur.player->getKeyFrame()->getTotalTime() - cur.player->getTime();
        if (remaining < m_autoLoopDuration) {
            const float blend = std::max(remaining, 1.0f);
            putIntoOld(m_pAutoLoop, m_autoLoopStart + m_autoLoopDuration - remaining);
            pointAtBlended();
            startBlend(blend);
            m_autoLoopStart = 0.0f;
            return;
        }
    }
    if (old.state == State::Playing) {
        old.player->setRelativeTime(delta);
    }
}

void Layer::setTime(const float time) {
    for (Slot& s : m_slots) {
        if (s.state == State::Playing) {
            s.player->setTime(time);
        }
    }
}

void Layer::blendTime(const float time) {
    m_blendTime = time;
    blendRelativeTime(0.0f);
}

void Layer::blendRelativeTime(const float delta) {
    m_blendTime += delta;
    Slot& old = m_slots[m_old];
    if (m_blendTime >= m_blendDuration && old.state != State::Empty) {
        empty(old);
        m_vOut = current().ptrs;
    }
}

void Layer::blendMain() {
    const Slot& old = m_slots[m_old];
    const Slot& cur = current();
    if (old.state == State::Empty || cur.state == State::Empty) {
        return;
    }
    const float f = m_calcBlend ? std::max(m_blendTime, 0.0f) * m_blendRcp : m_blendTime;
    for (uint32_t b = 0; b < m_nrBones; ++b) {
        const RotTransScalePtrs& a = old.ptrs[b];
        const RotTransScalePtrs& c = cur.ptrs[b];
        RotTransScale& out = m_vBlended[b];
        const ZqQuat q = ZqQuat().slerp(ZqQuat(a.rot[0], a.rot[1], a.rot[2], a.rot[3]),
                                        ZqQuat(c.rot[0], c.rot[1], c.rot[2], c.rot[3]), f);
        out.rot[0] = q.x;
        out.rot[1] = q.y;
        out.rot[2] = q.z;
        out.rot[3] = q.w;
        for (int i = 0; i < 4; ++i) {
            out.trans[i] = a.trans[i] + (c.trans[i] - a.trans[i]) * f;
            out.scale[i] = a.scale[i] + (c.scale[i] - a.scale[i]) * f;
        }
    }
}
