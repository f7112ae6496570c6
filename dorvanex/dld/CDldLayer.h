// CDldLayer: one playing layer of a layout: its file (one reference), the layer index, the
// timer, a transform and render info of its own, the cell callback and the end mode.
// States: idle (after construction, setFile, clear), playing (play), ended (the timer hit an
// end with end mode 1 or 2, or the layer has no frames at all). Main thread only.
#pragma once

#include "dorvanex/dld/CDldRef.h"
#include "dorvanex/dld/CDldTypes.h"

#include <cstdint>

class CDldFile;

// Frame timer of a layer: the play range start..end, the whole frame and the progress into it
// (fraction in units per frame), the rate and speed; loop mode 0 wraps around the range, 1
// stops at its ends; hit is set when it wrapped or stopped.
struct CDldTimer {
    int32_t start = 0;
    int32_t end = -1;
    int32_t frame = 0;
    float fraction = 0.0f;
    float rate = 60.0f;
    float speed = 1.0f;
    float units = 60.0f;
    uint32_t loopMode = 1;
    uint8_t hit = 0;

    // Advances by dt milliseconds.
    void advance(float dt);
    // Carries the fraction into whole frames and applies the loop mode for a step of that
    // sign. Closed forms, so that no rate, speed or step stalls a frame.
    void normalise(float step);
    // The time in milliseconds (truncated).
    int32_t getTime() const;
};

class CDldLayer : public CDldRef {
public:
    enum STATE : uint32_t { STATE_IDLE = 0, STATE_PLAYING = 1, STATE_ENDED = 2 };
    enum END_MODE : uint32_t { END_LOOP = 0, END_STOP = 1, END_HIDE = 2 };

    CDldLayer() = default;
    ~CDldLayer() override;

    // Takes a reference on the file (dropping the previous one) and resets the timer to the
    // layer record's range and rate; idle. A null file or a bad index plays as an empty layer.
    void setFile(CDldFile* file, uint32_t index);
    void setIndex(uint32_t index);
    void play(uint32_t endMode);
    bool isEnd() const { return m_state == STATE_ENDED; }
    uint32_t getIndex() const { return m_index; }
    CDldFile* getFile() const { return m_pFile; }
    uint32_t getState() const { return m_state; }
    void setSpeed(float factor) { m_timer.speed = factor; }
    void setFrame(int32_t frame, float fraction);
    // A null function restores the default callback (draw the cell).
    void setUserCallback(CDldCellCallback function, void* data);
    void setPriority(int32_t priority) { m_priority = priority; }

    void update(float dt);
    void draw();

    CDldTransform& getTransform() { return m_transform; }
    CDldRenderInfo& getRenderInfo() { return m_renderInfo; }
    const CDldTimer& getTimer() const { return m_timer; }

    void clear() override;

private:
    CDldTransform m_transform;
    CDldRenderInfo m_renderInfo;
    CDldTimer m_timer;
    CDldFile* m_pFile = nullptr;
    uint32_t m_index = 0;
    CDldCellCallback m_callback = nullptr;
    void* m_callbackData = nullptr;
    uint32_t m_endMode = 0;
    uint32_t m_state = STATE_IDLE;
    int32_t m_priority = -1;
};
