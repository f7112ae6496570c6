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
using RotTransScale = ZqGlAnimationMixer::RotTransScale;
using RotTransScalePtrs = ZqGlAnimationMixer::RotTransScalePtrs;

namespace {

// One bone's cross-fade from a (old slot) to c (current slot) by f.
inline void blendBone(const RotTransScalePtrs& a, const RotTransScalePtrs& c, const float f,
                      RotTransScale& out) {
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

} // namespace

bool Layer::init(ZqGlAnimation* const referenceAnimation) {
    quit();
    m_pReference = referenceAnimation;
    m_nrBones = referenceAnimation->getNrBones();
    try {
        m_vFrozen.assign(m_nrBones, RotTransScale{});
        m_vBlended.assign(m_nrBones, RotTransScale{});
        m_vOut.assign(m_nrBones, RotTransScalePtrs{});
        m_vDriven.assign(m_nrBones, 1);
        m_vLeftOut.assign(m_nrBones, 0);
        for (Slot& s : m_slots) {
            s.ptrs.assign(m_nrBones, RotTransScalePtrs{});
            s.tracks.assign(m_nrBones, BoneTracks{});
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
        s.tracks.clear();
        s.tracks.shrink_to_fit();
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
    m_vDriven.clear();
    m_vDriven.shrink_to_fit();
    m_vLeftOut.clear();
    m_vLeftOut.shrink_to_fit();
    m_anyLeftOut = false;
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
    completeBlend();
    if (slot.animation != nullptr) {
        // An empty slot's player stands still and nothing reads its values.
        slot.player->setAllTracksActive(false);
        slot.player->setKeyFrame(m_pReference->getKeyFrame(), 0.0f);
        slot.animation->release();
        slot.animation = nullptr;
    }
    slot.state = State::Empty;
    for (RotTransScalePtrs& p : slot.ptrs) {
        ZqGlAnimationPlayer::setDefaults(p);
    }
    std::fill(slot.tracks.begin(), slot.tracks.end(), BoneTracks{});
}

void Layer::pointAtBlended() {
    for (uint32_t b = 0; b < m_nrBones; ++b) {
        m_vOut[b] = {m_vBlended[b].rot, m_vBlended[b].trans, m_vBlended[b].scale};
    }
}

void Layer::putIntoOld(ZqGlAnimation* const animation, const float time) {
    completeBlend();
    Slot& slot = m_slots[m_old];
    animation->addRef();
    if (slot.animation != nullptr) {
        slot.animation->release();
    }
    slot.animation = animation;
    slot.state = State::Playing;
    ZqGlKeyFrame* const set = animation->getKeyFrame();
    // Only the tracks of bones in use are evaluated: all off before the set changes (a kept
    // work array keeps its switches) and again after (a new one starts with every track on).
    slot.player->setAllTracksActive(false);
    // A start past the end plays from the end rather than leaving the player on another set.
    slot.player->setKeyFrame(set, std::min(time, set->getTotalTime()));
    slot.player->setAllTracksActive(false);
    // Tracks this skeleton cannot take stay unbound.
    ZqGlAnimationPlayer::bindTracks(animation, slot.player, m_nrBones, slot.ptrs.data());
    // Which track won each bound part (a later track of the same part replaces an earlier).
    std::fill(slot.tracks.begin(), slot.tracks.end(), BoneTracks{});
    for (uint32_t t = 0; t < set->getNrTracks(); ++t) {
        const int bone = animation->getBoneNrFromTrack(t);
        if (bone < 0 || static_cast<uint32_t>(bone) >= m_nrBones) {
            continue;
        }
        const float* const values = slot.player->getInterpolatedValues(t);
        const RotTransScalePtrs& p = slot.ptrs[static_cast<uint32_t>(bone)];
        const float* const parts[3] = {p.rot, p.trans, p.scale};
        for (int i = 0; i < 3; ++i) {
            if (parts[i] == values) {
                slot.tracks[static_cast<uint32_t>(bone)].part[i] = static_cast<int16_t>(t);
            }
        }
    }
    for (uint32_t b = 0; b < m_nrBones; ++b) {
        if (m_vDriven[b] != 0) {
            activateTracks(slot, b, true);
        }
    }
}

void Layer::activateTracks(const Slot& slot, const uint32_t bone, const bool on) {
    for (const int16_t t : slot.tracks[bone].part) {
        if (t >= 0) {
            slot.player->setTrackActive(static_cast<uint32_t>(t), on);
        }
    }
}

void Layer::setBoneDriven(const uint32_t bone, const bool on) {
    if (bone >= m_nrBones || (m_vDriven[bone] != 0) == on) {
        return;
    }
    m_vDriven[bone] = on ? 1 : 0;
    for (const Slot& s : m_slots) {
        if (s.state == State::Playing) {
            activateTracks(s, bone, on);
        }
    }
}

void Layer::completeBlend() {
    if (!m_anyLeftOut) {
        return;
    }
    m_anyLeftOut = false;
    ZqGlKeyFramePlayer::Work work[2][3];
    for (uint32_t b = 0; b < m_nrBones; ++b) {
        if (m_vLeftOut[b] == 0) {
            continue;
        }
        m_vLeftOut[b] = 0;
        RotTransScalePtrs ptrs[2];
        for (int i = 0; i < 2; ++i) {
            const uint8_t index = i == 0 ? m_lastOld : static_cast<uint8_t>(1 - m_lastOld);
            const SlotSample& sample = m_lastSlots[index];
            RotTransScalePtrs& p = ptrs[i];
            if (sample.state == State::Frozen) {
                p = {m_vFrozen[b].rot, m_vFrozen[b].trans, m_vFrozen[b].scale};
                continue;
            }
            ZqGlAnimationPlayer::setDefaults(p);
            const float** const parts[3] = {&p.rot, &p.trans, &p.scale};
            for (int part = 0; part < 3; ++part) {
                const int16_t t = m_slots[index].tracks[b].part[part];
                if (t >= 0) {
                    work[i][part] = ZqGlKeyFramePlayer::Work{};
                    ZqGlKeyFramePlayer::sample(*sample.set, static_cast<uint32_t>(t), sample.rate,
                                               sample.time, work[i][part]);
                    *parts[part] = work[i][part].values;
                }
            }
        }
        blendBone(ptrs[0], ptrs[1], m_lastFactor, m_vBlended[b]);
    }
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
    // Bones not in use are left out; what they need to be worked out later is noted.
    m_anyLeftOut = false;
    for (uint32_t b = 0; b < m_nrBones; ++b) {
        if (m_vDriven[b] == 0) {
            m_vLeftOut[b] = 1;
            m_anyLeftOut = true;
            continue;
        }
        m_vLeftOut[b] = 0;
        blendBone(old.ptrs[b], cur.ptrs[b], f, m_vBlended[b]);
    }
    if (m_anyLeftOut) {
        for (int i = 0; i < 2; ++i) {
            const Slot& s = m_slots[i];
            SlotSample& sample = m_lastSlots[i];
            sample.state = s.state;
            sample.set = s.player->getKeyFrame();
            sample.rate = s.player->getRate();
            sample.time = s.player->getCurrentTime();
        }
        m_lastFactor = f;
        m_lastOld = m_old;
    }
}
