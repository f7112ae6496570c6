#include "zq/gl/ZqGlCameraAnimationPlayer.h"

#include "zq/gl/ZqGlCameraAnimation.h"
#include "zq/gl/ZqGlCameraAnimationFormat.h"
#include "zq/gl/ZqGlKeyFrame.h"
#include "zq/gl/ZqGlKeyFramePlayer.h"
#include "zq/platform/os/lasterror.h"

#include <cmath>
#include <limits>

namespace {

constexpr float NO_LIMIT = std::numeric_limits<float>::max();
constexpr float DEGREES_TO_RADIANS = 0.017453292f;

} // namespace

struct ZqGlCameraAnimationPlayerTraits {
    using T = ZqGlCameraAnimationPlayer;
    static constexpr uint32_t NULL_ARGUMENT = T::ERROR_NULL;
    static constexpr uint32_t NO_FREE = T::ERROR_NO_FREE;

    // The defaults come first, so that the first evaluation never takes the thresholds of the
    // element's previous use.
    static void prepare(T& p) {
        p.m_calcMatrix = true;
        p.resetOutputs();
        p.setRotationThreshold(NO_LIMIT, NO_LIMIT, NO_LIMIT, NO_LIMIT);
        p.setTransThreshold(NO_LIMIT, NO_LIMIT, NO_LIMIT, 1.0f);
    }
    static void attach(T&, const ZqGlCameraAnimation&) {}
};

void ZqGlCameraAnimationPlayer::sysInit() {
    init(POOL_SIZE);
}

void ZqGlCameraAnimationPlayer::sysQuit() {
    quit();
}

ZqGlCameraAnimationPlayer*
ZqGlCameraAnimationPlayer::create(ZqGlCameraAnimation* const cameraAnimation, const float time) {
    return createPlayer(cameraAnimation, time);
}

unsigned int ZqGlCameraAnimationPlayer::release() {
    return releasePlayer();
}

void ZqGlCameraAnimationPlayer::releaseBody() {
    if (m_pKeyFramePlayer != nullptr) {
        m_pKeyFramePlayer->release();
        m_pKeyFramePlayer = nullptr;
    }
    if (m_pAnimation != nullptr) {
        m_pAnimation->release();
        m_pAnimation = nullptr;
    }
}

bool ZqGlCameraAnimationPlayer::setCameraAnimation(ZqGlCameraAnimation* const cameraAnimation,
                                                   const float time) {
    return attachResource(cameraAnimation, time);
}

void ZqGlCameraAnimationPlayer::setTime(const float time) {
    if (m_pKeyFramePlayer == nullptr) {
        return;
    }
    m_pKeyFramePlayer->setTime(time);
    output();
}

void ZqGlCameraAnimationPlayer::setRelativeTime(const float delta) {
    if (m_pKeyFramePlayer == nullptr) {
        return;
    }
    m_pKeyFramePlayer->setRelativeTime(delta);
    output();
}

void ZqGlCameraAnimationPlayer::setRotationThreshold(const float x, const float y, const float z,
                                                     const float w) {
    m_rotThreshold[0] = x;
    m_rotThreshold[1] = y;
    m_rotThreshold[2] = z;
    m_rotThreshold[3] = w;
}

void ZqGlCameraAnimationPlayer::setTransThreshold(const float x, const float y, const float z,
                                                  const float w) {
    m_transThreshold[0] = x;
    m_transThreshold[1] = y;
    m_transThreshold[2] = z;
    m_transThreshold[3] = w;
}

void ZqGlCameraAnimationPlayer::resetOutputs() {
    // A path held over a cut from its first evaluation shows these rather than what the
    // element's previous user left.
    for (int i = 0; i < 4; ++i) {
        m_quat[i] = i == 3 ? 1.0f : 0.0f;
        m_pos[i] = i == 3 ? 1.0f : 0.0f;
    }
    m_matrix = ZqMatrix::UNIT;
    m_fovY = 0.0f;
    m_zNear = 0.0f;
    m_zFar = 0.0f;
    m_aspect = 0.0f;
}

bool ZqGlCameraAnimationPlayer::isCut(const uint32_t track, const float* const thresholds) const {
    const ZqGlKeyFrame* const set = m_pKeyFramePlayer->getKeyFrame();
    const uint32_t k = m_pKeyFramePlayer->getKey(track);
    if (k + 1 >= set->getNrKeys(track) || static_cast<uint32_t>(set->getFrame(track, k + 1)) !=
                                              static_cast<uint32_t>(set->getFrame(track, k)) + 1) {
        return false;
    }
    const float* const a = set->getValues(track, k);
    const float* const b = set->getValues(track, k + 1);
    for (uint32_t c = 0; c < 4; ++c) {
        if (std::fabs(a[c] - b[c]) > thresholds[c]) {
            return true;
        }
    }
    return false;
}

void ZqGlCameraAnimationPlayer::output() {
    if (!m_calcMatrix || m_pKeyFramePlayer->getKeyFrame() == nullptr) {
        return;
    }
    if (isCut(zqcamanim::TRACK_ROTATION, m_rotThreshold) ||
        isCut(zqcamanim::TRACK_POSITION, m_transThreshold)) {
        return;
    }
    const float* const q = m_pKeyFramePlayer->getInterpolatedValues(zqcamanim::TRACK_ROTATION);
    const float* const p = m_pKeyFramePlayer->getInterpolatedValues(zqcamanim::TRACK_POSITION);
    for (int i = 0; i < 4; ++i) {
        m_quat[i] = q[i];
        m_pos[i] = p[i];
    }
    m_matrix.setFromQuat(q[0], q[1], q[2], q[3]).setTrans(p[0], p[1], p[2], p[3]);
    m_fovY =
        m_pKeyFramePlayer->getInterpolatedValues(zqcamanim::TRACK_FOV_Y)[0] * DEGREES_TO_RADIANS;
    m_zNear = m_pKeyFramePlayer->getInterpolatedValues(zqcamanim::TRACK_NEAR)[0];
    m_zFar = m_pKeyFramePlayer->getInterpolatedValues(zqcamanim::TRACK_FAR)[0];
    m_aspect = m_pKeyFramePlayer->getInterpolatedValues(zqcamanim::TRACK_ASPECT)[0];
}

uint32_t ZqGlCameraAnimationPlayer::getKey(const uint32_t track) const {
    return m_pKeyFramePlayer != nullptr && track < m_pKeyFramePlayer->getNrTracks()
               ? m_pKeyFramePlayer->getKey(track)
               : 0;
}

float ZqGlCameraAnimationPlayer::getTime() const {
    return m_pKeyFramePlayer != nullptr ? m_pKeyFramePlayer->getTime() : 0.0f;
}

bool ZqGlCameraAnimationPlayer::isEnd() const {
    return m_pKeyFramePlayer != nullptr && m_pKeyFramePlayer->isEnd();
}

uint8_t ZqGlCameraAnimationPlayer::getLoopMode() const {
    return m_pKeyFramePlayer != nullptr ? m_pKeyFramePlayer->getLoopMode() : 0;
}

void ZqGlCameraAnimationPlayer::setLoopMode(const uint8_t mode) {
    if (m_pKeyFramePlayer != nullptr) {
        m_pKeyFramePlayer->setLoopMode(mode);
    }
}

uint8_t ZqGlCameraAnimationPlayer::getLoopCount() const {
    return m_pKeyFramePlayer != nullptr ? m_pKeyFramePlayer->getLoopCount() : 0;
}
