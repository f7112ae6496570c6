// The play state: which result an event keeps, the difficulty steps, battle storage, the
// total-result list, the best values shown against the ranking, the name and the tickets.
#include "dorvanex/core/opdata/CGameSettings.h"
#include "dorvanex/core/opdata/CMemoryDataFileOps.h"
#include "dorvanex/core/opdata/DataFile.h"
#include "dorvanex/core/play/CGameWork.h"
#include "dorvanex/core/play/RankingStore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

constexpr uint32_t SPRINT = eventNumber(EventId::SPRINT_100M);
constexpr uint32_t HURDLES = eventNumber(EventId::HURDLES_110M);
constexpr uint32_t LONG_JUMP = eventNumber(EventId::LONG_JUMP);
constexpr uint32_t BOXING = eventNumber(EventId::BOXING);

class GameWorkTest : public testing::Test {
protected:
    void SetUp() override {
        setDataFileOps(&m_disk);
        createRankingStore(nullptr, nullptr);
        m_work.resetSession();
    }
    void TearDown() override {
        releaseRankingStore();
        setDataFileOps(nullptr);
    }
    // A fresh store on an empty disk: every table holds its defaults.
    void freshStore() {
        releaseRankingStore();
        m_disk = CMemoryDataFileOps();
        createRankingStore(nullptr, nullptr);
    }

    const CGameWork::EventRecord& record(const uint32_t event) const {
        return *m_work.getEventRecord(event);
    }
    // A single-mode result of player 1: key is the place, played and grade the win flag.
    void single(const uint32_t event, const float value, const int32_t key) {
        const uint8_t win = key == 0 ? 1 : 0;
        m_work.storeEventResult(event, 0, win, value, win, key, 0);
    }

    CMemoryDataFileOps m_disk;
    CGameWork m_work;
};

TEST_F(GameWorkTest, SingleModeKeepsTheBestPlaceThenTheBestValue) {
    // 100 m: a later equal time changes only the played byte.
    single(SPRINT, 11.20f, 0);
    single(SPRINT, 10.95f, 0);
    EXPECT_FLOAT_EQ(record(SPRINT).value[0], 10.95f);
    m_work.storeEventResult(SPRINT, 0, 1, 10.95f, 0, 0, 9);
    EXPECT_FLOAT_EQ(record(SPRINT).value[0], 10.95f);
    EXPECT_EQ(record(SPRINT).extra, 0) << "the older result stays";
    EXPECT_EQ(record(SPRINT).played, 0);
    // Long jump: an equal distance keeps the first (its extra byte shows which).
    m_work.storeEventResult(LONG_JUMP, 0, 1, 7.10f, 1, 0, 1);
    m_work.storeEventResult(LONG_JUMP, 0, 1, 7.10f, 1, 0, 2);
    EXPECT_EQ(record(LONG_JUMP).extra, 1);
    // Boxing: a lost bout never replaces a won one, however fast.
    single(BOXING, 40.0f, 0);
    single(BOXING, 5.0f, 1);
    EXPECT_FLOAT_EQ(record(BOXING).value[0], 40.0f);
    EXPECT_EQ(record(BOXING).key, 0);
    // A player-2 argument in single mode is stored under player 1.
    m_work.storeEventResult(HURDLES, 1, 1, 15.0f, 0, 2, 0);
    EXPECT_FLOAT_EQ(record(HURDLES).value[0], 15.0f);
    EXPECT_FLOAT_EQ(record(HURDLES).value[1], 10000.0f);
    EXPECT_FLOAT_EQ(m_work.getLastValue(1), 15.0f);
}

TEST_F(GameWorkTest, DifficultyGrowsEveryThreeWinsInSingleModeOnly) {
    EXPECT_EQ(m_work.getDifficulty(), 2);
    const int expected[] = {2, 2, 3, 3, 3, 4, 4, 4, 4, 4, 4, 4};
    for (uint32_t i = 0; i < 12; ++i) {
        single(i % 10, 10.0f, 0);
        EXPECT_EQ(m_work.getDifficulty(), expected[i]) << "win " << i + 1;
    }
    m_work.resetSession();
    m_work.setMode(1);
    for (uint32_t i = 0; i < 9; ++i) {
        m_work.storeEventResult(i, 0, 1, 10.0f, 1, -1, 0);
    }
    EXPECT_EQ(m_work.getDifficulty(), 2) << "battle mode";
}

TEST_F(GameWorkTest, BattleModeStoresEachPlayersResultAlways) {
    m_work.setMode(1);
    m_work.storeEventResult(SPRINT, 0, 1, 10.5f, 0, -1, 0);
    m_work.storeEventResult(SPRINT, 1, 2, 10.0f, 0, -1, 0);
    m_work.storeEventResult(SPRINT, 1, 3, 12.0f, 0, -1, 0);
    EXPECT_FLOAT_EQ(record(SPRINT).value[0], 10.5f);
    EXPECT_FLOAT_EQ(record(SPRINT).value[1], 12.0f) << "worse, but stored";
    EXPECT_EQ(record(SPRINT).grade[1], 3);
    EXPECT_EQ(m_work.getLastGrade(1), 3);
}

TEST_F(GameWorkTest, DemoPlayRecordsNothing) {
    m_work.setDemo(true);
    single(SPRINT, 9.0f, 0);
    m_work.setEventFlag(SPRINT, 0, 1);
    EXPECT_EQ(record(SPRINT).hasResult, 0);
    EXPECT_EQ(record(SPRINT).flag[0], 0);
    EXPECT_FLOAT_EQ(m_work.getLastValue(0), 0.0f);
    m_work.consumeTicket();
    m_work.consumeTicket();
    m_work.consumeTicket();
    EXPECT_FALSE(m_work.hasNoTicketLeft()) << "a demo never runs out";
    m_work.setDemo(false);
    EXPECT_TRUE(m_work.hasNoTicketLeft());
    m_work.consumeTicket();
    EXPECT_EQ(m_work.getTicketsLeft(), 0);
}

