#include "dorvanex/core/flow/CStep.h"

#include <gtest/gtest.h>

TEST(CStep, SettingALevelClearsOnlyTheDeeperLevels) {
    CStep step;
    for (int32_t level = 0; level < CStep::NR_LEVELS; ++level) {
        step.setStateAt(level, 10 + level);
        step.setTimerAt(level, 5.0f);
        step.setCounterAt(level, 7);
    }
    step.setStateAt(1, 99);
    EXPECT_EQ(step.getStateAt(0), 10);
    EXPECT_FLOAT_EQ(step.getTimerAt(0), 5.0f);
    EXPECT_EQ(step.getCounterAt(0), 7);
    EXPECT_EQ(step.getStateAt(1), 99);
    EXPECT_FLOAT_EQ(step.getTimerAt(1), 0.0f);
    EXPECT_EQ(step.getCounterAt(1), 0);
    for (int32_t level = 2; level < CStep::NR_LEVELS; ++level) {
        EXPECT_EQ(step.getStateAt(level), 0);
        EXPECT_FLOAT_EQ(step.getTimerAt(level), 0.0f);
        EXPECT_EQ(step.getCounterAt(level), 0);
    }
}

TEST(CStep, CurrentLevelForwardsAndOutOfRangeLevelsAreIgnored) {
    CStep step;
    step.setState(3);
    EXPECT_EQ(step.getStateAt(0), 3);
    step.setCurrentLevel(2);
    step.setCurrentState(8);
    EXPECT_EQ(step.getState(), 8);
    EXPECT_EQ(step.getStateAt(0), 3);
    step.setStateAt(4, 1);
    step.setStateAt(-1, 1);
    EXPECT_EQ(step.getStateAt(4), 0);
    EXPECT_EQ(step.getStateAt(-1), 0);
}
