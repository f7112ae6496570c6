// The game harness of the tests: the game's surroundings made fresh for a test, the services a
// unit test needs, and whole runs of the real root task, headless and frame for frame the same
// on every machine.
//
// GameEnvironment: fresh temporary drives e: and f:, TZ=UTC and a calendar that starts at a
// fixed moment and moves with the framework's clock, a fresh simulated I/O board, the audio
// null sink; the working folder is restored afterwards.
// GameServices: the environment plus the framework groups and game services a unit test asks
// for, started in one order and stopped in the reverse one.
// GameRun: the environment plus a run of the game's root (or a bare root task) in fixed-step
// frames (zq/system/ZqSystem_test.h), driven by a script of steps and timed actions: chapter
// jumps, recordings replayed on the players' inputs, the simulated board's keys, pictures of
// presented frames. Drawing is off except on the frames a picture is taken of, unless asked.
// Main thread only; one environment at a time.
#pragma once

#include "tests/support/GoldenImage.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class ZqTask;

namespace zqtest {

class GameEnvironment {
public:
    // 2026-04-01 10:00:00 UTC, a Wednesday.
    static constexpr int64_t CALENDAR_START_MS = 1775037600000;

    GameEnvironment();
    ~GameEnvironment();
    GameEnvironment(const GameEnvironment&) = delete;
    GameEnvironment& operator=(const GameEnvironment&) = delete;

    const std::filesystem::path& root() const { return m_root; }
    std::filesystem::path driveE() const { return m_root / "drive_e"; }
    std::filesystem::path driveF() const { return m_root / "drive_f"; }

private:
    std::filesystem::path m_root;
    std::filesystem::path m_oldCurrent;
    // Whether each variable the environment sets was set before, and to what.
    std::vector<std::pair<bool, std::string>> m_oldVariables;
};

class GameServices {
public:
    // Each service needs those above it that it names.
    enum Service : uint32_t {
        FILES = 1u << 0,    // the file worker
        TASKS = 1u << 1,    // the task scheduler, with root() as its root
        INPUT = 1u << 2,    // devices and virtual inputs
        BOARD = 1u << 3,    // the I/O board (the simulated one), opened
        SOUND = 1u << 4,    // the sound engine on the null sink
        PLAYERS = 1u << 5,  // the players' buttons (CInputManager); needs INPUT
        OPDATA = 1u << 6,   // operator settings and bookkeeping, empty
        CHAPTERS = 1u << 7, // the chapter manager, its chapters children of root(); needs TASKS
        // The board's clock advanced by the test (hid_test.h), set before the board opens.
        BOARD_MANUAL_CLOCK = 1u << 8,
    };

    explicit GameServices(uint32_t services);
    // Deletes the game services the test made too (credits, sounds, chapters, resources), then
    // stops what it started in reverse order.
    ~GameServices();
    GameServices(const GameServices&) = delete;
    GameServices& operator=(const GameServices&) = delete;

    ZqTask& root() { return *m_root; }
    const GameEnvironment& environment() const { return m_environment; }

private:
    GameEnvironment m_environment;
    std::unique_ptr<ZqTask> m_root;
    const uint32_t m_services;
};

class GameRun {
public:
    struct Options {
        // The frame step in milliseconds; 0 runs on the real clock.
        uint32_t stepMs = 16;
        // The frame budget: a run that has not finished its steps by then fails.
        uint32_t maxFrames = 6000;
        // Draw every frame; otherwise only the frames pictures are taken of.
        bool draw = false;
        // The game's root task (true), or a bare root that runs only the script (false).
        bool gameRoot = true;
        // The data folder; empty: the data set the build generated.
        std::string dataFolder;
        // The window's client size.
        uint16_t width = 1024;
        uint16_t height = 768;
    };
    using Step = std::function<bool()>;
    using Action = std::function<void()>;

    GameRun();
    explicit GameRun(const Options& options);
    ~GameRun();
    GameRun(const GameRun&) = delete;
    GameRun& operator=(const GameRun&) = delete;

    // Script steps, run at the start of a frame before the tasks: a step is called in every
    // frame until it returns true, the next one from the following frame. The name shows in
    // the failure report.
    GameRun& then(std::string name, Step step);
    GameRun& wait(uint32_t frames);
    // Once the start-up chapter runs (the resident bank is loaded), changes to the chapter
    // and waits until it runs.
    GameRun& jumpTo(int32_t chapter);
    // The last step: the game quits on its own within the budget.
    GameRun& expectQuit();
    // A step: a key of the keyboard (an SDL scancode) going down or up. The next frame starts
    // once the input's polling thread has read it, so it counts from the same frame every run.
    GameRun& key(std::string name, int scancode, bool down);

    // From the next frame on, frames of this step (the clock and the frame time move on by it).
    static void setStep(uint32_t stepMs);

    // Timed actions, at the start of the given frame (from 0), before that frame's step.
    GameRun& at(uint32_t frame, Action action);
    // A key of the simulated board going down or up (framework key codes: 5 and 6 coins, 9
    // SERVICE, T TEST; see hid_test.h).
    GameRun& boardKey(uint32_t frame, uint8_t key, bool down);
    // A coin dropped into slot 0 or 1.
    GameRun& coin(uint32_t frame, uint32_t slot = 0);
    // A ".btn" image or a text script of tools/btn replayed on the player's buttons from the
    // frame on (the player's recorder; frame times and generator state as recorded).
    GameRun& play(uint32_t frame, uint32_t player, std::vector<uint8_t> image);
    GameRun& playScript(uint32_t frame, uint32_t player, const std::string& text);
    // The picture of the frame as presented (drawn even when drawing is off).
    GameRun& picture(uint32_t frame, Image& out);
    // A step: the picture of the frame it runs in.
    GameRun& pictureNow(Image& out);

    // Runs; "" when every step finished within the budget, else what stopped it.
    std::string run();

    // The outcome of the run.
    struct ChapterSeen {
        uint32_t frame;
        int32_t chapter;
        bool operator==(const ChapterSeen&) const = default;
    };
    const std::vector<ChapterSeen>& chapters() const { return m_chapters; }
    uint32_t frames() const { return m_frame; }
    int exitStatus() const { return m_status; }
    // Frames since the current step began.
    uint32_t sinceStep() const { return m_frame - m_stepFrame; }
    const GameEnvironment& environment() const { return m_environment; }

    // The data set the build generated.
    static std::string builtDataFolder();
    // Runs body once inside the first frame's drawing of a bare root; true when it ran and the
    // run ended normally.
    static bool inFrame(const std::function<void()>& body, uint16_t width = 320,
                        uint16_t height = 240);

private:
    struct Entry {
        std::string name;
        Step step;
    };
    static void frameHook(uint32_t frame, void* arg);
    static void boardSettle();
    void onFrame(uint32_t frame);
    void fail(std::string why);

    const Options m_options;
    GameEnvironment m_environment;
    std::vector<Entry> m_steps;
    std::multimap<uint32_t, Action> m_actions;
    std::map<uint32_t, Image*> m_pictures;
    std::vector<ChapterSeen> m_chapters;
    size_t m_current = 0;
    uint32_t m_frame = 0;
    uint32_t m_stepFrame = 0;
    int m_status = 0;
    bool m_expectQuit = false;
    // A key went down or up in the frame before: wait for the input's poll first.
    bool m_keyPushed = false;
    std::string m_failure;
    // What a bare root draws (inFrame).
    std::function<void()> m_drawBody;
};

} // namespace zqtest
