#include "dorvanex/core/cabinet/CSPLCTask.h"

#include "dorvanex/core/cabinet/CabinetIo.h"

#include <algorithm>

namespace {

constexpr uint8_t LAMP_NODE[CSPLCTask::NR_LAMPS] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, // 0-17
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,                      // 18-28
    2, 2, 2, 2, 2, 2,                                     // 29-34
};
constexpr uint8_t LAMP_BIT[CSPLCTask::NR_LAMPS] = {
    0,  1,  2,  8,  9,  10, 16, 17, 18, 4, 5,  6, 12, 13, 14, 20, 21, 22, // 0-17
    16, 17, 19, 18, 20, 12, 13, 14, 8,  9, 10,                            // 18-28
    2,  1,  0,  6,  5,  4,                                                // 29-34
};
constexpr uint32_t BOARD_NODE = 2;

CSPLCTask* g_lampTask = nullptr;

} // namespace

uint32_t CSPLCTask::lampNode(const uint32_t lamp) {
    return lamp < NR_LAMPS ? LAMP_NODE[lamp] : BOARD_NODE + 1;
}

uint32_t CSPLCTask::lampBit(const uint32_t lamp) {
    return lamp < NR_LAMPS ? LAMP_BIT[lamp] : 0;
}

void CSPLCTask::clearMembers() {
    m_transferState = TRANSFER_IDLE;
    m_enabled = 0;
    m_nrNodes = 0;
    std::fill(std::begin(m_sentMode), std::end(m_sentMode), 0u);
    std::fill(std::begin(m_wantedMode), std::end(m_wantedMode), 0u);
    for (auto& row : m_values) {
        std::fill(std::begin(row), std::end(row), uint8_t{0});
    }
    std::fill(std::begin(m_dirty), std::end(m_dirty), uint8_t{0});
    m_sentOutput = 0;
    m_wantedOutput = 0;
}

uint32_t CSPLCTask::init() {
    clearMembers();
    return 0;
}

void CSPLCTask::quit() {
    if (m_enabled != 0) {
        cabinet::ledQuit();
        m_enabled = 0;
    }
}

uint32_t CSPLCTask::main1(float) {
    switch (m_transferState) {
    case TRANSFER_IDLE:
        if (m_wantedOutput != m_sentOutput && cabinet::boardSetOutputStart(m_wantedOutput)) {
            m_sentOutput = m_wantedOutput;
            m_transferState = TRANSFER_BOARD;
            break;
        }
        for (uint32_t node = 0; node < NR_LED_NODES; ++node) {
            if (m_wantedMode[node] != m_sentMode[node] &&
                cabinet::ledSetOutputStart(node, m_wantedMode[node])) {
                m_sentMode[node] = m_wantedMode[node];
                m_transferState = TRANSFER_LED;
                break;
            }
            if (m_dirty[node] != 0 && cabinet::ledSetOutputStart(node, m_values[node])) {
                m_dirty[node] = 0;
                m_transferState = TRANSFER_LED;
                break;
            }
        }
        break;
    case TRANSFER_LED:
        if (cabinet::ledGetState() != cabinet::STATE_SENDING) {
            m_transferState = TRANSFER_IDLE;
        }
        break;
    case TRANSFER_BOARD:
        if (cabinet::boardGetState() != cabinet::STATE_SENDING) {
            m_transferState = TRANSFER_IDLE;
        }
        break;
    default:
        break;
    }
    return 0;
}

void CSPLCTask::setLamp(const uint32_t lamp, const bool on) {
    const uint32_t node = lampNode(lamp);
    if (node > BOARD_NODE) {
        return;
    }
    const uint32_t bit = lampBit(lamp);
    if (node == BOARD_NODE) {
        const auto mask = static_cast<uint8_t>(1u << bit);
        m_wantedOutput = on ? static_cast<uint8_t>(m_wantedOutput | mask)
                            : static_cast<uint8_t>(m_wantedOutput & ~mask);
        return;
    }
    const uint32_t mask = 1u << bit;
    m_wantedMode[node] = on ? (m_wantedMode[node] | mask) : (m_wantedMode[node] & ~mask);
}

void CSPLCTask::setLampValue(const uint32_t lamp, const uint8_t value) {
    if (lamp >= FIRST_BOARD_LAMP) {
        return;
    }
    const uint32_t node = lampNode(lamp);
    uint8_t& slot = m_values[node][lampBit(lamp)];
    if (slot != value) {
        slot = value;
        m_dirty[node] = 1;
    }
}

void CSPLCTask::clearLamps() {
    std::fill(std::begin(m_wantedMode), std::end(m_wantedMode), 0u);
    std::fill(std::begin(m_dirty), std::end(m_dirty), uint8_t{0});
    m_wantedOutput = 0;
}

bool CSPLCTask::pollLedState(bool& enabled) {
    const uint32_t state = cabinet::ledGetState();
    if (state == cabinet::STATE_BOOTING) {
        return false;
    }
    if (state == cabinet::STATE_RUNNING) {
        m_nrNodes = std::min(cabinet::ledGetNrNodes(), NR_LED_NODES);
        m_enabled = 1;
    } else {
        m_enabled = 0;
    }
    enabled = m_enabled != 0;
    return true;
}

CSPLCTask* getLampTask() {
    return g_lampTask;
}

void setLampTask(CSPLCTask* const task) {
    g_lampTask = task;
}

void setLampOn(const uint32_t lamp) {
    if (g_lampTask != nullptr) {
        g_lampTask->setLamp(lamp, true);
    }
}

void setLampOff(const uint32_t lamp) {
    if (g_lampTask != nullptr) {
        g_lampTask->setLamp(lamp, false);
    }
}

void setLampValue(const uint32_t lamp, const uint8_t value) {
    if (g_lampTask != nullptr) {
        g_lampTask->setLampValue(lamp, value);
    }
}

void clearLamps() {
    if (g_lampTask != nullptr) {
        g_lampTask->clearLamps();
    }
}

bool pollLedState(bool* const enabled) {
    if (g_lampTask == nullptr) {
        if (enabled != nullptr) {
            *enabled = true;
        }
        return false;
    }
    bool on = false;
    const bool answered = g_lampTask->pollLedState(on);
    if (answered && enabled != nullptr) {
        *enabled = on;
    }
    return answered;
}

void initLedController() {
    cabinet::ledInit(2, 3, 0);
}
