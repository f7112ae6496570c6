// CPlayerInput: one player's buttons. Answers held, went on, went off and repeat for a
// virtual button (0, 1, 2 the game buttons, 3 TEST, 4 SERVICE) from the framework's virtual
// input while live, or from its recorder while a recording replays (attract demo). Main
// thread only.
#pragma once

#include <cstdint>
#include <memory>

class CInputRecorder;
class ZquVirtualInput;

class CPlayerInput {
public:
    static constexpr uint32_t NR_ASSIGNMENTS = 16;
    static constexpr uint32_t NR_BUTTONS = 5;

    // The cabinet's button layout of a player, column 0 or 1: the first game controller's
    // switches (device 2) and the keyboard (device 0, key codes).
    struct Assignment {
        uint32_t device;
        uint32_t object;
        uint32_t button;
    };
    static const Assignment LAYOUT[2][NR_ASSIGNMENTS];

    // Makes the virtual input with the layout's column (none when the pool is empty; every
    // live answer is then false).
    explicit CPlayerInput(uint32_t column);
    ~CPlayerInput();
    CPlayerInput(const CPlayerInput&) = delete;
    CPlayerInput& operator=(const CPlayerInput&) = delete;

    bool getButton(uint32_t button) const;
    bool getButtonOn(uint32_t button) const;
    bool getButtonOff(uint32_t button) const;
    bool getButtonRepeat(uint32_t button) const;
    // Always the virtual input's answer.
    bool getLiveButtonOn(uint32_t button) const;

    // 0, or the error code of a file that cannot be read or fails a check.
    uint32_t loadRecording(const char16_t* fileName);
    // Answers come from the recorder from now on. prepare: the root generator takes the
    // recording's state (kept aside until stopReplay); else the replay starts.
    void startReplay(bool prepare);
    // Live answers again; the recorder stops and the live generator state comes back.
    void stopReplay();
    void update(float dt);

    bool isLive() const { return m_live != 0; }
    CInputRecorder& getRecorder() { return *m_pRecorder; }
    const ZquVirtualInput* getVirtualInput() const { return m_pInput; }

private:
    ZquVirtualInput* m_pInput = nullptr;
    std::unique_ptr<CInputRecorder> m_pRecorder;
    uint8_t m_live = 1;
};
