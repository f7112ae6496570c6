// ZqGlKeyFramePlayer: evaluates one key-frame set at a time, in milliseconds, with looping:
// per track it leaves the current key and the interpolated values, which the skeletal, camera
// and texture animation players read. Playing forward searches on from each track's current
// key, so a frame costs a step per key passed.
// Not for: blending sets (the mixer does). Depends on ZqGlKeyFrame and ZqFixList.
#pragma once

#include "zq/gl/ZqGlKeyFrame.h"
#include "zq/memory/ZqFixList.h"

#include <cstdint>
#include <vector>

class ZqGlKeyFramePlayer : public ZqFixList<ZqGlKeyFramePlayer> {
public:
    // Last-error codes.
    static constexpr uint32_t ERROR_NO_FREE = 0x20002300;
    static constexpr uint32_t ERROR_TIME = 0x20002301;
    static constexpr uint32_t POOL_SIZE = 1024;
    using Work = ZqGlKeyFrame::Work;

    static void sysInit();
    static void sysQuit();
    static void sysMain() {}
    static void onLostDevice() {}
    static void onResetDevice() {}

    // A player of keyFrame (may be null) at time ms. Null on failure with the last error set.
    static ZqGlKeyFramePlayer* create(ZqGlKeyFrame* keyFrame, float time);
    // Lets the set go and returns the player to the pool; returns 0.
    unsigned int release();

    // Plays keyFrame (counted reference) from time ms; false, nothing changed, when time lies
    // beyond its total time. Null stops playing.
    bool setKeyFrame(ZqGlKeyFrame* keyFrame, float time);
    void setTime(float time);
    void setRelativeTime(float delta);

    ZqGlKeyFrame* getKeyFrame() const { return m_pKeyFrame; }
    // The accumulated time, not wrapped.
    float getTime() const { return m_time; }
    // The time within the animation (wrapped when looping).
    float getCurrentTime() const { return m_currentTime; }
    // The current key of a track, 0 before the first key.
    uint32_t getKey(uint32_t track) const;
    const float* getInterpolatedValues(const uint32_t track) const { return m_vWork[track].values; }
    uint8_t getLoopMode() const { return m_loopMode; }
    void setLoopMode(const uint8_t mode) { m_loopMode = mode; }
    uint8_t getLoopCount() const { return m_loopCount; }
    uint8_t getNrTracks() const { return m_nrTracks; }
    // The rate the key times are measured in (the set's, copied when the work array was made).
    float getRate() const { return m_rate; }
    bool isEnd() const;

    // Whether evaluation runs a track (on by default). Evaluation passes a track switched off
    // by: its values stay as they were and its key is found when asked for (getKey) or when
    // the track is switched on again, which interpolates it at once. The mixer switches off the
    // tracks of bones that other layers drive. setKeyFrame keeps the switches while it keeps
    // the work array and switches every track on when it makes a new one.
    void setTrackActive(uint32_t track, bool on);
    void setAllTracksActive(bool on);

    // The values a player of set at rate would leave for track at currentTime (the time within
    // the animation, already wrapped), without touching any player.
    static void sample(const ZqGlKeyFrame& set, uint32_t track, float rate, float currentTime,
                       Work& out);

private:
    friend class ZqFixList<ZqGlKeyFramePlayer>;

    // The track's next key at the current time (the key count past the last key), searched
    // from its work key, which for a track switched off is only a starting point.
    uint32_t findNextKey(uint32_t track) const;

    ZqGlKeyFramePlayer() = default;
    ~ZqGlKeyFramePlayer() override = default;

    ZqGlKeyFrame* m_pKeyFrame = nullptr;
    std::vector<Work> m_vWork;
    // Per track: 1 while evaluation interpolates it.
    std::vector<uint8_t> m_vActive;
    float m_time = 0.0f;
    float m_currentTime = 0.0f;
    float m_rate = 0.0f;
    uint8_t m_loopMode = 0;
    uint8_t m_loopCount = 0;
    uint8_t m_nrTracks = 0;
};
