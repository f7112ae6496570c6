// The record board's, the offline notice's and the event panel's states over the generated
// layouts 50, 58 and 60 (no textures, no device: the layers play, nothing is drawn): the
// board's intro, hold and outro with the time limit and player 1's buttons (replayed through
// the input wrappers), the notice's cycle as the server goes away and comes back, the gauge
// frames and marker, the ticket slots and the ticket move, and what happens without layers.
#include "dorvanex/core/input/BtnWriter.h"
#include "dorvanex/core/input/CInputManager.h"
#include "dorvanex/core/input/CInputRecorder.h"
#include "dorvanex/core/input/CPlayerInput.h"
#include "dorvanex/core/play/CGameWork.h"
#include "dorvanex/dld/CDldFile.h"
#include "dorvanex/dld/CDldLayer.h"
#include "dorvanex/event/CEventHud.h"
#include "dorvanex/event/COfflineNotice.h"
#include "dorvanex/event/CRankBoard.h"
#include "tools/dataset/DataSetHud.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr float FRAME_MS = 1000.0f / 60.0f;

// A generated layout without textures; released with the test.
class Layout {
public:
    explicit Layout(const uint32_t row) {
        const std::vector<uint8_t> image = zqds::makeHudMember(row);
        m_file = CDldFile::create(image.data(), image.size());
    }
    ~Layout() { dldRelease(m_file); }
    Layout(const Layout&) = delete;
    Layout& operator=(const Layout&) = delete;
    CDldFile* get() const { return m_file; }

private:
    CDldFile* m_file = nullptr;
};

// A layout that fails its checks: it loads, and has no layers or cells.
CDldFile* makeBrokenLayout() {
    const uint8_t junk[16] = {1, 2, 3};
    return CDldFile::create(junk, sizeof(junk));
}

// The play state of one credit: mode, tickets, no recording.
void setPlay(const int32_t mode, const int32_t tickets) {
    CGameWork& work = CGameWork::getInstance();
    work.setDemo(true);
    work.setMode(mode);
    work.setTicketsPerCredit(tickets);
    work.resetTickets();
}

// Runs the board frame by frame until it stops (at most `limit` frames); the frames it ran.
int32_t runBoard(CRankBoard& board, const int32_t limit, const int32_t readInput = 1) {
    int32_t frames = 0;
    while (frames < limit) {
        CInputManager::getInstance()->update(FRAME_MS);
        ++frames;
        if (!board.update(FRAME_MS, readInput)) {
            break;
        }
    }
    return frames;
}

const CRankRecord RECORDS[4] = {{0, 1, 8.12f}, {4, 3, 7.95f}, {4, 5, 7.80f}, {4, 10, 0.0f}};

TEST(RankBoard, PlaysIntroHoldAndOutroAndLeavesTheHoldAtTheTimeLimit) {
    Layout layout(58);
    CRankBoard board(2, 1000.0f, nullptr, 0);
    ASSERT_TRUE(board.createElementList());
    board.start(true, layout.get());
    ASSERT_NE(board.getLayer(), nullptr);
    EXPECT_EQ(board.getState(), CRankBoard::State::Idle);
    board.show();
    EXPECT_EQ(board.getState(), CRankBoard::State::Idle) << "no records: nothing to show";
    EXPECT_FALSE(board.update(FRAME_MS));

    board.setRecords(RECORDS, 4);
    board.show();
    EXPECT_EQ(board.getState(), CRankBoard::State::Intro);
    EXPECT_EQ(board.getLayer()->getIndex(), 6u);
    EXPECT_STREQ(board.getRow(0).getText(), "08.12");
    EXPECT_STREQ(board.getRow(3).getText(), "--.--");
    // The intro stops on its last frame (20 frames), then the hold loops past its 60 frames.
    int32_t frames = 0;
    while (board.getState() == CRankBoard::State::Intro && frames < 100) {
        EXPECT_TRUE(board.update(FRAME_MS));
        ++frames;
    }
    EXPECT_GE(frames, 19);
    EXPECT_LE(frames, 21);
    EXPECT_EQ(board.getLayer()->getIndex(), 7u);
    // 1,000 ms from show: the hold ends by the limit, about 40 frames after the intro.
    while (board.getState() == CRankBoard::State::Hold && frames < 200) {
        EXPECT_EQ(board.getLayer()->getState(), CDldLayer::STATE_PLAYING);
        EXPECT_TRUE(board.update(FRAME_MS, 0));
        ++frames;
    }
    EXPECT_NEAR(frames, 60, 1);
    EXPECT_EQ(board.getState(), CRankBoard::State::Outro);
    EXPECT_EQ(board.getLayer()->getIndex(), 8u);
    const int32_t outro = runBoard(board, 100, 0);
    EXPECT_NEAR(outro, 20, 1);
    EXPECT_EQ(board.getState(), CRankBoard::State::Idle);
    EXPECT_TRUE(board.getLayer()->isEnd()) << "the outro stops and hides";
    EXPECT_FALSE(board.hasData());
    EXPECT_FALSE(board.areRowsPlaced());
}

