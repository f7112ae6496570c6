#include "tests/support/GameRun.h"

#include "tests/support/InputTestSupport.h"

#include "dorvanex/core/app/GameEntry.h"
#include "dorvanex/core/app/TaskRoot.h"
#include "dorvanex/core/cabinet/CCredit.h"
#include "dorvanex/core/flow/CSequence.h"
#include "dorvanex/core/flow/CSequenceManager.h"
#include "dorvanex/core/input/BtnWriter.h"
#include "dorvanex/core/input/CInputManager.h"
#include "dorvanex/core/input/CInputRecorder.h"
#include "dorvanex/core/input/CPlayerInput.h"
#include "dorvanex/core/opdata/CBookkeepings.h"
#include "dorvanex/core/opdata/CGameSettings.h"
#include "dorvanex/core/sound/CSoundManager.h"
#include "dorvanex/scene/CResourceManager.h"
#include "zq/file/ZqFile.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/input/ZqInput.h"
#include "zq/io/ZqMarlox4.h"
#include "zq/platform/audio/audio.h"
#include "zq/platform/hid/hid_test.h"
#include "zq/platform/os/calendar.h"
#include "zq/platform/os/os.h"
#include "zq/sd/ZqSdSound.h"
#include "zq/system/ZqSystem.h"
#include "zq/system/ZqSystem_test.h"
#include "zq/task/ZqTask.h"
#include "zq/u/vinput/ZquVirtualInput.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <stdexcept>

namespace zqtest {

namespace {

// The calendar of a test: a fixed start moved on by the framework's clock, so that a
// fixed-step run sees the same dates and times of day on every machine.
int64_t testCalendar() {
    return GameEnvironment::CALENDAR_START_MS + ZqSystem::getTime();
}

std::u16string processName(const char16_t* const prefix) {
    const std::string pid = std::to_string(zqp::currentThreadId());
    return prefix + std::u16string(pid.begin(), pid.end());
}

// The root of runs without the game: it only draws, when asked to.
class BareRoot : public ZqTask {
public:
    std::function<void()> onDraw;

