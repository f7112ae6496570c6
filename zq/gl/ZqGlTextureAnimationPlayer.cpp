#include "zq/gl/ZqGlTextureAnimationPlayer.h"

#include "zq/gl/ZqGlKeyFrame.h"
#include "zq/gl/ZqGlKeyFramePlayer.h"
#include "zq/gl/ZqGlTextureAnimation.h"
#include "zq/platform/os/lasterror.h"
#include "zq/system/ZqError.h"

#include <new>

namespace {

// The first five floats of an output matrix hold the sub-animation's values.
float& value(ZqMatrix& m, const uint32_t i) {
    return m.m[i / 4][i % 4];
}

} // namespace

struct ZqGlTextureAnimationPlayerTraits {
    using T = ZqGlTextureAnimationPlayer;
    static constexpr uint32_t NULL_ARGUMENT = T::ERROR_NULL;
    static constexpr uint32_t NO_FREE = T::ERROR_NO_FREE;

    static void prepare(T&) {}
    // One output matrix per sub-animation, every one computed again.
    static void attach(T& p, const ZqGlTextureAnimation& animation) {
        const uint32_t count = animation.getNrSubTextureAnimations();
        if (p.m_vMatrices.size() != count || p.m_vMatrices.empty()) {
            try {
                p.m_vMatrices.assign(count, ZqMatrix(0.0f));
                p.m_vFlags.assign(count, 0);
            } catch (const std::bad_alloc&) {
                throw ZqError::TEXTURE_ANIMATION_MEMORY;
            }
        }
        for (uint8_t& f : p.m_vFlags) {
            f = 1;
        }
    }
};

void ZqGlTextureAnimationPlayer::sysInit() {
    init(POOL_SIZE);
}

void ZqGlTextureAnimationPlayer::sysQuit() {
    quit();
}

ZqGlTextureAnimationPlayer*
ZqGlTextureAnimationPlayer::create(ZqGlTextureAnimation* const animation, const float time) {
    return createPlayer(animation, time);
}

unsigned int ZqGlTextureAnimationPlayer::release() {
    return releasePlayer();
}

void ZqGlTextureAnimationPlayer::releaseBody() {
    if (m_pKeyFramePlayer != nullptr) {
        m_pKeyFramePlayer->release();
        m_pKeyFramePlayer = nullptr;
    }
    if (m_pAnimation != nullptr) {
        m_pAnimation->release();
        m_pAnimation = nullptr;
    }
    m_vMatrices.clear();
    m_vMatrices.shrink_to_fit();
    m_vFlags.clear();
    m_vFlags.shrink_to_fit();
}

bool ZqGlTextureAnimationPlayer::setTextureAnimation(ZqGlTextureAnimation* const animation,
                                                     const float time) {
    return attachResource(animation, time);
}

void ZqGlTextureAnimationPlayer::resetValues() {
    for (size_t i = 0; i < m_vMatrices.size(); ++i) {
        if (m_vFlags[i] != 0) {
            ZqMatrix& m = m_vMatrices[i];
            value(m, 0) = 0.0f;
            value(m, 1) = 0.0f;
            value(m, 2) = 1.0f;
            value(m, 3) = 1.0f;
            value(m, 4) = 0.0f;
        }
    }
}

void ZqGlTextureAnimationPlayer::calculate() {
    const ZqGlTextureAnimation::KeyFrameInfo* const infos = m_pAnimation->getKeyFrameInfos();
    for (uint32_t t = 0; t < m_pKeyFramePlayer->getNrTracks(); ++t) {
        value(m_vMatrices[infos[t].subAnimation], infos[t].value) =
            m_pKeyFramePlayer->getInterpolatedValues(t)[0];
    }
    for (size_t i = 0; i < m_vMatrices.size(); ++i) {
        if (m_vFlags[i] == 0) {
            continue;
        }
        ZqMatrix& m = m_vMatrices[i];
        const float a = value(m, 0);
        const float b = value(m, 1);
        const float su = value(m, 2);
        const float sv = value(m, 3);
        const float r = value(m, 4);
        // Scale about v = 1, shift by the offsets (v counts upwards), turn about the centre.
        ZqMatrix s = ZqMatrix::UNIT;
        s._11 = su;
        s._22 = sv;
        s.setTrans(0.0f, 1.0f - sv, 0.0f);
        ZqMatrix shift = ZqMatrix::UNIT;
        shift.setTrans(a - 0.5f, -b - 0.5f, 0.0f);
        ZqMatrix turn;
        turn.setRotZ(r);
        turn.setTrans(0.5f, 0.5f, 0.0f);
        m = s * shift * turn;
    }
}

void ZqGlTextureAnimationPlayer::setTime(const float time) {
    resetValues();
    m_pKeyFramePlayer->setTime(time);
    calculate();
}

void ZqGlTextureAnimationPlayer::setRelativeTime(const float delta) {
    resetValues();
    m_pKeyFramePlayer->setRelativeTime(delta);
    calculate();
}

float ZqGlTextureAnimationPlayer::getTime() const {
    return m_pKeyFramePlayer->getTime();
}

bool ZqGlTextureAnimationPlayer::isEnd() const {
    return m_pKeyFramePlayer->isEnd();
}

uint32_t ZqGlTextureAnimationPlayer::getKey(const uint32_t track) const {
    return m_pKeyFramePlayer->getKey(track);
}

uint8_t ZqGlTextureAnimationPlayer::getLoopMode() const {
    return m_pKeyFramePlayer->getLoopMode();
}

void ZqGlTextureAnimationPlayer::setLoopMode(const uint8_t mode) {
    m_pKeyFramePlayer->setLoopMode(mode);
}

uint8_t ZqGlTextureAnimationPlayer::getLoopCount() const {
    return m_pKeyFramePlayer->getLoopCount();
}
