// The lamp task's transfers (one at a time, through the recorded cabinet calls) and the
// background's lamp animation.
#include "dorvanex/core/cabinet/CSPLCTask.h"
#include "dorvanex/core/cabinet/CabinetIo.h"
#include "dorvanex/core/play/CTaskBackGround.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using cabinet::Transfer;

class Lamps : public testing::Test {
protected:
    void SetUp() override {
        cabinet::clearTransfers();
        cabinet::ledInit(2, 3, 0);
        m_task.init();
        setLampTask(&m_task);
    }
    void TearDown() override {
        setLampTask(nullptr);
        cabinet::ledQuit();
        cabinet::clearTransfers();
    }
    // Runs frames until the task is idle with nothing left to send; the transfers made.
    std::vector<Transfer> settle(const int maxFrames = 20) {
        for (int i = 0; i < maxFrames; ++i) {
            m_task.main1(16.0f);
        }
        return cabinet::getTransfers();
    }

    CSPLCTask m_task;
};

TEST_F(Lamps, TableMapsLampsToNodesAndBits) {
    struct Row {
        uint32_t lamp, node, bit;
    };
    const Row rows[] = {{0, 0, 0},   {3, 0, 8},   {9, 0, 4},  {17, 0, 22}, {18, 1, 16}, {20, 1, 19},
                        {21, 1, 18}, {28, 1, 10}, {29, 2, 2}, {31, 2, 0},  {32, 2, 6},  {34, 2, 4}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.lamp);
        EXPECT_EQ(CSPLCTask::lampNode(r.lamp), r.node);
        EXPECT_EQ(CSPLCTask::lampBit(r.lamp), r.bit);
    }
}

TEST_F(Lamps, TwoNodesChangedTogetherGoOutOnSeparateFramesOneAtATime) {
    setLampOn(0);
    setLampOn(18);
    m_task.main1(16.0f);
    ASSERT_EQ(cabinet::getTransfers().size(), 1u);
    EXPECT_EQ(m_task.getTransferState(), CSPLCTask::TRANSFER_LED);
    // The controller is still sending: nothing new starts.
    m_task.main1(16.0f);
    EXPECT_EQ(cabinet::getTransfers().size(), 1u);
    EXPECT_EQ(m_task.getTransferState(), CSPLCTask::TRANSFER_LED);
    m_task.main1(16.0f);
    EXPECT_EQ(m_task.getTransferState(), CSPLCTask::TRANSFER_IDLE);
    m_task.main1(16.0f);
    const std::vector<Transfer> sent = settle();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].kind, Transfer::LED_MODE);
    EXPECT_EQ(sent[0].node, 0u);
    EXPECT_EQ(sent[0].value, 1u << 0);
    EXPECT_EQ(sent[1].kind, Transfer::LED_MODE);
    EXPECT_EQ(sent[1].node, 1u);
    EXPECT_EQ(sent[1].value, 1u << 16);
}

TEST_F(Lamps, BoardLampSendsOnlyTheOutputByte) {
    setLampOn(31);
    const std::vector<Transfer> sent = settle();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].kind, Transfer::BOARD_OUTPUT);
    EXPECT_EQ(sent[0].value, 1u << 0);
    setLampOff(31);
    EXPECT_EQ(settle().size(), 2u);
    EXPECT_EQ(cabinet::getTransfers().back().value, 0u);
}

TEST_F(Lamps, ValuesAreSentWhenChangedAndOnlyForLedLamps) {
    setLampValue(19, 200);
    setLampValue(29, 200);
    setLampValue(34, 200);
    std::vector<Transfer> sent = settle();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].kind, Transfer::LED_VALUES);
    EXPECT_EQ(sent[0].node, 1u);
    EXPECT_EQ(sent[0].values[17], 200);
    EXPECT_EQ(m_task.getWantedOutput(), 0);
    // The same value again changes nothing.
    setLampValue(19, 200);
    EXPECT_EQ(settle().size(), 1u);
}

TEST_F(Lamps, WrappersDoNothingWithoutTheTaskAndPollReportsTheController) {
    setLampTask(nullptr);
    setLampOn(0);
    setLampValue(0, 9);
    bool enabled = false;
    EXPECT_FALSE(pollLedState(&enabled));
    EXPECT_TRUE(enabled);
    setLampTask(&m_task);
    EXPECT_EQ(m_task.getWantedMode(0), 0u);
    EXPECT_TRUE(settle().empty());
    enabled = false;
    EXPECT_TRUE(pollLedState(&enabled));
    EXPECT_TRUE(enabled);
    EXPECT_TRUE(m_task.isEnabled());
}

TEST_F(Lamps, AnimationBrightnessRisesAndFallsOverTwoSeconds) {
    CBackGroundDisplay display;
    struct Step {
        float dt;
        uint8_t brightness;
    };
    // Cumulative timer 500, 1000, 1500 ms.
    const Step steps[] = {{500.0f, 127}, {500.0f, 255}, {500.0f, 127}};
    for (const Step& s : steps) {
        CTaskBackGround::animateLamps(display, 0, s.dt);
        SCOPED_TRACE(display.m_timer);
        for (uint32_t lamp = 18; lamp <= 22; ++lamp) {
            EXPECT_EQ(m_task.getValue(1, CSPLCTask::lampBit(lamp)), s.brightness);
        }
    }
    // At 2000 ms the timer restarts and no brightness is set that frame.
    CTaskBackGround::animateLamps(display, 0, 500.0f);
    EXPECT_FLOAT_EQ(display.m_timer, 0.0f);
    EXPECT_EQ(m_task.getValue(1, CSPLCTask::lampBit(18)), 127);
}

TEST_F(Lamps, BoardLampsBlinkWithoutCreditInTheAttractChapters) {
    CBackGroundDisplay display;
    CTaskBackGround::animateLamps(display, 3, 400.0f);
    EXPECT_EQ(m_task.getWantedOutput(), 0);
    CTaskBackGround::animateLamps(display, 3, 700.0f);
    EXPECT_EQ(m_task.getWantedOutput(), 0x77);
    // Outside those chapters the board lamps stay as they are.
    CTaskBackGround::animateLamps(display, 7, 700.0f);
    EXPECT_EQ(m_task.getWantedOutput(), 0x77);
}

// The lamp task calls the cabinet for as long as the game runs: the record of those calls
// keeps only the latest ones, newest last.
TEST_F(Lamps, TheCallRecordStaysBoundedOverALongRun) {
    CBackGroundDisplay display;
    for (int frame = 0; frame < 100000; ++frame) {
        CTaskBackGround::animateLamps(display, 3, 16.0f);
        m_task.main1(16.0f);
    }
    EXPECT_EQ(cabinet::getTransfers().size(), cabinet::TRANSFER_RECORD_SIZE);
    clearLamps();
    setLampOn(31);
    const std::vector<Transfer> sent = settle(200);
    ASSERT_EQ(sent.size(), cabinet::TRANSFER_RECORD_SIZE);
    const auto board = std::find_if(sent.rbegin(), sent.rend(), [](const Transfer& t) {
        return t.kind == Transfer::BOARD_OUTPUT;
    });
    ASSERT_NE(board, sent.rend());
    EXPECT_EQ(board->value, 1u);
}

} // namespace