    uint32_t main1(float) override {
        if (onDraw) {
            addDrawTask(0, 0.0f);
        }
        return 0;
    }
    void draw(float) override { onDraw(); }
};

int32_t currentChapter() {
    return CSequenceManager::getInstance()->getCurrentSequence();
}

bool chapterRuns(const int32_t chapter) {
    const CSequence* const task = CSequenceManager::getInstance()->getCurrentTask();
    return currentChapter() == chapter && task != nullptr &&
           task->getPhase() == CSequence::PHASE_RUN;
}

} // namespace

// ---- environment ----

namespace {
// The variables the environment sets, put back as they were afterwards.
constexpr const char* SET_VARIABLES[] = {"DORVANEX_DRIVE_E", "DORVANEX_DRIVE_F", "TZ"};
} // namespace

GameEnvironment::GameEnvironment() {
    std::string templ = (std::filesystem::temp_directory_path() / "dorvanex-game-XXXXXX").string();
    if (mkdtemp(templ.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    m_root = std::filesystem::canonical(templ);
    m_oldCurrent = std::filesystem::current_path();
    // Named drive folders stand for mounted disks: they must exist to be used.
    std::filesystem::create_directories(driveE());
    std::filesystem::create_directories(driveF());
    for (const char* const name : SET_VARIABLES) {
        const char* const value = std::getenv(name);
        m_oldVariables.emplace_back(value != nullptr, value != nullptr ? value : "");
    }
    setenv("DORVANEX_DRIVE_E", driveE().c_str(), 1);
    setenv("DORVANEX_DRIVE_F", driveF().c_str(), 1);
    setenv("TZ", "UTC", 1);
    zqp::reloadTimeZone();
    zqp::setCalendarSource(&testCalendar);
    zqp::hid::test::reset();
    zqp::audioSetSink(zqp::AudioSink::NULL_SINK);
}

GameEnvironment::~GameEnvironment() {
    zqp::audioSetSink(zqp::AudioSink::SDL);
    zqp::hid::test::reset();
    zqp::setCalendarSource(nullptr);
    for (size_t i = 0; i < std::size(SET_VARIABLES); ++i) {
        if (m_oldVariables[i].first) {
            setenv(SET_VARIABLES[i], m_oldVariables[i].second.c_str(), 1);
        } else {
            unsetenv(SET_VARIABLES[i]);
        }
    }
    zqp::reloadTimeZone();
    std::error_code ec;
    std::filesystem::current_path(m_oldCurrent, ec);
    std::filesystem::remove_all(m_root, ec);
}

// ---- services ----

GameServices::GameServices(const uint32_t services)
    : m_root(std::make_unique<ZqTask>()), m_services(services) {
    if (services & FILES) {
        ZqFile::sysInit();
    }
    if (services & TASKS) {
        ZqTask::sysInit(m_root.get());
    }
    if (services & INPUT) {
        ZqInput::sysInit();
        ZquVirtualInput::sysInit();
    }
    if (services & BOARD_MANUAL_CLOCK) {
        zqp::hid::test::setManualClock(true);
    }
    if (services & BOARD) {
        ZqMarlox4::init();
    }
    if (services & SOUND) {
        ZqSdSound::sysInit();
    }
    if (services & PLAYERS) {
        CInputManager::getInstance();
    }
    if (services & OPDATA) {
        CGameSettings::create();
        bookkeepingCreate();
    }
    if (services & CHAPTERS) {
        CSequenceManager::getInstance()->setParentTask(m_root.get());
    }
}

GameServices::~GameServices() {
    const uint32_t s = m_services;
    // What tests make on top of the services, in the order the root's quit deletes them.
    CCredit::deleteInstance();
    CSoundManager::deleteInstance();
    CSoundManager::setSoundList(nullptr);
    if (s & SOUND) {
        ZqSdSound::sysQuit();
    }
    if (s & TASKS) {
        ZqTask::sysQuit();
    }
    CSequenceManager::deleteInstance();
    CResourceManager::deleteInstance();
    if (s & OPDATA) {
        bookkeepingDestroy();
        CGameSettings::release();
    }
    CInputManager::deleteInstance();
    if (s & BOARD) {
        EXPECT_TRUE(ZqMarlox4::quit());
    }
    if (s & INPUT) {
        ZquVirtualInput::sysQuit();
        ZqInput::sysQuit();
    }
    if (s & FILES) {
        ZqFile::sysQuit();
    }
}

// ---- runs ----

GameRun::GameRun() : GameRun(Options{}) {}

GameRun::GameRun(const Options& options) : m_options(options) {}

GameRun::~GameRun() = default;

std::string GameRun::builtDataFolder() {
    return ZQ_GAME_DATA_DIR;
}

GameRun& GameRun::then(std::string name, Step step) {
    m_steps.push_back({std::move(name), std::move(step)});
    return *this;
}

GameRun& GameRun::wait(const uint32_t frames) {
    auto left = std::make_shared<uint32_t>(frames);
    return then("wait " + std::to_string(frames), [left] { return *left == 0 || --*left == 0; });
}

GameRun& GameRun::jumpTo(const int32_t chapter) {
    const std::string n = std::to_string(chapter);
    then("start-up runs before the jump to " + n, [] { return chapterRuns(0); });
    then("jump to " + n, [chapter] {
        CSequenceManager* const manager = CSequenceManager::getInstance();
        manager->setNextSequence(chapter);
        manager->applyNextSequence();
        return true;
    });
    return then("chapter " + n + " runs", [chapter] { return chapterRuns(chapter); });
}

GameRun& GameRun::expectQuit() {
    m_expectQuit = true;
    return then("the game quits", [] { return false; });
}

GameRun& GameRun::key(std::string name, const int scancode, const bool down) {
    return then(std::move(name), [this, scancode, down] {
        pushKey(static_cast<SDL_Scancode>(scancode), down);
        m_keyPushed = true;
        return true;
    });
}

void GameRun::setStep(const uint32_t stepMs) {
    zqsystem::test::setFixedStep(stepMs);
}

GameRun& GameRun::at(const uint32_t frame, Action action) {
    m_actions.emplace(frame, std::move(action));
    return *this;
}

GameRun& GameRun::boardKey(const uint32_t frame, const uint8_t key, const bool down) {
    return at(frame, [key, down] {
        zqp::hid::test::key(key, down);
        boardSettle();
    });
}

GameRun& GameRun::coin(const uint32_t frame, const uint32_t slot) {
    return at(frame, [slot] {
        zqp::hid::test::addCoins(slot, 1);
        boardSettle();
    });
}

void GameRun::boardSettle() {
    // Two status reads after the change: the board's thread has read it and handed it on, so
    // this frame's board step sees it, as on every run.
    constexpr uint32_t READS = 2;
    constexpr int64_t WAIT_LIMIT_MS = 1000;
    const uint32_t target = zqp::hid::test::seen().nrStatusReads + READS;
    const int64_t frequency = zqp::perfFrequency();
    const int64_t start = zqp::perfCounter();
    while (zqp::hid::test::seen().nrStatusReads < target &&
           (zqp::perfCounter() - start) * 1000 / frequency < WAIT_LIMIT_MS) {
        zqp::sleepMs(1);
    }
}

GameRun& GameRun::play(const uint32_t frame, const uint32_t player, std::vector<uint8_t> image) {
    return at(frame, [this, player, image = std::move(image)] {
        CPlayerInput* const input = CInputManager::getInstance()->getPlayerInput(player);
        if (input == nullptr || !input->getRecorder().loadFromMemory(image.data(), image.size())) {
            fail("the recording for player " + std::to_string(player) + " did not load");
            return;
        }
        input->startReplay(true);
        input->startReplay(false);
    });
}

GameRun& GameRun::playScript(const uint32_t frame, const uint32_t player, const std::string& text) {
    btnfmt::Recording recording;
    std::vector<uint8_t> image;
    std::string error;
    if (!btnw::parse(text, recording, &error) || !btnw::build(recording, image, &error)) {
        ADD_FAILURE() << "recording script: " << error;
    }
    return play(frame, player, std::move(image));
}

GameRun& GameRun::picture(const uint32_t frame, Image& out) {
    m_pictures[frame] = &out;
    return *this;
}

GameRun& GameRun::pictureNow(Image& out) {
    then("picture", [this, &out] {
        m_pictures[m_frame] = &out;
        return true;
    });
    // Taken at the start of the next frame.
    return then("picture taken", [] { return true; });
}

void GameRun::fail(std::string why) {
    if (m_failure.empty()) {
        m_failure = std::move(why);
    }
    ZqSystem::quit();
}

void GameRun::frameHook(const uint32_t frame, void* const arg) {
    static_cast<GameRun*>(arg)->onFrame(frame);
}

void GameRun::onFrame(const uint32_t frame) {
    m_frame = frame;
    if (m_keyPushed) {
        // The pump has handed the key to the input layer; its polling thread reads it within
        // an interval.
        m_keyPushed = false;
        zqp::sleepMs(static_cast<long>(3 * ZqInput::POLL_INTERVAL_MS));
    }
    if (m_options.gameRoot) {
        const int32_t chapter = currentChapter();
        if (m_chapters.empty() || m_chapters.back().chapter != chapter) {
            m_chapters.push_back({frame, chapter});
        }
    }
    // The picture of the frame before, as it was presented.
    if (frame > 0) {
        if (const auto shot = m_pictures.find(frame - 1); shot != m_pictures.end()) {
            *shot->second = readFrontBuffer(*ZqGlSystem::getD3dDevice(), ZqSystem::getClientWidth(),
                                            ZqSystem::getClientHeight());
        }
    }
    const auto [first, last] = m_actions.equal_range(frame);
    for (auto it = first; it != last; ++it) {
        it->second();
    }
    if (m_current < m_steps.size()) {
        if (frame >= m_options.maxFrames) {
            fail("the frame budget of " + std::to_string(m_options.maxFrames) +
                 " frames ran out in step \"" + m_steps[m_current].name + "\"");
            return;
        }
        if (m_steps[m_current].step()) {
            ++m_current;
            m_stepFrame = frame;
        }
    }
    ZqSystem::setRenderEnable(m_options.draw || m_pictures.count(frame) != 0);
    // Pictures still to take hold the run open.
    const bool picturesLeft = !m_pictures.empty() && m_pictures.rbegin()->first >= frame;
    if (m_current >= m_steps.size() && !picturesLeft) {
        ZqSystem::quit();
    }
}

std::string GameRun::run() {
    m_current = 0;
    m_frame = 0;
    m_stepFrame = 0;
    m_chapters.clear();
    m_failure.clear();
    zqsystem::test::setFixedStep(m_options.stepMs);
    zqsystem::test::setFrameHook(&GameRun::frameHook, this);
    if (m_options.gameRoot) {
        const std::string data =
            m_options.dataFolder.empty() ? builtDataFolder() : m_options.dataFolder;
        const std::u16string instance = processName(u"dorvanexgamerun");
        m_status = runGame(TaskRoot::getInstance(), data, instance.c_str());
        TaskRoot::deleteInstance();
    } else {
        BareRoot root;
        root.onDraw = m_drawBody;
        const std::u16string title = processName(u"zqgamerun");
        const std::u16string mutex = title + u"mutex";
        try {
            m_status = ZqSystem::go(nullptr, 0xCA0000u, nullptr, m_options.width, m_options.height,
                                    title.c_str(), false, &root, mutex.c_str());
        } catch (const unsigned code) {
            fail("the framework stopped with code " + std::to_string(code));
            m_status = -1;
        }
    }
    zqsystem::test::setFrameHook(nullptr, nullptr);
    zqsystem::test::setFixedStep(0);
    ZqSystem::setRenderEnable(true);

    if (const std::string stopped = zqsystem::test::lastFailure(); !stopped.empty()) {
        return stopped;
    }
    if (!m_failure.empty()) {
        return m_failure;
    }
    if (m_status != 0) {
        return "the game ended with status " + std::to_string(m_status);
    }
    const bool quitAsExpected = m_expectQuit && m_current + 1 == m_steps.size();
    if (m_current < m_steps.size() && !quitAsExpected) {
        return "the run ended in step \"" + m_steps[m_current].name + "\"";
    }
    return "";
}

bool GameRun::inFrame(const std::function<void()>& body, const uint16_t width,
                      const uint16_t height) {
    Options options;
    options.gameRoot = false;
    options.draw = true;
    options.width = width;
    options.height = height;
    GameRun run(options);
    bool done = false;
    run.then("draw once", [&done] { return done; });
    // The body runs inside the first frame's drawing.
    run.m_drawBody = [&] {
        if (!done) {
            done = true;
            body();
        }
    };
    return run.run().empty() && done;
}

} // namespace zqtest
