#include "dorvanex/core/input/CInputRecorder.h"

#include "dorvanex/core/input/GameRandom.h"
#include "zq/system/ZqSystem.h"
#include "zq/u/vinput/ZquVirtualInput.h"

#include <algorithm>
#include <cstring>

CInputRecorder::~CInputRecorder() {
    removeHook();
}

void CInputRecorder::clearRecording() {
    m_events.clear();
    m_replayPosition = m_events.end();
    m_buttons.clear();
    m_frameTimes.clear();
    m_frameTimePosition = 0;
    std::memset(m_recordedState, 0, sizeof(m_recordedState));
    m_recordedIndex = btnfmt::MAX_GENERATOR_INDEX;
    m_hasRecording = false;
}

void CInputRecorder::installHook() {
    ZqSystem::setTimeTickCallback(&CInputRecorder::frameTimeHook, this);
    m_hookInstalled = true;
}

void CInputRecorder::removeHook() {
    if (m_hookInstalled) {
        ZqSystem::setTimeTickCallback(nullptr, nullptr);
        m_hookInstalled = false;
    }
}

void CInputRecorder::prepareReplay() {
    // Without a recording the demo keeps the live numbers, and there is nothing to restore.
    if (!m_hasRecording || m_generatorSwapped) {
        return;
    }
    getGameRandomState(m_savedState, &m_savedIndex);
    setGameRandomState(m_recordedState, m_recordedIndex);
    m_generatorSwapped = true;
}

void CInputRecorder::startReplay() {
    m_state = STATE_REPLAYING;
    m_currentMask = m_startMask;
    m_previousMask = m_startMask;
    m_replayPosition = m_events.begin();
    m_time = 0.0f;
    m_repeatMask = 0;
    m_repeatTimer = 0.0f;
    m_frameTimePosition = 0;
    installHook();
}

void CInputRecorder::stopReplay() {
    if (m_generatorSwapped) {
        setGameRandomState(m_savedState, m_savedIndex);
        m_generatorSwapped = false;
    }
    m_state = STATE_IDLE;
    removeHook();
}

void CInputRecorder::startRecording(const uint32_t* const buttons, const uint32_t count) {
    clearRecording();
    for (uint32_t i = 0; buttons != nullptr && i < count; ++i) {
        if (buttons[i] < btnfmt::BUTTON_LIMIT) {
            m_buttons.push_back(buttons[i]);
        }
    }
    getGameRandomState(m_recordedState, &m_recordedIndex);
    m_recordedIndex = std::min(m_recordedIndex, btnfmt::MAX_GENERATOR_INDEX);
    m_time = 0.0f;
    m_hasRecording = true;
    m_state = STATE_RECORDING;
    installHook();
}

void CInputRecorder::stopRecording() {
    if (m_state == STATE_RECORDING) {
        m_state = STATE_IDLE;
        removeHook();
    }
}

void CInputRecorder::frameTimeHook(uint32_t& timeTick, void* const arg) {
    CInputRecorder& r = *static_cast<CInputRecorder*>(arg);
    if (r.m_state == STATE_RECORDING) {
        r.m_frameTimes.push_back(std::clamp(timeTick, MIN_FRAME_TIME, MAX_FRAME_TIME));
    } else if (r.m_state == STATE_REPLAYING && r.m_frameTimePosition < r.m_frameTimes.size()) {
        timeTick =
            std::clamp(r.m_frameTimes[r.m_frameTimePosition++], MIN_FRAME_TIME, MAX_FRAME_TIME);
    }
}

void CInputRecorder::update(const float dt) {
    if (m_state == STATE_RECORDING) {
        m_time += dt;
        if (m_pInput == nullptr) {
            return;
        }
        std::vector<btnfmt::Event> events;
        for (const uint32_t b : m_buttons) {
            if (m_pInput->getButtonOn(b) != 0) {
                events.push_back({btnfmt::KIND_ON, b});
                // A tap inside one frame is also let go: keep the release so that the replay
                // does not hold the button for ever.
                if (m_pInput->getButtonOff(b) != 0 && m_pInput->getButton(b) == 0) {
                    events.push_back({btnfmt::KIND_OFF, b});
                }
            } else if (m_pInput->getButtonOff(b) != 0) {
                events.push_back({btnfmt::KIND_OFF, b});
            }
        }
        if (!events.empty()) {
            std::vector<btnfmt::Event>& group = m_events[m_time];
            group.insert(group.end(), events.begin(), events.end());
        }
        return;
    }
    if (m_state != STATE_REPLAYING) {
        return;
    }
    m_time += dt;
    m_previousMask = m_currentMask;
    for (; m_replayPosition != m_events.end() && !(m_replayPosition->first > m_time);
         ++m_replayPosition) {
        for (const btnfmt::Event& e : m_replayPosition->second) {
            if (e.kind == btnfmt::KIND_ON) {
                m_currentMask |= bit(e.button);
            } else {
                m_currentMask &= ~bit(e.button);
            }
        }
    }
    // One repeat timer for all buttons, restarted by every press.
    for (const uint32_t b : m_buttons) {
        const uint32_t m = bit(b);
        const bool justOn = (m_currentMask & m) != 0 && (m_previousMask & m) == 0;
        if ((m_currentMask & m) != 0) {
            if (m_repeatTimer < m_repeatDelay && !justOn) {
                m_repeatTimer += dt;
                m_repeatMask &= ~m;
            } else {
                m_repeatMask |= m;
            }
        } else {
            m_repeatMask &= ~m;
        }
        if (justOn) {
            m_repeatTimer = 0.0f;
        }
    }
}

bool CInputRecorder::getButton(const uint32_t button) const {
    return isReplaying() && (m_currentMask & bit(button)) != 0;
}

bool CInputRecorder::getButtonOn(const uint32_t button) const {
    const uint32_t m = bit(button);
    return isReplaying() && (m_currentMask & m) != 0 && (m_previousMask & m) == 0;
}

bool CInputRecorder::getButtonOff(const uint32_t button) const {
    const uint32_t m = bit(button);
    return isReplaying() && (m_previousMask & m) != 0 && (m_currentMask & m) == 0;
}

bool CInputRecorder::getButtonRepeat(const uint32_t button) const {
    return isReplaying() && (m_repeatMask & bit(button)) != 0;
}
