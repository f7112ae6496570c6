// CInputRecorder: records a player's watched buttons and the frame times of a play, and
// replays them: during replay it answers held, went on, went off and repeat from the recorded
// groups, puts the recorded frame times into the framework's frame (through the time-tick
// hook) and swaps the root generator's state for the recording's, so that a replayed demo is
// the same every time. Recordings are ".btn" files (CInputRecordFormat.h), read here and
// written through the recording writer of tools/btn. Main thread only.
#pragma once

#include "dorvanex/core/input/CInputRecordFormat.h"

#include <cstdint>
#include <map>
#include <vector>

class ZquVirtualInput;

class CInputRecorder {
public:
    enum STATE : uint32_t {
        STATE_IDLE = 0,
        STATE_RECORDING = 1,
        STATE_REPLAYING = 2,
    };
    static constexpr float REPEAT_DELAY = 300.0f;
    // Replayed frame times are held to the framework's own range.
    static constexpr uint32_t MIN_FRAME_TIME = 1;
    static constexpr uint32_t MAX_FRAME_TIME = 1000;
    // The result of loading a file that opened but failed a check.
    static constexpr uint32_t ERROR_INVALID_DATA = 13;

    // input: the virtual input that recording watches (may be null: nothing is recorded).
    explicit CInputRecorder(const ZquVirtualInput* input = nullptr) : m_pInput(input) {}
    ~CInputRecorder();
    CInputRecorder(const CInputRecorder&) = delete;
    CInputRecorder& operator=(const CInputRecorder&) = delete;

    // Reads a recording file whole: 0, the file's error code when it cannot be read, or
    // ERROR_INVALID_DATA when it fails a check. On failure the recorder holds no recording
    // (replay then presses nothing and uses real frame times).
    uint32_t loadRecording(const char16_t* fileName);
    // The same from memory; false (and no recording) when the bytes fail a check.
    bool loadFromMemory(const uint8_t* data, uint64_t size);
    // The reader: true with out filled when every count, index, button, event and time of the
    // bytes checks out and they are used exactly.
    static bool parse(const uint8_t* data, uint64_t size, btnfmt::Recording& out);
    bool hasRecording() const { return m_hasRecording; }

    // Puts the live generator state aside and the recording's into the root generator; only
    // with a recording loaded, and only once until the replay stops.
    void prepareReplay();
    // State 2 from the start of the recording; installs the frame-time hook.
    void startReplay();
    // Puts the live generator state back when it was put aside; state 0; removes the hook.
    void stopReplay();

    // Starts recording the buttons (each below 32; others are ignored) from an empty
    // recording that keeps the root generator's state of this moment; installs the hook.
    void startRecording(const uint32_t* buttons, uint32_t count);
    // State 0; the recording made stays for saving or replay.
    void stopRecording();
    // The recording as a ".btn" image or file; false when writing fails.
    bool buildImage(std::vector<uint8_t>& image) const;
    bool saveRecording(const char16_t* fileName) const;

    // Once a frame with the frame time in milliseconds.
    void update(float dt);

    // All false unless replaying.
    bool getButton(uint32_t button) const;
    bool getButtonOn(uint32_t button) const;
    bool getButtonOff(uint32_t button) const;
    bool getButtonRepeat(uint32_t button) const;

    uint32_t getState() const { return m_state; }
    float getTime() const { return m_time; }
    const std::vector<uint32_t>& getFrameTimes() const { return m_frameTimes; }

    // The framework's time-tick callback: records (state 1) or replaces (state 2) the frame
    // time; arg is the recorder.
    static void frameTimeHook(uint32_t& timeTick, void* arg);

private:
    void clearRecording();
    void installHook();
    void removeHook();
    bool isReplaying() const { return m_state == STATE_REPLAYING; }
    static uint32_t bit(const uint32_t button) {
        return button < btnfmt::BUTTON_LIMIT ? 1u << button : 0u;
    }

    const ZquVirtualInput* const m_pInput;
    uint32_t m_state = STATE_IDLE;
    std::map<float, std::vector<btnfmt::Event>> m_events;
    std::map<float, std::vector<btnfmt::Event>>::const_iterator m_replayPosition;
    uint32_t m_startMask = 0;
    float m_time = 0.0f;
    uint32_t m_currentMask = 0;
    uint32_t m_previousMask = 0;
    float m_repeatDelay = REPEAT_DELAY;
    float m_repeatTimer = 0.0f;
    uint32_t m_repeatMask = 0;
    std::vector<uint32_t> m_buttons;
    uint32_t m_recordedState[btnfmt::GENERATOR_WORDS] = {};
    uint32_t m_recordedIndex = btnfmt::MAX_GENERATOR_INDEX;
    uint32_t m_savedState[btnfmt::GENERATOR_WORDS] = {};
    uint32_t m_savedIndex = btnfmt::MAX_GENERATOR_INDEX;
    std::vector<uint32_t> m_frameTimes;
    uint32_t m_frameTimePosition = 0;
    bool m_hasRecording = false;
    bool m_generatorSwapped = false;
    bool m_hookInstalled = false;
};
