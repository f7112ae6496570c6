// CStep: a four-level state holder for nested state machines (chapters and operator pages).
// Each level has a state number, a float timer and a counter; setting a level's state clears
// that level's timer and counter and everything below it.
#pragma once

#include <cstdint>

class CStep {
public:
    static constexpr int32_t NR_LEVELS = 4;

    CStep() = default;
    virtual ~CStep() = default;

    // Levels outside 0..3 are ignored (0 when read).
    void setStateAt(int32_t level, int32_t state);
    int32_t getStateAt(int32_t level) const;
    void setCurrentState(int32_t state) { setStateAt(m_level, state); }
    int32_t getCurrentState() const { return getStateAt(m_level); }
    void setState(int32_t state) { setCurrentState(state); }
    int32_t getState() const { return getCurrentState(); }

    void setCurrentLevel(int32_t level) { m_level = level; }
    int32_t getCurrentLevel() const { return m_level; }
    float getTimerAt(int32_t level) const;
    void setTimerAt(int32_t level, float ms);
    int32_t getCounterAt(int32_t level) const;
    void setCounterAt(int32_t level, int32_t count);

private:
    static bool isLevel(int32_t level) { return level >= 0 && level < NR_LEVELS; }

    int32_t m_state[NR_LEVELS] = {};
    float m_timer[NR_LEVELS] = {};
    int32_t m_counter[NR_LEVELS] = {};
    int32_t m_level = 0;
};
