// The game input end to end under the framework: keys pushed into the keyboard reach both
// players' virtual buttons; a play recorded through them, saved, loaded and replayed gives the
// same answers, frame times and random numbers frame for frame, and the live generator comes
// back afterwards.
#include "dorvanex/core/app/TaskRoot.h"
#include "dorvanex/core/input/CInputManager.h"
#include "dorvanex/core/input/CInputRecorder.h"
#include "dorvanex/core/input/CPlayerInput.h"
#include "tests/support/FileTestSupport.h"
#include "tests/support/GameRun.h"
#include "tests/support/InputTestSupport.h"
#include "zq/math/ZqMt19937Ar.h"
#include "zq/system/ZqSystem.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using zqtest::GameRun;
using zqtest::pushKey;

constexpr uint32_t NR_GAME_BUTTONS = 3;

struct Answers {
    uint32_t tick = 0;
    uint32_t random = 0;
    bool held[NR_GAME_BUTTONS] = {};
    bool on[NR_GAME_BUTTONS] = {};
    bool off[NR_GAME_BUTTONS] = {};
    bool repeat[NR_GAME_BUTTONS] = {};
};

// One frame of the game: the input ticks, then player 1 is asked and a number is drawn.
Answers sampleFrame() {
    CInputManager* const m = CInputManager::getInstance();
    m->update(ZqSystem::getTimeTickFloat());
    Answers a;
    a.tick = ZqSystem::getTimeTick();
    for (uint32_t b = 0; b < NR_GAME_BUTTONS; ++b) {
        a.held[b] = m->getButton(0, b);
        a.on[b] = m->getButtonOn(0, b);
        a.off[b] = m->getButtonOff(0, b);
        a.repeat[b] = m->getButtonRepeat(0, b);
    }
    a.random = TaskRoot::getRandom();
    return a;
}

// Steps that tap keys and wait until the players' buttons go on: TEST and SERVICE reach both
// players, the game buttons only their own player.
void addKeySteps(GameRun& s, bool (&seen)[2][CInputManager::NR_BUTTONS]) {
    auto watch = [&seen] {
        CInputManager* const m = CInputManager::getInstance();
        m->update(ZqSystem::getTimeTickFloat());
        for (uint32_t p = 0; p < 2; ++p) {
            for (uint32_t b = 0; b < CInputManager::NR_BUTTONS; ++b) {
                seen[p][b] = seen[p][b] || m->getButtonOn(p, b);
            }
        }
    };
    auto tap = [](const SDL_Scancode key) {
        return [key] {
            pushKey(key, true);
            pushKey(key, false);
            return true;
        };
    };
    auto until = [&](const uint32_t player, const uint32_t button) {
        return [watch, &seen, player, button] {
            watch();
            return seen[player][button];
        };
    };
    s.then("make", [] { return CInputManager::getInstance() != nullptr; })
        .then("T", tap(SDL_SCANCODE_T))
        .then("TEST on for player 1", until(0, CInputManager::BUTTON_TEST))
        .then("TEST on for player 2", until(1, CInputManager::BUTTON_TEST))
        .then("S", tap(SDL_SCANCODE_S))
        .then("SERVICE on for player 1", until(0, CInputManager::BUTTON_SERVICE))
        .then("SERVICE on for player 2", until(1, CInputManager::BUTTON_SERVICE))
        .then("keypad 3", tap(SDL_SCANCODE_KP_3))
        .then("player 2 button 0", until(1, CInputManager::BUTTON_0))
        .then("Z", tap(SDL_SCANCODE_Z))
        .then("player 1 button 2", until(0, CInputManager::BUTTON_2));
}

