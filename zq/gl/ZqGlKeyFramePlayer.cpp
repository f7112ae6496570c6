#include "zq/gl/ZqGlKeyFramePlayer.h"

#include "zq/platform/os/lasterror.h"
#include "zq/system/ZqError.h"

#include <cmath>
#include <new>

namespace {

constexpr uint32_t ERROR_NO_FREE = 0x20002300;
constexpr uint32_t ERROR_TIME = 0x20002301;

} // namespace

void ZqGlKeyFramePlayer::sysInit() {
    init(POOL_SIZE);
}

void ZqGlKeyFramePlayer::sysQuit() {
    quit();
}

ZqGlKeyFramePlayer* ZqGlKeyFramePlayer::create(ZqGlKeyFrame* const keyFrame, const float time) {
    if (m_pCriticalSection == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    ZqGlKeyFramePlayer* player = nullptr;
    {
        const ZqLockGuard hold(*m_pCriticalSection);
        player = ZqFixList::create();
    }
    if (player == nullptr) {
        zqp::setLastError(ERROR_NO_FREE);
        return nullptr;
    }
    player->m_pKeyFrame = nullptr;
    player->m_vWork.clear();
    player->m_nrTracks = 0;
    player->m_loopCount = 0;
    if (!player->setKeyFrame(keyFrame, time)) {
        player->release();
        return nullptr;
    }
    return player;
}

unsigned int ZqGlKeyFramePlayer::release() {
    if (m_pKeyFrame != nullptr) {
        m_pKeyFrame->release();
        m_pKeyFrame = nullptr;
    }
    m_vWork.clear();
    m_vWork.shrink_to_fit();
    m_nrTracks = 0;
    const ZqLockGuard hold(*m_pCriticalSection);
    return ZqFixList::release(this);
}

bool ZqGlKeyFramePlayer::isEnd() const {
    return m_pKeyFrame != nullptr && m_time >= m_pKeyFrame->getTotalTime();
}

bool ZqGlKeyFramePlayer::setKeyFrame(ZqGlKeyFrame* const keyFrame, const float time) {
    if (keyFrame != nullptr && time > keyFrame->getTotalTime()) {
        zqp::setLastError(ERROR_TIME);
        return false;
    }
    if (keyFrame != nullptr) {
        keyFrame->addRef();
    }
    if (m_pKeyFrame != nullptr) {
        m_pKeyFrame->release();
    }
    m_pKeyFrame = keyFrame;
    if (keyFrame == nullptr) {
        m_nrTracks = 0;
        m_vWork.clear();
        m_vWork.shrink_to_fit();
        return true;
    }
    if (keyFrame->getNrTracks() != m_nrTracks || m_vWork.empty()) {
        try {
            m_vWork.assign(keyFrame->getNrTracks(), Work{});
        } catch (const std::bad_alloc&) {
            throw ZqError::ANIMATION_MEMORY;
        }
        m_nrTracks = keyFrame->getNrTracks();
        m_rate = keyFrame->getFps();
        m_loopMode = keyFrame->getLoopMode();
    }
    setTime(time);
    return true;
}

float ZqGlKeyFramePlayer::keyTime(const ZqGlKeyFrame::Track& track, const uint32_t key) const {
    return static_cast<float>(track.frames[key]) * (1.0f / m_rate) * 1000.0f;
}

void ZqGlKeyFramePlayer::interpolate(const uint32_t index, const uint32_t k, const float nextTime) {
    const ZqGlKeyFrame::Track& track = m_pKeyFrame->getTrack(index);
    Work& work = m_vWork[index];
    work.key = static_cast<int32_t>(k) - 1;
    if (k == 0 || k >= track.nrKeys) {
        const float* const v =
            track.values + static_cast<size_t>(k == 0 ? 0 : track.nrKeys - 1) * track.nrValues;
        for (uint32_t c = 0; c < track.nrValues; ++c) {
            work.values[c] = v[c];
        }
        if (track.nrValues == 3) {
            work.values[3] = 1.0f;
        }
        return;
    }
    const float previous = static_cast<float>(track.frames[k - 1]) / m_rate * 1000.0f;
    const float t = (m_currentTime - previous) / (nextTime - previous);
    track.interpolate(track, work, k, t);
}

void ZqGlKeyFramePlayer::setTime(const float time) {
    m_time = time;
    m_currentTime = time;
    if (m_pKeyFrame == nullptr) {
        return;
    }
    const float total = m_pKeyFrame->getTotalTime();
    if (m_loopMode != 0 && time >= 0.0f) {
        // Whole loops in floating point: a long run cannot overflow an integer count.
        const float n = std::trunc(time / total);
        m_loopCount = static_cast<uint8_t>(static_cast<uint32_t>(std::fmod(n, 256.0f)));
        m_currentTime = time - n * total;
    }
    for (uint32_t i = 0; i < m_nrTracks; ++i) {
        const ZqGlKeyFrame::Track& track = m_pKeyFrame->getTrack(i);
        uint32_t k = 0;
        while (k < track.nrKeys && !(keyTime(track, k) > m_currentTime)) {
            ++k;
        }
        interpolate(i, k, k < track.nrKeys ? keyTime(track, k) : 0.0f);
    }
}

void ZqGlKeyFramePlayer::setRelativeTime(const float delta) {
    m_time += delta;
    m_currentTime += delta;
    if (m_pKeyFrame == nullptr) {
        return;
    }
    if (m_loopMode != 0 && m_time >= 0.0f &&
        (m_currentTime < 0.0f || !(m_currentTime < m_pKeyFrame->getTotalTime()))) {
        setTime(m_time);
        return;
    }
    for (uint32_t i = 0; i < m_nrTracks; ++i) {
        const ZqGlKeyFrame::Track& track = m_pKeyFrame->getTrack(i);
        int32_t c = m_vWork[i].key;
        uint32_t k = 0;
        if (delta >= 0.0f) {
            k = static_cast<uint32_t>(c + 1);
            while (k < track.nrKeys && !(keyTime(track, k) > m_currentTime)) {
                ++k;
            }
        } else {
            while (c >= 0 && m_currentTime < keyTime(track, static_cast<uint32_t>(c))) {
                --c;
            }
            k = static_cast<uint32_t>(c + 1);
        }
        interpolate(i, k, k < track.nrKeys ? keyTime(track, k) : 0.0f);
    }
}
