// The main loop's fixed-step frames (ZqSystem_test.h): every turn of the pump runs one frame,
// the clock reads the frames times the step on every thread, and a file request that does not
// finish stops the run with its name.
#include "tests/zq/gl/FrameworkRun.h"
#include "zq/file/ZqFile.h"
#include "zq/file/ZqFile_test.h"
#include "zq/memory/ZqMemAlloc.h"
#include "zq/system/ZqSystem_test.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t STEP_MS = 16;
constexpr uint32_t FRAMES = 40;

class FixedStep : public ::testing::Test {
protected:
    void TearDown() override {
        zqsystem::test::setFixedStep(0);
        zqsystem::test::setFrameHook(nullptr, nullptr);
        zqfile::test::holdWorker(false);
    }
};

TEST_F(FixedStep, EveryFrameMovesTheClockByTheStepOnEveryThread) {
    zqsystem::test::setFixedStep(STEP_MS);
    struct Seen {
        std::vector<uint32_t> hookFrames;
        std::vector<uint32_t> clock;
        std::vector<uint32_t> ticks;
        std::vector<uint32_t> otherThread;
    } seen;
    zqsystem::test::setFrameHook(
        [](const uint32_t frame, void* const arg) {
            static_cast<Seen*>(arg)->hookFrames.push_back(frame);
        },
        &seen);
    zqtest::ScriptTask root;
    root.onFrame = [&seen](const uint32_t frame) {
        seen.clock.push_back(ZqSystem::getTime());
        seen.ticks.push_back(ZqSystem::getTimeTick());
        uint32_t other = 0;
        std::thread([&other] { other = ZqSystem::getTime(); }).join();
        seen.otherThread.push_back(other);
        return frame + 1 < FRAMES;
    };
    ASSERT_EQ(zqtest::runFrameworkCode(root, 320, 240), 0u);
    ASSERT_EQ(seen.clock.size(), FRAMES);
    for (uint32_t n = 0; n < FRAMES; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(seen.hookFrames[n], n);
        EXPECT_EQ(seen.clock[n], (n + 1) * STEP_MS);
        EXPECT_EQ(seen.otherThread[n], (n + 1) * STEP_MS);
        EXPECT_EQ(seen.ticks[n], STEP_MS);
    }
    EXPECT_EQ(zqsystem::test::lastFailure(), "");
}

TEST_F(FixedStep, ALoadStillPendingStopsTheRunNamingIt) {
    zqsystem::test::setFixedStep(STEP_MS, 200);
    zqtest::ScriptTask root;
    uint32_t frames = 0;
    root.onFrame = [&frames](const uint32_t frame) {
        ++frames;
        if (frame == 2) {
            zqfile::test::holdWorker(true);
            ZqFile::loadStart(u"never_served.bin", 0, 0);
        }
        return frame < 100;
    };
    ASSERT_EQ(zqtest::runFrameworkCode(root, 320, 240), 0u);
    EXPECT_EQ(frames, 3u) << "no frame after the one that asked";
    EXPECT_EQ(zqsystem::test::lastFailure(),
              "a file request was still pending after 200 ms: never_served.bin");
}

} // namespace
