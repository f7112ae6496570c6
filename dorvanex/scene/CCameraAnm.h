// Cameras played from camera paths (camera animations of the chapter bank). CCameraAnm plays,
// holds, holds at the start, plays backwards and at a speed; one whose path did not load has
// no player, does nothing on update and counts as ended, so that a state waiting for its end
// moves on. CAnmAimCamera plays a path but re-centres it on the athletes it follows, which it
// reads through CAimTarget (the athlete base implements it). Main thread only.
#pragma once

#include "dorvanex/scene/CBaseCamera.h"

#include <cstdint>

class ZqGlCameraAnimationPlayer;

class CCameraAnm : public CBaseCamera {
public:
    enum PLAY_MODE : int32_t {
        PLAY_MODE_PLAY = 0,
        PLAY_MODE_HOLD = 1,
        PLAY_MODE_HOLD_AT_START = 2
    };

    ~CCameraAnm() override;
    void update(float dt) override;
    void release() override;

    // The path of that manifest index in the chapter bank, from its start; false (nothing
    // changed) when the bank holds none or no player is free.
    bool loadAnimation(int32_t id);
    void setLoopMode(uint8_t mode);
    // True without a player.
    bool isEnd() const;
    // Plays from the start.
    void rewind();
    // Stops advancing and keeps the time.
    void hold() { m_playMode = PLAY_MODE_HOLD; }
    void holdAtStart() { m_playMode = PLAY_MODE_HOLD_AT_START; }
    // Plays on from the time kept.
    void play() { m_playMode = PLAY_MODE_PLAY; }
    void setSpeed(const float speed) { m_speed = speed; }
    float getSpeed() const { return m_speed; }
    void setReverse(const bool on) { m_reverse = on; }
    int32_t getPlayMode() const { return m_playMode; }
    int32_t getAnimationId() const { return m_animationId; }
    // Milliseconds; 0 without a player.
    float getTime() const;
    void setTime(float time);
    bool hasPlayer() const { return m_pPlayer != nullptr; }

protected:
    // Advances (or holds) the player by the play mode; false without a player.
    bool advance(float dt);

    ZqGlCameraAnimationPlayer* m_pPlayer = nullptr;
    float m_speed = 1.0f;
    int32_t m_animationId = -1;
    float m_heldTime = 0.0f;
    int32_t m_playMode = PLAY_MODE_PLAY;
    bool m_reverse = false;
};

// What an aiming camera reads of an athlete: where its model stands and how fast it runs.
class CAimTarget {
public:
    virtual ZqVector3 getModelPosition() const = 0;
    virtual float getSpeed() const = 0;

protected:
    ~CAimTarget() = default;
};

class CAnmAimCamera : public CCameraAnm {
public:
    static constexpr float MAX_AIM_OFFSET = 160.0f;
    static constexpr float DEFAULT_HEIGHT_OFFSET = 100.0f;
    // Below this the path's viewing axis is too flat to re-centre along: the path's own view
    // is kept for that frame.
    static constexpr float MIN_AXIS_Z = 1e-4f;

    void update(float dt) override;
    // Half the athletes' x distance, at most 160, towards B; zero with a target missing.
    ZqVector3 getAimOffset() const;

    void setTarget(const CAimTarget* const a) { m_pTargetA = a; }
    void setTargetB(const CAimTarget* const b) { m_pTargetB = b; }
    void setSpeedDivisor(const float d) { m_speedDivisor = d; }
    void setHeightOffset(const float h) { m_heightOffset = h; }
    void setAimLocked(const bool on) { m_aimLocked = on; }
    void setStageFlags(const bool first, const bool second) {
        m_stage1 = first;
        m_stage2 = second;
    }
    const ZqVector3& getAimPoint() const { return m_aim; }
    // A's run speed over the divisor, as of the last update.
    float getFollowSpeed() const { return m_followSpeed; }

private:
    const CAimTarget* m_pTargetA = nullptr;
    const CAimTarget* m_pTargetB = nullptr;
    float m_speedDivisor = 1.0f;
    float m_heightOffset = DEFAULT_HEIGHT_OFFSET;
    ZqVector3 m_aim{0.0f, 0.0f, 0.0f};
    bool m_aimLocked = false;
    ZqVector3 m_aimOffset{0.0f, 0.0f, 0.0f};
    bool m_stage1 = false;
    bool m_stage2 = false;
    float m_followSpeed = 0.0f;
};