// One run of the framework for both (its start-up is most of the cost).
TEST(GameInput, KeysReachThePlayersAndARecordedPlayReplaysFrameForFrame) {
    ScratchFolder folder;
    TaskRoot::getInstance();
    const uint32_t watched[] = {0, 1, 2};
    constexpr uint32_t FRAMES = 100;
    // Frame of the recording -> key pushed (down or up): button 2 held long enough to
    // repeat, then button 1 tapped, then button 0 held briefly.
    struct Push {
        uint32_t frame;
        SDL_Scancode key;
        bool down;
    };
    const Push pushes[] = {{2, SDL_SCANCODE_Z, true},  {55, SDL_SCANCODE_Z, false},
                           {62, SDL_SCANCODE_X, true}, {66, SDL_SCANCODE_X, false},
                           {72, SDL_SCANCODE_C, true}, {82, SDL_SCANCODE_C, false}};
    std::vector<Answers> live;
    std::vector<Answers> replayed;
    std::vector<uint32_t> recordedTimes;
    uint32_t loadResult = 1;
    ZqMt19937Ar before;
    uint32_t afterStop[4] = {};
    // On the real clock: the scripted presses of a few frames must last long enough in real
    // time for the input's polling thread to see them.
    GameRun::Options options;
    options.gameRoot = false;
    options.stepMs = 0;
    options.maxFrames = 1600;
    options.width = 320;
    options.height = 240;
    GameRun s(options);
    bool seen[2][CInputManager::NR_BUTTONS] = {};
    addKeySteps(s, seen);
    s.then("start recording",
           [&] {
               CInputManager::getInstance()->getPlayerInput(0)->getRecorder().startRecording(
                   watched, 3);
               return true;
           })
        .then("play",
              [&] {
                  const uint32_t frame = static_cast<uint32_t>(live.size());
                  for (const Push& p : pushes) {
                      if (p.frame == frame) {
                          pushKey(p.key, p.down);
                      }
                  }
                  live.push_back(sampleFrame());
                  return live.size() == FRAMES;
              })
        .then("save",
              [&] {
                  CInputRecorder& r =
                      CInputManager::getInstance()->getPlayerInput(0)->getRecorder();
                  r.stopRecording();
                  recordedTimes = r.getFrameTimes();
                  EXPECT_TRUE(r.saveRecording(u"replay.btn"));
                  // Some live numbers are drawn between the recording and its replay.
                  TaskRoot::getRandom();
                  return true;
              })
        .then("load and prepare",
              [&] {
                  CPlayerInput* const p = CInputManager::getInstance()->getPlayerInput(0);
                  loadResult = p->loadRecording(u"replay.btn");
                  uint32_t words[ZqMt19937Ar::N];
                  uint32_t index = 0;
                  TaskRoot::getRandomState(words, &index);
                  before.setState(words, index);
                  p->startReplay(true);
                  p->startReplay(false);
                  return true;
              })
        .then("replay",
              [&] {
                  replayed.push_back(sampleFrame());
                  return replayed.size() == FRAMES;
              })
        .then("stop", [&] {
            CInputManager::getInstance()->getPlayerInput(0)->stopReplay();
            for (uint32_t& n : afterStop) {
                n = TaskRoot::getRandom();
            }
            CInputManager::deleteInstance();
            return true;
        });
    ASSERT_EQ(s.run(), "");
    TaskRoot::deleteInstance();

    for (const uint32_t b : {CInputManager::BUTTON_TEST, CInputManager::BUTTON_SERVICE}) {
        EXPECT_TRUE(seen[0][b] && seen[1][b]) << "button " << b;
    }
    // The game buttons of one player never reach the other.
    EXPECT_FALSE(seen[0][CInputManager::BUTTON_0]);
    EXPECT_FALSE(seen[1][CInputManager::BUTTON_2]);

    ASSERT_EQ(loadResult, 0u);
    ASSERT_EQ(live.size(), FRAMES);
    ASSERT_EQ(replayed.size(), FRAMES);
    // The frame in which the recording stopped has its time too.
    ASSERT_GE(recordedTimes.size(), FRAMES);
    bool pressed[NR_GAME_BUTTONS] = {};
    bool repeated = false;
    for (uint32_t f = 0; f < FRAMES; ++f) {
        const Answers& a = live[f];
        const Answers& b = replayed[f];
        EXPECT_EQ(a.tick, recordedTimes[f]) << "frame " << f;
        EXPECT_EQ(b.tick, recordedTimes[f]) << "frame " << f;
        EXPECT_EQ(a.random, b.random) << "frame " << f;
        for (uint32_t n = 0; n < NR_GAME_BUTTONS; ++n) {
            EXPECT_EQ(a.held[n], b.held[n]) << "frame " << f << " button " << n;
            EXPECT_EQ(a.on[n], b.on[n]) << "frame " << f << " button " << n;
            EXPECT_EQ(a.off[n], b.off[n]) << "frame " << f << " button " << n;
            EXPECT_EQ(a.repeat[n], b.repeat[n]) << "frame " << f << " button " << n;
            pressed[n] = pressed[n] || a.on[n];
        }
        repeated = repeated || (a.repeat[2] && !a.on[2]);
    }
    EXPECT_TRUE(pressed[0] && pressed[1] && pressed[2]) << "every scripted press was seen";
    EXPECT_TRUE(repeated) << "the long press repeated";
    for (const uint32_t n : afterStop) {
        EXPECT_EQ(n, before.rand()) << "the live generator goes on where it was";
    }
}

} // namespace
