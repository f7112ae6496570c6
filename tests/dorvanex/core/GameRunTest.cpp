// The game harness itself: a run of the whole game in fixed-step frames depends on its frames
// alone. The title stand-in runs for 600 frames twice, with a coin dropped on the way, and
// both runs give the same chapters at the same frames, the same clock, credits and generator
// state, and the same pictures bit for bit.
#include "tests/support/GameRun.h"
#include "dorvanex/core/app/TaskRoot.h"
#include "dorvanex/core/cabinet/CCredit.h"
#include "zq/math/ZqMt19937Ar.h"
#include "zq/platform/hid/hid_test.h"
#include "zq/system/ZqSystem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int32_t TITLE_CHAPTER = 3;
constexpr uint32_t TITLE_FRAMES = 600;
constexpr uint32_t STEP_MS = 16;

struct Outcome {
    std::vector<zqtest::GameRun::ChapterSeen> chapters;
    uint32_t frames = 0;
    uint32_t clockAtEnd = 0;
    std::string credits;
    std::vector<uint32_t> generator;
    zqtest::Image early;
    zqtest::Image late;
};

Outcome runTitle() {
    Outcome o;
    zqtest::GameRun run;
    run.jumpTo(TITLE_CHAPTER)
        .pictureNow(o.early)
        .wait(TITLE_FRAMES / 2)
        .then("drop a coin",
              [] {
                  zqp::hid::test::addCoins(0, 1);
                  return true;
              })
        .wait(TITLE_FRAMES / 2)
        .pictureNow(o.late)
        .then("read the outcome", [&] {
            o.frames = run.frames();
            o.clockAtEnd = ZqSystem::getTime();
            o.credits = std::string(CCredit::getCreditText()) + " " + CCredit::getCoinText();
            o.generator.resize(ZqMt19937Ar::N + 1);
            TaskRoot::getRandomState(o.generator.data(), &o.generator.back());
            return true;
        });
    const std::string failure = run.run();
    EXPECT_EQ(failure, "");
    o.chapters = run.chapters();
    return o;
}

TEST(GameRun, TitleStandInRunsTheSameTwiceFrameForFrame) {
    const Outcome first = runTitle();
    const Outcome second = runTitle();

    // The clock is the frames times the step, whatever the machine.
    EXPECT_EQ(first.clockAtEnd, (first.frames + 1) * STEP_MS);
    EXPECT_EQ(first.credits, "1 0'1");
    // Start-up, the jump to the title, then the title and the attract stand-in in turn (each
    // stand-in goes on after 3 s: 188 frames).
    ASSERT_GE(first.chapters.size(), 4u);
    EXPECT_EQ(first.chapters[0].chapter, 0);
    EXPECT_EQ(first.chapters[1].chapter, TITLE_CHAPTER);
    EXPECT_EQ(first.chapters[2].chapter, 4);
    EXPECT_EQ(first.chapters[2].frame - first.chapters[1].frame, 190u) << "188 running, 2 starting";

    EXPECT_EQ(first.chapters, second.chapters);
    EXPECT_EQ(first.frames, second.frames);
    EXPECT_EQ(first.clockAtEnd, second.clockAtEnd);
    EXPECT_EQ(first.credits, second.credits);
    EXPECT_EQ(first.generator, second.generator);
    ASSERT_FALSE(first.early.pixels.empty());
    EXPECT_TRUE(zqtest::imagesMatch(second.early, first.early, "game_run_title_early", 0, 0));
    EXPECT_TRUE(zqtest::imagesMatch(second.late, first.late, "game_run_title_late", 0, 0));
}

} // namespace
