#include "zq/gl/ZqGlKeyFramePlayer.h"

#include "zq/platform/os/lasterror.h"
#include "zq/system/ZqError.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

using Track = ZqGlKeyFrame::Track;
using Work = ZqGlKeyFrame::Work;

// A track's key times in milliseconds at a player's rate: the set's own tables when that is
// the set's rate (the same floats without a division per key), else worked out alike.
class KeyTimes {
public:
    KeyTimes(const Track& track, const float rate, const bool ownRate)
        : m_track(track), m_rate(rate), m_ownRate(ownRate) {}

    // As the searches measure it.
    float at(const uint32_t k) const {
        return m_ownRate ? m_track.times[k]
                         : static_cast<float>(m_track.frames[k]) * (1.0f / m_rate) * 1000.0f;
    }
    // As an interpolation measures the key it starts from.
    float startAt(const uint32_t k) const {
        return m_ownRate ? m_track.startTimes[k]
                         : static_cast<float>(m_track.frames[k]) / m_rate * 1000.0f;
    }

private:
    const Track& m_track;
    float m_rate;
    bool m_ownRate;
};

// The first key from k on whose time lies after time, or the key count.
inline uint32_t firstKeyAfter(const Track& track, const KeyTimes& times, uint32_t k,
                              const float time) {
    while (k < track.nrKeys && !(times.at(k) > time)) {
        ++k;
    }
    return k;
}

// The work values of a track at time whose next key is k (the key count past the last key).
inline void interpolateAt(const Track& track, const KeyTimes& times, Work& work, const uint32_t k,
                          const float time) {
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
    const float previous = times.startAt(k - 1);
    const float t = (time - previous) / (times.at(k) - previous);
    track.interpolate(track, work, k, t);
}

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
    player->m_vActive.clear();
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
    m_vActive.clear();
    m_vActive.shrink_to_fit();
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
        m_vActive.clear();
        m_vActive.shrink_to_fit();
        return true;
    }
    if (keyFrame->getNrTracks() != m_nrTracks || m_vWork.empty()) {
        try {
            m_vWork.assign(keyFrame->getNrTracks(), Work{});
            m_vActive.assign(keyFrame->getNrTracks(), 1);
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

void ZqGlKeyFramePlayer::setTrackActive(const uint32_t track, const bool on) {
    if (track >= m_nrTracks || (m_vActive[track] != 0) == on) {
        return;
    }
    m_vActive[track] = on ? 1 : 0;
    if (on && m_pKeyFrame != nullptr) {
        const Track& t = m_pKeyFrame->getTrack(track);
        interpolateAt(t, KeyTimes(t, m_rate, m_rate == m_pKeyFrame->getFps()), m_vWork[track],
                      findNextKey(track), m_currentTime);
    }
}

uint32_t ZqGlKeyFramePlayer::findNextKey(const uint32_t track) const {
    const Track& t = m_pKeyFrame->getTrack(track);
    const KeyTimes times(t, m_rate, m_rate == m_pKeyFrame->getFps());
    // The key count may have shrunk under the work key with a new set of as many tracks.
    int32_t c = std::min(m_vWork[track].key, static_cast<int32_t>(t.nrKeys) - 1);
    // Down to the last key not after the time, then on to the first after it: the key a
    // search from the first key finds.
    while (c >= 0 && !(times.at(static_cast<uint32_t>(c)) <= m_currentTime)) {
        --c;
    }
    return firstKeyAfter(t, times, static_cast<uint32_t>(c + 1), m_currentTime);
}

uint32_t ZqGlKeyFramePlayer::getKey(const uint32_t track) const {
    int32_t key = m_vWork[track].key;
    if (m_vActive[track] == 0 && m_pKeyFrame != nullptr) {
        key = static_cast<int32_t>(findNextKey(track)) - 1;
    }
    return key < 0 ? 0 : static_cast<uint32_t>(key);
}

void ZqGlKeyFramePlayer::setAllTracksActive(const bool on) {
    for (uint32_t i = 0; i < m_nrTracks; ++i) {
        setTrackActive(i, on);
    }
}

void ZqGlKeyFramePlayer::sample(const ZqGlKeyFrame& set, const uint32_t track, const float rate,
                                const float currentTime, Work& out) {
    const Track& t = set.getTrack(track);
    const KeyTimes times(t, rate, rate == set.getFps());
    interpolateAt(t, times, out, firstKeyAfter(t, times, 0, currentTime), currentTime);
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
    const bool ownRate = m_rate == m_pKeyFrame->getFps();
    for (uint32_t i = 0; i < m_nrTracks; ++i) {
        if (m_vActive[i] == 0) {
            continue;
        }
        const Track& track = m_pKeyFrame->getTrack(i);
        const KeyTimes times(track, m_rate, ownRate);
        interpolateAt(track, times, m_vWork[i], firstKeyAfter(track, times, 0, m_currentTime),
                      m_currentTime);
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
    const bool ownRate = m_rate == m_pKeyFrame->getFps();
    for (uint32_t i = 0; i < m_nrTracks; ++i) {
        if (m_vActive[i] == 0) {
            continue;
        }
        const Track& track = m_pKeyFrame->getTrack(i);
        const KeyTimes times(track, m_rate, ownRate);
        Work& work = m_vWork[i];
        int32_t c = work.key;
        uint32_t k = 0;
        if (delta >= 0.0f) {
            k = firstKeyAfter(track, times, static_cast<uint32_t>(c + 1), m_currentTime);
        } else {
            while (c >= 0 && m_currentTime < times.at(static_cast<uint32_t>(c))) {
                --c;
            }
            k = static_cast<uint32_t>(c + 1);
        }
        interpolateAt(track, times, work, k, m_currentTime);
    }
}
