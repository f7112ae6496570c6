// CSPLCTask: the lamp task. Carries the cabinet's lamp changes to the two LED-controller nodes
// (a mode word of on/off bits and 24 brightness bytes each) and to the I/O board's output
// byte, one transfer at a time: a frame starts at most one transfer, and the next waits until
// the device is no longer sending. The free lamp wrappers below address lamps 0 to 34 through
// the lamp table and do nothing while the task does not exist. Child of the root at update
// priority 3; draws nothing.
#pragma once

#include "zq/task/ZqTask.h"

#include <cstdint>

class CSPLCTask : public ZqTask {
public:
    static constexpr uint32_t NR_LED_NODES = 2;
    static constexpr uint32_t NR_VALUES = 24;
    static constexpr uint32_t NR_LAMPS = 35;
    // Lamps 0..28 are LED lamps with a brightness; 29..34 are bits of the board byte.
    static constexpr uint32_t FIRST_BOARD_LAMP = 29;
    enum TRANSFER : uint32_t { TRANSFER_IDLE = 0, TRANSFER_LED = 1, TRANSFER_BOARD = 2 };

    uint32_t init() override;
    void quit() override;
    uint32_t main1(float timeTick) override;

    // The lamp table: node (0, 1 LED controller, 2 board byte) and bit or slot of a lamp.
    static uint32_t lampNode(uint32_t lamp);
    static uint32_t lampBit(uint32_t lamp);

    void setLamp(uint32_t lamp, bool on);
    void setLampValue(uint32_t lamp, uint8_t value);
    void clearLamps();
    // Applies the LED controller's state; false while it boots.
    bool pollLedState(bool& enabled);

    uint32_t getTransferState() const { return m_transferState; }
    bool isEnabled() const { return m_enabled != 0; }
    uint32_t getWantedMode(uint32_t node) const { return m_wantedMode[node % NR_LED_NODES]; }
    uint8_t getWantedOutput() const { return m_wantedOutput; }
    uint8_t getValue(uint32_t node, uint32_t slot) const {
        return m_values[node % NR_LED_NODES][slot % NR_VALUES];
    }

private:
    void clearMembers();

    uint32_t m_transferState = TRANSFER_IDLE;
    uint8_t m_enabled = 0;
    uint32_t m_nrNodes = 0;
    uint32_t m_sentMode[NR_LED_NODES] = {};
    uint32_t m_wantedMode[NR_LED_NODES] = {};
    uint8_t m_values[NR_LED_NODES][NR_VALUES] = {};
    uint8_t m_dirty[NR_LED_NODES] = {};
    uint8_t m_sentOutput = 0;
    uint8_t m_wantedOutput = 0;
};

// The lamp task while it exists (made by the root's init), else null.
CSPLCTask* getLampTask();
void setLampTask(CSPLCTask* task);

void setLampOn(uint32_t lamp);
void setLampOff(uint32_t lamp);
// Lamps 0..28 only.
void setLampValue(uint32_t lamp, uint8_t value);
void clearLamps();
// Asks the LED controller's state: false while it boots (or without the task), else true with
// enabled written (the boot chapter polls it).
bool pollLedState(bool* enabled);
// Starts the LED controller: two nodes, baud setting 3, parity setting 0.
void initLedController();