TEST(RankBoard, PlayerOnesButtonsEndTheHoldAtOnce) {
    Layout layout(58);
    for (const uint32_t button : {0u, 1u, 2u}) {
        SCOPED_TRACE(button);
        // Player 1 presses the button half a second in, inside a long hold.
        const std::string script = "seed 1\nframes 300*16\nbuttons 0 1 2\non 600 " +
                                   std::to_string(button) + "\noff 700 " + std::to_string(button) +
                                   "\n";
        btnfmt::Recording recording;
        std::vector<uint8_t> image;
        std::string error;
        ASSERT_TRUE(btnw::parse(script, recording, &error)) << error;
        ASSERT_TRUE(btnw::build(recording, image, &error)) << error;
        CPlayerInput* const input = CInputManager::getInstance()->getPlayerInput(0);
        ASSERT_TRUE(input->getRecorder().loadFromMemory(image.data(), image.size()));
        input->startReplay(false);

        CRankBoard board(2, 60000.0f, RECORDS, 4);
        board.setRecords(RECORDS, 4);
        ASSERT_TRUE(board.createElementList());
        board.start(true, layout.get());
        board.show();
        int32_t frames = 0;
        while (board.getState() != CRankBoard::State::Outro && frames < 200) {
            CInputManager::getInstance()->update(16.0f);
            board.update(16.0f);
            ++frames;
        }
        input->stopReplay();
        EXPECT_EQ(board.getState(), CRankBoard::State::Outro);
        EXPECT_NEAR(frames * 16, 600, 32);
    }
    CInputManager::deleteInstance();
}

TEST(RankBoard, WithoutItsLayerStillFinishesAfterTheHold) {
    CDldFile* broken = makeBrokenLayout();
    CRankBoard board(3, 500.0f, RECORDS, 4);
    board.setRecords(RECORDS, 4);
    ASSERT_TRUE(board.createElementList());
    board.start(false, broken);
    EXPECT_EQ(board.getLayer(), nullptr);
    EXPECT_FALSE(board.getRow(0).isCreated());
    board.show();
    const int32_t frames = runBoard(board, 1000, 0);
    EXPECT_NEAR(frames, 31, 2) << "500 ms of hold, no intro or outro to wait for";
    EXPECT_EQ(board.getState(), CRankBoard::State::Idle);
    dldRelease(broken);
}

bool g_online = false;
bool online() {
    return g_online;
}

TEST(OfflineNotice, CyclesAsTheServerGoesAwayAndComesBack) {
    Layout layout(60);
    COfflineNotice notice(&online);
    ASSERT_TRUE(notice.create(layout.get()));
    CGameWork::getInstance().setOfflineWord(2);
    g_online = false;
    std::vector<int32_t> states = {static_cast<int32_t>(notice.getState())};
    const auto run = [&](const int32_t frames) {
        for (int32_t i = 0; i < frames; ++i) {
            notice.update(FRAME_MS);
            const int32_t s = static_cast<int32_t>(notice.getState());
            if (s != states.back()) {
                states.push_back(s);
            }
        }
    };
    run(30);
    EXPECT_EQ(states, (std::vector<int32_t>{0})) << "network ranking off: no banner";
    CGameWork::getInstance().setOfflineWord(1);
    run(120);
    EXPECT_EQ(states, (std::vector<int32_t>{0, 1, 2, 3}));
    EXPECT_EQ(notice.getLayer()->getIndex(), 2u);
    EXPECT_EQ(notice.getLayer()->getState(), CDldLayer::STATE_PLAYING) << "the blink loops";
    g_online = true;
    run(60);
    EXPECT_EQ(states, (std::vector<int32_t>{0, 1, 2, 3, 5, 4, 0}));
    EXPECT_EQ(notice.getLayer()->getIndex(), 3u);
    EXPECT_TRUE(notice.getLayer()->isEnd());
    CGameWork::getInstance().setOfflineWord(2);
}

TEST(OfflineNotice, WithoutLayoutOrQueryItStillRunsItsStates) {
    COfflineNotice notice;
    CDldFile* broken = makeBrokenLayout();
    EXPECT_FALSE(notice.create(broken));
    CGameWork::getInstance().setOfflineWord(0);
    for (int32_t i = 0; i < 3; ++i) {
        notice.update(FRAME_MS);
    }
    EXPECT_EQ(notice.getState(), COfflineNotice::State::Looping) << "no query: offline";
    CGameWork::getInstance().setOfflineWord(2);
    dldRelease(broken);
}

// A panel after its intro, shown.
void runIntro(CEventHud& hud) {
    for (int32_t i = 0; i < 60 && !hud.isIntroDone(); ++i) {
        hud.update(FRAME_MS);
    }
    ASSERT_TRUE(hud.isIntroDone());
    hud.setVisible(true);
}

