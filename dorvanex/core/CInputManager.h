// CInputManager: stand-in until the game input with its recorder lands. Live input only: one
// ZquVirtualInput per player with the cabinet's button layout (keyboard and first game
// controller), no recording or replay. Virtual buttons: 0, 1, 2 game buttons, 3 TEST,
// 4 SERVICE. Players are 0 and 1. Main thread only.
#pragma once

#include <cstdint>
#include <memory>

class ZquVirtualInput;

class CInputManager {
public:
    static constexpr uint32_t NR_PLAYERS = 2;
    static constexpr uint32_t NR_BUTTONS = 5;
    enum BUTTON : uint32_t {
        BUTTON_0 = 0,
        BUTTON_1 = 1,
        BUTTON_2 = 2,
        BUTTON_TEST = 3,
        BUTTON_SERVICE = 4,
    };

    static CInputManager* getInstance();
    static void deleteInstance();

    CInputManager();
    ~CInputManager();
    CInputManager(const CInputManager&) = delete;
    CInputManager& operator=(const CInputManager&) = delete;

    // Once a frame from the root (the recorder's tick when it lands).
    void update(float timeTick);
    // False for a player or button out of range or a player without a virtual input.
    bool getButton(uint32_t player, uint32_t button) const;
    bool getButtonOn(uint32_t player, uint32_t button) const;
    bool getButtonOff(uint32_t player, uint32_t button) const;
    bool getButtonRepeat(uint32_t player, uint32_t button) const;
    bool getButtonOnAny(uint32_t button) const;
    bool getButtonRepeatAny(uint32_t button) const;

private:
    const ZquVirtualInput* player(uint32_t player, uint32_t button) const;

    ZquVirtualInput* m_pPlayers[NR_PLAYERS] = {};

    static std::unique_ptr<CInputManager> m_pInstance;
};

bool isPlayerButtonOn(uint32_t player, uint32_t button);
bool isAnyPlayerButtonOn(uint32_t button);
bool isPlayerButtonOff(uint32_t player, uint32_t button);
bool isPlayerButtonRepeat(uint32_t player, uint32_t button);
bool isAnyPlayerButtonRepeat(uint32_t button);