TEST_F(GameWorkTest, TotalResultListPutsResultsFirst) {
    m_work.storeEventResult(LONG_JUMP, 0, 1, 8.20f, 1, 0, 0);
    single(BOXING, 25.0f, 1);
    CTotalResultEntry list[10];
    buildTotalResultList(list, m_work);
    const struct {
        uint32_t event;
        float value;
        uint8_t hasResult;
    } expected[10] = {{2, 8.20f, 1}, {4, 0.0f, 1}, {0, 10000.0f, 0}, {1, 10000.0f, 0},
                      {3, 0.0f, 0},  {5, 0.0f, 0}, {6, 0.0f, 0},     {7, 0.0f, 0},
                      {8, 0.0f, 0},  {9, 0.0f, 0}};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(list[i].event, expected[i].event) << i;
        EXPECT_FLOAT_EQ(list[i].value, expected[i].value) << i;
        EXPECT_EQ(list[i].hasResult, expected[i].hasResult) << i;
    }
    EXPECT_EQ(list[1].key, 1);
    EXPECT_EQ(list[2].key, -1);
}

TEST_F(GameWorkTest, BestValueComparesTheTopEntryWithTheReference) {
    struct Case {
        int line;
        uint32_t event;
        float top; // 0: the defaults only
        float expected;
    };
    const Case cases[] = {
        {__LINE__, LONG_JUMP, 0.0f, 8.20f},  {__LINE__, LONG_JUMP, 8.50f, 8.50f},
        {__LINE__, LONG_JUMP, 7.00f, 8.20f}, {__LINE__, SPRINT, 0.0f, 10.83f},
        {__LINE__, SPRINT, 10.50f, 10.50f},  {__LINE__, SPRINT, 11.00f, 10.83f},
        {__LINE__, 10, 5.0f, 0.0f},
    };
    for (const Case& c : cases) {
        freshStore();
        if (c.top != 0.0f) {
            RankingEntry entry{};
            entry.score = c.top;
            insertLocalRank(entry, c.event);
        }
        EXPECT_FLOAT_EQ(m_work.getEventBestValue(c.event), c.expected) << "line " << c.line;
    }
}

TEST_F(GameWorkTest, LocalRankingEntersWinsAndDropsLostBouts) {
    m_work.setPlayerName("ABC");
    single(SPRINT, 10.2f, 0);
    single(BOXING, 25.0f, 1);
    m_work.registerLocalRanking();
    EXPECT_EQ(record(SPRINT).key, 0);
    EXPECT_EQ(record(BOXING).key, -1);
    EXPECT_FLOAT_EQ(record(BOXING).value[0], 25.0f) << "the rest of the record stays";
    RankingEntry board[RANKING_BOARD_ROWS] = {};
    ASSERT_TRUE(getLocalRankingTable(0, board, SPRINT));
    EXPECT_STREQ(board[0].name, "ABC");
    EXPECT_FLOAT_EQ(board[0].score, 10.2f);
    ASSERT_TRUE(getLocalRankingTable(0, board, BOXING));
    EXPECT_FLOAT_EQ(board[0].score, 30.0f) << "the default first place stays";
    EXPECT_EQ(board[0].played, 0);
}

TEST_F(GameWorkTest, NameOfSixBytesIsKeptWhole) {
    // Exactly six bytes, no terminator after them.
    const char six[6] = {'A', 'B', 'C', 'D', 'E', 'F'};
    m_work.setPlayerName(six);
    EXPECT_EQ(std::string(m_work.getName(), 6), "ABCDEF");
    m_work.setPlayerName("LONGERNAME");
    EXPECT_EQ(std::string(m_work.getName(), 6), "LONGER");
    m_work.setPlayerName("AB");
    EXPECT_EQ(std::memcmp(m_work.getName(), "AB\0\0\0\0", 6), 0);
}

TEST_F(GameWorkTest, TicketsPerCreditAreKeptInRange) {
    const int32_t cases[][2] = {{0, 1}, {3, 3}, {5, 5}, {9, 5}, {-2, 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(m_work.setTicketsPerCredit(c[0]), c[1]);
        m_work.resetTickets();
        EXPECT_EQ(m_work.getTicketsLeft(), c[1]) << "stored clamped: " << c[0];
    }
}

TEST_F(GameWorkTest, NewPlayTakesTheOperatorsDifficulty) {
    ASSERT_EQ(CGameSettings::create(), 0);
    CGameSettings::getInstance()->setValue(10, 4);
    m_work.resetSession();
    EXPECT_EQ(m_work.getDifficulty(), 4);
    CGameSettings::getInstance()->setValue(10, 1);
    m_work.resetForContinue();
    EXPECT_EQ(m_work.getDifficulty(), 1);
    EXPECT_FALSE(m_work.isRankingUploadEnabled());
    CGameSettings::release();
}

TEST_F(GameWorkTest, RankingCursorWalksPagesThenBoards) {
    m_work.resetRankingCursor();
    EXPECT_EQ(m_work.advanceRankingCursor(), 0);
    EXPECT_EQ(m_work.getRankingBoard(), 0);
    for (int i = 0; i < 5; ++i) {
        m_work.advanceRankingCursor();
    }
    EXPECT_EQ(m_work.getRankingPage(), 0);
    EXPECT_EQ(m_work.getRankingBoard(), 1);
}

} // namespace
