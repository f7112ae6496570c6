// The game core run whole under the framework with its own window procedure and root task,
// headless: the chapters follow one another from start-up, TEST opens the operator menu only
// once a chapter enabled it, and the cancel key quits only a running chapter.
#include "dorvanex/core/app/GameEntry.h"
#include "dorvanex/core/app/TaskRoot.h"
#include "dorvanex/core/flow/CSequence.h"
#include "dorvanex/core/flow/CSequenceManager.h"
#include "dorvanex/scene/CResourceManager.h"
#include "tests/zq/input/InputTestSupport.h"
#include "zq/platform/os/os.h"
#include "zq/platform/window/window.h"
#include "zq/system/ZqSystem.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

constexpr uint32_t MAX_FRAMES = 6000;
constexpr uint32_t KEY_FRAMES = 12;
constexpr uint32_t FAST_FRAME_MS = 500;

// Steps run one per frame from the frame-time hook (before the tasks); a step returns true
// when done. The hook can stretch a frame's time to run the stand-in chapters on quickly.
struct Script {
    std::vector<std::pair<std::string, std::function<bool()>>> steps;
    size_t current = 0;
    uint32_t frame = 0;
    uint32_t stepFrame = 0;
    bool fast = false;
    std::vector<int32_t> chapters;
    std::string stuck;
};

int32_t chapter() {
    return CSequenceManager::getInstance()->getCurrentSequence();
}

uint32_t phase() {
    const CSequence* const task = CSequenceManager::getInstance()->getCurrentTask();
    return task != nullptr ? task->getPhase() : 0;
}

void onFrame(uint32_t& timeTick, void* const arg) {
    Script& s = *static_cast<Script*>(arg);
    const int32_t now = chapter();
    if (s.chapters.empty() || s.chapters.back() != now) {
        s.chapters.push_back(now);
    }
    if (++s.frame > MAX_FRAMES) {
        s.stuck = s.current < s.steps.size() ? s.steps[s.current].first : "quit";
        ZqSystem::quit();
        return;
    }
    if (s.current < s.steps.size() && s.steps[s.current].second()) {
        ++s.current;
        s.stepFrame = s.frame;
    }
    if (s.fast) {
        timeTick = FAST_FRAME_MS;
    }
}

// The framework clears the frame-time hook when it starts; the message pump puts it back.
void installHook(void* const arg) {
    ZqSystem::setTimeTickCallback(&onFrame, arg);
}

TEST(GameFlow, ChaptersRunFromStartUpAndTheOperatorKeysActOnlyWhenAllowed) {
    Script s;
    auto since = [&s] { return s.frame - s.stepFrame; };
    auto press = [](SDL_Scancode key) {
        return [key] {
            zqtest::pushKey(key, true);
            return true;
        };
    };
    auto release = [](SDL_Scancode key) {
        return [key] {
            zqtest::pushKey(key, false);
            return true;
        };
    };
    s.steps = {
        // The cancel key counts only while the window has the focus.
        {"focus the window",
         [] {
             zqtest::pushFocus(true);
             return true;
         }},
        {"start-up runs", [] { return chapter() == 0 && phase() == CSequence::PHASE_RUN; }},
        {"press TEST too early", press(SDL_SCANCODE_T)},
        {"TEST ignored", [&] { return since() >= KEY_FRAMES && chapter() == 0; }},
        {"release TEST", release(SDL_SCANCODE_T)},
        {"TEST seen released", [&] { return since() >= KEY_FRAMES; }},
        {"run on to the title",
         [&] {
             s.fast = true;
             return chapter() == 3 && phase() == CSequence::PHASE_RUN;
         }},
        {"press TEST",
         [&] {
             s.fast = false;
             zqtest::pushKey(SDL_SCANCODE_T, true);
             return true;
         }},
        {"operator menu opens", [] { return chapter() == TaskRoot::OPERATOR_MENU_CHAPTER; }},
        {"release TEST and hold the next load",
         [] {
             zqtest::pushKey(SDL_SCANCODE_T, false);
             CResourceManager::getInstance()->setHoldChapterBank(true);
             return true;
         }},
        {"run on to a loading chapter",
         [&] {
             s.fast = true;
             return chapter() == 2 && phase() == CSequence::PHASE_WAIT_RESOURCES;
         }},
        {"press cancel while loading",
         [&] {
             s.fast = false;
             zqtest::pushKey(SDL_SCANCODE_ESCAPE, true);
             return true;
         }},
        {"cancel ignored while loading", [&] { return since() >= KEY_FRAMES; }},
        {"release cancel and finish loading",
         [] {
             zqtest::pushKey(SDL_SCANCODE_ESCAPE, false);
             CResourceManager::getInstance()->setHoldChapterBank(false);
             return phase() == CSequence::PHASE_RUN;
         }},
        {"cancel seen released", [&] { return since() >= KEY_FRAMES; }},
        {"press cancel while running", press(SDL_SCANCODE_ESCAPE)},
    };
    const std::string pid = std::to_string(zqp::currentThreadId());
    const std::u16string instance = u"dorvanexflowtest" + std::u16string(pid.begin(), pid.end());
    zqp::addPumpHook(&installHook, &s);
    const int status = runGame(TaskRoot::getInstance(), "", instance.c_str());
    zqp::removePumpHook(&installHook, &s);
    ZqSystem::setTimeTickCallback(nullptr, nullptr);
    TaskRoot::deleteInstance();

    EXPECT_EQ(status, 0);
    EXPECT_EQ(s.stuck, "");
    EXPECT_EQ(s.current, s.steps.size());
    const std::vector<int32_t> expected = {-1, 0, 41, 42, 2, 3, 40, 2};
    // The run may end before or after the hook sees the root's first chapter.
    std::vector<int32_t> seen = s.chapters;
    if (!seen.empty() && seen.front() != -1) {
        seen.insert(seen.begin(), -1);
    }
    EXPECT_EQ(seen, expected);
}

} // namespace
