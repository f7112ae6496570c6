#include "dorvanex/core/render/GameTiming.h"
#include "tests/support/FakeClock.h"
#include "zq/system/ZqSystem.h"

#include <gtest/gtest.h>

TEST(Stopwatch, RunsOnTheFrameworkClockAndAStartAtZeroReadsAsStopped) {
    // A program of its own: no framework run has set a time base here, so the framework's
    // clock reads the fake counter as it is.
    zqtest::FakeClock clock(0);
    ASSERT_EQ(ZqSystem::getTime(), 0u);
    stopwatchStart();
    EXPECT_FALSE(stopwatchIsRunning());
    // Without a start the elapsed time is the raw clock.
    zqtest::FakeClock::advance(1234);
    EXPECT_EQ(stopwatchElapsed(), 1234u);
    zqtest::FakeClock::set(50000);
    stopwatchStart();
    EXPECT_TRUE(stopwatchIsRunning());
    zqtest::FakeClock::advance(750);
    EXPECT_EQ(stopwatchElapsed(), 750u);
    stopwatchReset();
    EXPECT_FALSE(stopwatchIsRunning());
}
