// CSPBoneNoBlendAnim: an animated model that plays one skeletal animation at a time with one
// framework player: a list of animations played one after the other without blending (entry
// 0 plays), serial numbers for each change, an end test over each step, and frame events that
// fire once per play when the frame passes theirs. The base of the athlete model.
// An animation whose skeleton does not fit the model is refused, so the model is never drawn
// with fewer bone matrices than it reads. Everything asked of an object that has no player yet
// (before load) answers -1 or does nothing. Main thread only.
#pragma once

#include "dorvanex/scene/CSPModel.h"

#include <cstdint>
#include <vector>

class ZqGlAnimation;
class ZqGlAnimationPlayer;

class CSPBoneNoBlendAnim : public CSPModelAnm {
public:
    // Speed of an entry that keeps the current speed factor.
    static constexpr float KEEP_SPEED = -1.0f;

    // What the playing animation left when it last ended.
    struct _Anim_Inf {
        float remaining = 0.0f;
        float total = 0.0f;
        float speed = 1.0f;
        uint8_t loopMode = 0;
        int32_t fileId = 0;
    };
    using EventAction = void (*)(void* object);
    using EventRelease = void (*)(void* object);
    using EventCondition = bool (*)(void* object);

    explicit CSPBoneNoBlendAnim(int32_t modelId);
    ~CSPBoneNoBlendAnim() override;

    bool isEnd() const override { return m_ended; }
    // Retired: writes a note to the error log and answers 1.
    int32_t ChangeAnm(int32_t animationId) override;
    void setLoop(uint8_t mode) override;
    bool isLoop() const override;
    // Retired: writes a note to the error log and answers 0.
    int32_t getCurrentAnimationId() const override;
    virtual void releasePlayer();
    virtual void draw(float dt);
    virtual void drawImmediate(float dt);
    // Models load through load (animation).
    bool load(int32_t modelId) override;
    // The animation step and the frame events.
    void update(float dt) override;
    using CSPModel::draw;
    using CSPModel::drawImmediate;

    // Loads the stored model and plays animation from 0, looping; false for a missing model,
    // an animation that does not fit it, or no player.
    bool load(ZqGlAnimation* animation);
    // Plays animation at once from time; speed KEEP_SPEED keeps the speed factor. The new
    // serial, or -1 (nothing changed) for a null or unfitting animation or before load.
    int32_t ChangeAnm(ZqGlAnimation* animation, int32_t anmFileID = 0, uint8_t lm = 1,
                      float speed = KEEP_SPEED, float time = 0.0f);
    // Queues animation after the current one; -1 for a null or unfitting animation, one
    // already listed with the same file id, or before load.
    int32_t addAnimation(ZqGlAnimation* animation, int32_t anmFileID = 0, uint8_t lm = 1,
                         float speed = KEEP_SPEED, float time = 0.0f);
    const _Anim_Inf& GetCurrAnmInf() const { return m_animInf; }
    // The playing animation's frame (0 without one).
    int32_t getFrame() const;
    int32_t getTotalFrames() const;
    float getTotalTime() const;
    static int32_t getAnimationFrames(const ZqGlAnimation* animation);
    static float getAnimationTime(const ZqGlAnimation* animation);
    float getTime() const;
    // The player's matrix of bone; the identity for a bone it does not have.
    const ZqMatrix& getBoneMatrix(int32_t bone) const;
    // Where the bone is: its matrix times this model's local matrix; the model's own position
    // for a bone the player does not have.
    ZqVector3 getBonePosition(int32_t bone) const;
    // Calls action (object) once per play when the frame of animation passes frame, when
    // condition (object) holds (or there is none); release (object) runs at destruction.
    void addFrameEvent(const ZqGlAnimation* animation, int32_t frame, EventAction action,
                       void* object, EventRelease release = nullptr,
                       EventCondition condition = nullptr);
    // The animation that plays, null when none.
    const ZqGlAnimation* getFirstEntry() const;
    // Empties the list and gives the player back (the model then plays nothing).
    void clearAnimations();
    uint32_t getNrEntries() const { return static_cast<uint32_t>(m_entries.size()); }
    // The number of bones the player drives (0 without one).
    uint32_t getNrBones() const;
    const ZqGlAnimationPlayer* getPlayer() const { return m_pPlayer; }
    // The frame of the event that fired last in this play, -1 for none.
    int32_t getLastFiredFrame() const { return m_lastFiredFrame; }

private:
    struct Entry {
        ZqGlAnimation* animation = nullptr;
        float startTime = 0.0f;
        uint8_t loopMode = 1;
        int32_t fileId = 0;
        uint32_t serial = 0;
        float speed = KEEP_SPEED;
    };
    struct FrameEvent {
        const ZqGlAnimation* animation = nullptr;
        int32_t frame = 0;
        EventAction action = nullptr;
        void* object = nullptr;
        EventRelease release = nullptr;
        EventCondition condition = nullptr;
        bool fired = false;
    };

    bool fits(const ZqGlAnimation* animation) const;
    void startEntry(const Entry& e);
    void runFrameEvents();
    void clearFired(const ZqGlAnimation* animation);

    ZqGlAnimationPlayer* m_pPlayer = nullptr;
    std::vector<Entry> m_entries;
    uint32_t m_serial = 0;
    std::vector<FrameEvent> m_events;
    int32_t m_lastFiredFrame = -1;
    int32_t m_lastSeenFrame = -1;
    const ZqGlAnimation* m_pLastSeen = nullptr;
    uint8_t m_blockLoopMode = 1;
    bool m_ended = false;
    _Anim_Inf m_animInf;
};