TEST(EventHud, GaugeFramesAreClampedAndTheMarkerShowsAboveNinetyPercent) {
    setPlay(0, 3);
    Layout layout(50);
    CEventHud hud(0);
    ASSERT_TRUE(hud.load());
    ASSERT_TRUE(hud.create(layout.get()));
    EXPECT_FALSE(hud.isIntroDone());
    runIntro(hud);
    struct Row {
        float value;
        int32_t frame;
        bool marker;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Row rows[] = {{0.5f, 49, false}, {0.0f, 0, false},  {0.005f, 0, false},
                        {0.9f, 89, false}, {0.91f, 90, true}, {1.0f, 99, true},
                        {1.5f, 99, true},  {-2.0f, 0, false}, {nan, 0, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.value);
        hud.setGauge(r.value, 0);
        EXPECT_EQ(hud.getGaugeFrame(0), r.frame);
        EXPECT_EQ(hud.isMarkerShown(0), r.marker);
        hud.update(FRAME_MS);
        EXPECT_EQ(hud.getGaugeFrame(0), r.frame) << "the gauge stands still between values";
    }
    hud.resetGauges();
    EXPECT_EQ(hud.getGauge(0), 0.0f);
    EXPECT_FALSE(hud.isMarkerShown(0));
    EXPECT_TRUE(hud.isGaugeEvent());
    EXPECT_FALSE(hud.isDuelEvent());
}

TEST(EventHud, EventKinds) {
    for (uint32_t e = 0; e < 10; ++e) {
        SCOPED_TRACE(e);
        EXPECT_EQ(CEventHud::isGaugeEvent(e), e == 0 || e == 1 || e == 2 || e == 3 || e == 6);
        EXPECT_EQ(CEventHud::isDuelEvent(e), e == 4 || e == 8 || e == 9);
    }
}

TEST(EventHud, TicketSlotsCountFromTheOtherEndInThoseBattleEvents) {
    struct Row {
        int32_t mode;
        uint32_t event;
        int32_t tickets;
        const char* slots; // slots 1..5 drawn
    };
    const Row rows[] = {{0, 0, 3, "11100"}, {1, 0, 3, "00111"}, {1, 1, 3, "11100"},
                        {1, 4, 2, "00011"}, {1, 7, 2, "11000"}, {0, 4, 5, "11111"},
                        {0, 2, 1, "10000"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.mode) + " " + std::to_string(r.event));
        setPlay(r.mode, r.tickets);
        CEventHud hud(r.event);
        std::string drawn;
        for (uint32_t k = 1; k <= 5; ++k) {
            drawn += hud.isSlotDrawn(k) ? '1' : '0';
        }
        EXPECT_EQ(drawn, r.slots);
    }
    setPlay(0, 3);
}

TEST(EventHud, TicketMoveTakesOneTicketMovesTwentyFiveFramesThenWaitsForTheRow) {
    setPlay(1, 3);
    Layout layout(50);
    CEventHud hud(0);
    EXPECT_TRUE(hud.isTicketMoveDone()) << "no move yet";
    ASSERT_TRUE(hud.load());
    ASSERT_TRUE(hud.create(layout.get()));
    runIntro(hud);
    hud.startTicketMove(true);
    EXPECT_FALSE(hud.isTicketMoveDone());
    EXPECT_EQ(CGameWork::getInstance().getTicketsLeft(), 2);
    hud.startTicketMove(true);
    EXPECT_EQ(CGameWork::getInstance().getTicketsLeft(), 2) << "a running move takes no second";
    int32_t frames = 0;
    while (!hud.isTicketMoveDone() && frames < 200) {
        hud.update(FRAME_MS);
        ++frames;
    }
    // 25 frames of movement, the frame that hides the icons, then the row's 20-frame fade.
    EXPECT_GE(frames, 25 + 20);
    EXPECT_LE(frames, 25 + 22);
    hud.startTicketMove(false);
    EXPECT_TRUE(hud.isTicketMoveDone()) << "false starts no move";
    setPlay(0, 3);
}

TEST(EventHud, WithoutLayersNothingWaitsAndTheMoveEndsAfterItsFrames) {
    setPlay(0, 3);
    CDldFile* broken = makeBrokenLayout();
    CEventHud hud(0);
    ASSERT_TRUE(hud.load());
    hud.create(broken);
    hud.update(FRAME_MS);
    EXPECT_TRUE(hud.isIntroDone()) << "no intro to wait for";
    hud.setVisible(true);
    hud.setGauge(0.5f, 0);
    EXPECT_EQ(hud.getGaugeFrame(0), -1);
    hud.startTicketMove(true);
    int32_t frames = 0;
    while (!hud.isTicketMoveDone() && frames < 100) {
        hud.update(FRAME_MS);
        ++frames;
    }
    EXPECT_EQ(frames, 26) << "25 frames of movement and the one that ends it";
    hud.release();
    dldRelease(broken);
}

} // namespace
