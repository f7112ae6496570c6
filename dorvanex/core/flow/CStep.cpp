#include "dorvanex/core/flow/CStep.h"

void CStep::setStateAt(const int32_t level, const int32_t state) {
    if (!isLevel(level)) {
        return;
    }
    m_state[level] = state;
    m_timer[level] = 0.0f;
    m_counter[level] = 0;
    for (int32_t deeper = level + 1; deeper < NR_LEVELS; ++deeper) {
        m_state[deeper] = 0;
        m_timer[deeper] = 0.0f;
        m_counter[deeper] = 0;
    }
}

int32_t CStep::getStateAt(const int32_t level) const {
    return isLevel(level) ? m_state[level] : 0;
}

float CStep::getTimerAt(const int32_t level) const {
    return isLevel(level) ? m_timer[level] : 0.0f;
}

void CStep::setTimerAt(const int32_t level, const float ms) {
    if (isLevel(level)) {
        m_timer[level] = ms;
    }
}

int32_t CStep::getCounterAt(const int32_t level) const {
    return isLevel(level) ? m_counter[level] : 0;
}

void CStep::setCounterAt(const int32_t level, const int32_t count) {
    if (isLevel(level)) {
        m_counter[level] = count;
    }
}
