// CInputManager: the game's buttons, one CPlayerInput per player (0 and 1), each with the
// cabinet's layout and a recorder for the attract demo's replay; and the free wrappers the
// rest of the game calls. Virtual buttons: 0, 1, 2 game buttons, 3 TEST, 4 SERVICE. Made on
// first use (the root's init), deleted by the root's quit. Main thread only.
#pragma once

#include <cstdint>
#include <memory>

class CPlayerInput;

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

    // Each player's recorder, once a frame from the root.
    void update(float timeTick);
    // False for a player out of range.
    bool getButton(uint32_t player, uint32_t button) const;
    bool getButtonOn(uint32_t player, uint32_t button) const;
    bool getButtonOff(uint32_t player, uint32_t button) const;
    bool getButtonRepeat(uint32_t player, uint32_t button) const;
    bool getButtonOnAny(uint32_t button) const;
    bool getButtonRepeatAny(uint32_t button) const;
    // Null for a player out of range.
    CPlayerInput* getPlayerInput(uint32_t player) const;

private:
    std::unique_ptr<CPlayerInput> m_pPlayers[NR_PLAYERS];

    static std::unique_ptr<CInputManager> m_pInstance;
};

bool isPlayerButtonOn(uint32_t player, uint32_t button);
bool isAnyPlayerButtonOn(uint32_t button);
bool isPlayerButtonOff(uint32_t player, uint32_t button);
bool isPlayerButtonRepeat(uint32_t player, uint32_t button);
bool isAnyPlayerButtonRepeat(uint32_t button);
