#include "dorvanex/core/render/CGameFade.h"
#include "tests/support/GameRun.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class GameFade : public testing::Test {
protected:
    void SetUp() override {
        m_services = std::make_unique<zqtest::GameServices>(zqtest::GameServices::TASKS);
        CGameFade::clear();
    }
    void TearDown() override {
        CGameFade::clear();
        ZqTask::sysDrawDiscard();
        m_services.reset();
    }
    void step(const float dt) {
        m_fade.main1(dt);
        ZqTask::sysDrawDiscard();
    }

    std::unique_ptr<zqtest::GameServices> m_services;
    CGameFade m_fade;
};

TEST_F(GameFade, FadeOutCoversOnTheFrameTheWholeMillisecondsReachTheDuration) {
    CGameFade::startFadeOutColor(CGameFade::COLOR_WHITE, 500);
    EXPECT_EQ(CGameFade::getColor(), CGameFade::COLOR_WHITE);
    step(250.9f);
    EXPECT_FLOAT_EQ(CGameFade::getAlpha(), 0.5f);
    EXPECT_EQ(CGameFade::getState(), CGameFade::STATE_FADE_OUT);
    step(249.9f);
    EXPECT_FALSE(CGameFade::isFadedOut());
    step(1.0f);
    EXPECT_TRUE(CGameFade::isFadedOut());
    EXPECT_TRUE(isFadeOutFinished());
    EXPECT_FLOAT_EQ(CGameFade::getAlpha(), 1.0f);
}

TEST_F(GameFade, FadeInFromCoveredEndsIdleWithNothingToDraw) {
    CGameFade::startFadeOut(100);
    step(100.0f);
    ASSERT_TRUE(CGameFade::isFadedOut());
    CGameFade::startFadeIn(400);
    EXPECT_FLOAT_EQ(CGameFade::getAlpha(), 1.0f);
    step(100.0f);
    EXPECT_FLOAT_EQ(CGameFade::getAlpha(), 0.75f);
    step(300.0f);
    EXPECT_TRUE(CGameFade::isFadeIdle());
    EXPECT_TRUE(isFadeInFinished());
    EXPECT_FLOAT_EQ(CGameFade::getAlpha(), 0.0f);
}

TEST_F(GameFade, ClearDropsTheCoverAtOnce) {
    CGameFade::startFadeOut(500);
    step(100.0f);
    CGameFade::clear();
    EXPECT_TRUE(CGameFade::isFadeIdle());
    EXPECT_FLOAT_EQ(CGameFade::getAlpha(), 0.0f);
    step(1000.0f);
    EXPECT_TRUE(CGameFade::isFadeIdle());
}

} // namespace
