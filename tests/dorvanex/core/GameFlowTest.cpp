// The game core run whole under the framework with its own window procedure and root task,
// headless: the chapters follow one another from start-up, TEST opens the operator menu only
// once a chapter enabled it, and the cancel key quits only a running chapter.
#include "dorvanex/core/app/TaskRoot.h"
#include "dorvanex/core/flow/CSequence.h"
#include "dorvanex/core/flow/CSequenceManager.h"
#include "dorvanex/scene/CResourceManager.h"
#include "tests/support/GameRun.h"
#include "tests/support/InputTestSupport.h"
#include "zq/system/ZqSystem_test.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr uint32_t KEY_FRAMES = 12;
// The step while the stand-in chapters are run on quickly.
constexpr uint32_t FAST_FRAME_MS = 500;

int32_t chapter() {
    return CSequenceManager::getInstance()->getCurrentSequence();
}

uint32_t phase() {
    const CSequence* const task = CSequenceManager::getInstance()->getCurrentTask();
    return task != nullptr ? task->getPhase() : 0;
}

TEST(GameFlow, ChaptersRunFromStartUpAndTheOperatorKeysActOnlyWhenAllowed) {
    zqtest::GameRun run;
    auto since = [&run] { return run.sinceStep(); };
    // Long frames only while a chapter runs: loading and starting (the boot chapter waits for
    // the LED controller's thread) keep the normal step.
    auto fast = [](const bool on) {
        const bool running = phase() == CSequence::PHASE_RUN;
        zqtest::GameRun::setStep(on && running ? FAST_FRAME_MS : zqsystem::test::DEFAULT_STEP_MS);
    };
    // The cancel key counts only while the window has the focus.
    run.then("focus the window",
             [] {
                 zqtest::pushFocus(true);
                 return true;
             })
        .then("start-up runs", [] { return chapter() == 0 && phase() == CSequence::PHASE_RUN; })
        .key("press TEST too early", SDL_SCANCODE_T, true)
        .then("TEST ignored", [&] { return since() >= KEY_FRAMES && chapter() == 0; })
        .key("release TEST", SDL_SCANCODE_T, false)
        .then("TEST seen released", [&] { return since() >= KEY_FRAMES; })
        .then("run on to the title",
              [&] {
                  fast(true);
                  return chapter() == 3 && phase() == CSequence::PHASE_RUN;
              })
        .then("back to normal frames",
              [&] {
                  fast(false);
                  return true;
              })
        .key("press TEST", SDL_SCANCODE_T, true)
        .then("operator menu opens", [] { return chapter() == TaskRoot::OPERATOR_MENU_CHAPTER; })
        .key("release TEST", SDL_SCANCODE_T, false)
        .then("hold the next load",
              [] {
                  CResourceManager::getInstance()->setHoldChapterBank(true);
                  return true;
              })
        .then("run on to a loading chapter",
              [&] {
                  fast(true);
                  return chapter() == 2 && phase() == CSequence::PHASE_WAIT_RESOURCES;
              })
        .then("back to normal frames while loading",
              [&] {
                  fast(false);
                  return true;
              })
        .key("press cancel while loading", SDL_SCANCODE_ESCAPE, true)
        .then("cancel ignored while loading", [&] { return since() >= KEY_FRAMES; })
        .key("release cancel", SDL_SCANCODE_ESCAPE, false)
        .then("finish loading",
              [] {
                  CResourceManager::getInstance()->setHoldChapterBank(false);
                  return phase() == CSequence::PHASE_RUN;
              })
        .then("cancel seen released", [&] { return since() >= KEY_FRAMES; })
        .key("press cancel while running", SDL_SCANCODE_ESCAPE, true)
        .expectQuit();

    EXPECT_EQ(run.run(), "");
    EXPECT_EQ(run.exitStatus(), 0);
    const std::vector<int32_t> expected = {-1, 0, 41, 42, 2, 3, 40, 2};
    std::vector<int32_t> seen;
    for (const zqtest::GameRun::ChapterSeen& c : run.chapters()) {
        seen.push_back(c.chapter);
    }
    // The run may end before or after the hook sees the root's first chapter.
    if (!seen.empty() && seen.front() != -1) {
        seen.insert(seen.begin(), -1);
    }
    EXPECT_EQ(seen, expected);
}

} // namespace
