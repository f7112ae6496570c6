// The local ranking store over an in-memory disk: defaults, the rank rule, pending entries,
// the mappings, and "ranking.dat" through damage and power cuts.
#include "dorvanex/core/play/RankingStore.h"
#include "dorvanex/core/opdata/CMemoryDataFileOps.h"
#include "dorvanex/core/opdata/DataFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

const std::u16string E = u"e:/SPORTS_OPTION/ranking.dat";
const std::u16string F = u"f:/SPORTS_OPTION/ranking.dat";

constexpr uint32_t SPRINT = 0;
constexpr uint32_t LONG_JUMP = 2;
constexpr uint32_t JAVELIN = 3;
constexpr uint32_t FENCING = 9;

RankingEntry entryOf(const char* const name, const float score, const int32_t character = 3) {
    RankingEntry e{};
    std::strncpy(e.name, name, sizeof e.name - 1);
    e.score = score;
    e.character = character;
    return e;
}

std::vector<RankingEntry> table(const uint32_t event) {
    std::vector<RankingEntry> all(RANKING_TABLE_SIZE);
    // The whole table, read back through the file image.
    std::vector<uint8_t> payload(RANKING_PAYLOAD_SIZE);
    EXPECT_EQ(saveRankingData(), 0);
    EXPECT_EQ(loadDataFile(RANKING_FILE_NAME, payload.data(), RANKING_PAYLOAD_SIZE), 0);
    std::vector<RankingEntry> tables(RANKING_EVENTS * RANKING_TABLE_SIZE);
    decodeRankingTables(payload.data(), tables.data());
    std::copy_n(tables.begin() + event * RANKING_TABLE_SIZE, RANKING_TABLE_SIZE, all.begin());
    return all;
}

std::vector<uint8_t> defaultsPayload() {
    std::vector<uint8_t> payload(RANKING_PAYLOAD_SIZE);
    encodeDefaultRankingTables(payload.data());
    return payload;
}

std::vector<uint8_t> fileOf(const std::vector<uint8_t>& payload, const int year = 126) {
    zqp::CalendarTime stamp{};
    stamp.year = year;
    stamp.month = 11;
    stamp.day = 10;
    return encodeDataFile(stamp, payload.data(), payload.size());
}

class RankingStoreTest : public testing::Test {
protected:
    void SetUp() override {
        setDataFileOps(&m_disk);
        ASSERT_TRUE(createRankingStore(nullptr, nullptr));
    }
    void TearDown() override {
        releaseRankingStore();
        setDataFileOps(nullptr);
    }
    // Starts a new run over what the disk holds now.
    void restartRun() {
        releaseRankingStore();
        createRankingStore(nullptr, nullptr);
    }

    CMemoryDataFileOps m_disk;
};

TEST_F(RankingStoreTest, FreshCabinetSavesTheDefaultsToBothDrives) {
    RankingEntry board[RANKING_BOARD_ROWS] = {};
    ASSERT_TRUE(getLocalRankingTable(0, board, SPRINT));
    EXPECT_FALSE(m_disk.file(E).empty());
    EXPECT_EQ(m_disk.file(E), m_disk.file(F));
    EXPECT_STREQ(board[0].name, "GUEST   ");
    EXPECT_FLOAT_EQ(board[0].score, 10.83f);
    EXPECT_EQ(board[0].character, 0);
    EXPECT_EQ(board[1].character, 1);
    EXPECT_EQ(board[0].played, 0);
    const std::vector<RankingEntry> all = table(SPRINT);
    EXPECT_EQ(all[99].score, static_cast<float>(10.83 + 9.17 * 0.99));
    EXPECT_EQ(all[99].character, 9);
    EXPECT_EQ(loadRankingData(), 0);
}

TEST_F(RankingStoreTest, OnlyTheAllTimeKindIsLocal) {
    RankingEntry board[RANKING_BOARD_ROWS];
    std::memset(board, 0x5A, sizeof board);
    for (const uint32_t kind : {1u, 2u}) {
        EXPECT_FALSE(getLocalRankingTable(kind, board, SPRINT));
        for (const RankingEntry& e : board) {
            EXPECT_EQ(e.character, 0x5A5A5A5A) << "left alone";
        }
    }
    EXPECT_FALSE(getLocalRankingTable(0, board, 10));
}

TEST_F(RankingStoreTest, ResultsTakeTheirPlace) {
    // Default 100 m: place i holds 10.83 + 0.0917 i; long jump 8.20 - 0.042 i.
    const auto sprintAt = [](int i) { return static_cast<float>(10.83 + 9.17 / 100.0 * i); };
    const auto jumpAt = [](int i) { return static_cast<float>(8.20 - 4.20 / 100.0 * i); };
    struct Case {
        int line;
        uint32_t event;
        float score;
        int32_t expected;
    };
    const Case cases[] = {
        {__LINE__, SPRINT, 10.83f, 0},                 // equal to first goes first
        {__LINE__, SPRINT, 9.0f, 0},                   // a new best
        {__LINE__, SPRINT, sprintAt(5), 5},            // a tie goes ahead
        {__LINE__, SPRINT, sprintAt(99) - 0.01f, 99},  // beats only the 100th
        {__LINE__, SPRINT, sprintAt(99) + 0.001f, 99}, // within the margin of the 100th
        {__LINE__, SPRINT, 25.0f, -1},                 // worse than all
        {__LINE__, SPRINT, 0.0f, -1},
        {__LINE__, SPRINT, -3.0f, -1},
        {__LINE__, SPRINT, std::numeric_limits<float>::quiet_NaN(), -1},
        {__LINE__, LONG_JUMP, 0.0f, -1}, // never enters, though every entry is above 0
        {__LINE__, LONG_JUMP, 9.0f, 0},
        {__LINE__, LONG_JUMP, jumpAt(10), 10},
        {__LINE__, LONG_JUMP, 3.0f, -1},
        {__LINE__, 10, 5.0f, -1},
        {__LINE__, FENCING, 30.0f, 0},
        {__LINE__, FENCING, 49.8f, 99},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(findLocalRank(entryOf("X", c.score), c.event), c.expected) << "line " << c.line;
    }
}

TEST_F(RankingStoreTest, ExactTiesAtTheMarginGoBehind) {
    // An entry exactly at score - d stays ahead of the new result. Floats hold score - d
    // exactly only for small scores: find one.
    const double d = 0.009f;
    float score = 0.015f;
    while (static_cast<double>(static_cast<float>(score - d)) != score - d) {
        score = std::nextafter(score, 1.0f);
    }
    const RankingEntry tie = entryOf("T", static_cast<float>(score - d));
    ASSERT_EQ(insertLocalRank(tie, SPRINT), 0);
    EXPECT_EQ(findLocalRank(entryOf("N", score), SPRINT), 1);
    // A hair worse than the tie goes behind it as well; a hair better goes ahead.
    EXPECT_EQ(findLocalRank(entryOf("N", std::nextafter(score, 1.0f)), SPRINT), 1);
    EXPECT_EQ(findLocalRank(entryOf("N", std::nextafter(score, 0.0f)), SPRINT), 0);
}

TEST_F(RankingStoreTest, InsertionShiftsAndDropsTheLast) {
    const std::vector<RankingEntry> before = table(SPRINT);
    RankingEntry e = entryOf("ABCDEFGHIJK", 11.0f, 7);
    ASSERT_EQ(insertLocalRank(e, SPRINT), 2);
    const std::vector<RankingEntry> after = table(SPRINT);
    EXPECT_STREQ(after[2].name, "ABCDEFGH") << "tables keep eight characters";
    EXPECT_EQ(after[2].played, 1);
    EXPECT_EQ(after[2].character, 7);
    EXPECT_EQ(std::memcmp(&after[3], &before[2], sizeof(RankingEntry) * 97), 0);
    EXPECT_EQ(std::memcmp(&after[0], &before[0], sizeof(RankingEntry) * 2), 0);
    // At 99 only the last is replaced; worse than all changes nothing.
    ASSERT_EQ(insertLocalRank(entryOf("Z", 19.80f), SPRINT), 99);
    const std::vector<RankingEntry> last = table(SPRINT);
    EXPECT_STREQ(last[99].name, "Z");
    EXPECT_EQ(std::memcmp(&last[0], &after[0], sizeof(RankingEntry) * 99), 0);
    EXPECT_EQ(insertLocalRank(entryOf("W", 40.0f), SPRINT), -1);
    EXPECT_EQ(std::memcmp(table(SPRINT).data(), last.data(), sizeof(RankingEntry) * 100), 0);
}

TEST_F(RankingStoreTest, PendingEntriesKeepTheirRange) {
    struct Case {
        int line;
        uint32_t event;
        float score;
        float written; // back into the caller's entry
        bool queued;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {__LINE__, JAVELIN, 1000.0f, 999.99f, false}, {__LINE__, JAVELIN, 999.99f, 999.99f, true},
        {__LINE__, SPRINT, 100.0f, 99.99f, false},    {__LINE__, SPRINT, 10.5f, 10.5f, true},
        {__LINE__, SPRINT, -1.0f, 0.0f, false},       {__LINE__, SPRINT, 0.0f, 0.0f, true},
        {__LINE__, 5, 9999.0f, 9999.0f, true},        {__LINE__, 7, 1000.0f, 999.0f, false},
        {__LINE__, LONG_JUMP, nan, 0.0f, false},
    };
    for (const Case& c : cases) {
        clearPendingRankEntries();
        RankingEntry e = entryOf("P", c.score, 4);
        setPendingRankEntry(e, c.event);
        EXPECT_EQ(e.score, c.written) << "line " << c.line;
        const RankingEntry* const p = getPendingRankEntry(c.event);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->character, c.queued ? 4 : -1) << "line " << c.line;
        if (c.queued) {
            EXPECT_EQ(p->played, 1);
            EXPECT_EQ(p->score, c.score);
        }
    }
    clearPendingRankEntries();
    for (uint32_t e = 0; e < RANKING_EVENTS; ++e) {
        EXPECT_EQ(getPendingRankEntry(e)->character, -1);
    }
    EXPECT_EQ(getPendingRankEntry(10), nullptr);
}

TEST_F(RankingStoreTest, MappingsAreTotal) {
    const int32_t gameIds[] = {1, 2, 3, 4, 10, 5, 8, 6, 7, 9};
    const int32_t countries[] = {1, 2, 3, 9, 10, 4, 7, 8, 5, 6};
    for (int32_t i = -2; i <= 12; ++i) {
        const bool inside = i >= 0 && i < 10;
        EXPECT_EQ(eventToGameId(i), inside ? gameIds[i] : 1) << i;
        EXPECT_EQ(characterToCountryCode(i), inside ? countries[i] : 1) << i;
        const int32_t back = countryCodeToCharacter(i);
        if (i >= 1 && i <= 10) {
            EXPECT_EQ(characterToCountryCode(back), i) << i;
        } else {
            EXPECT_EQ(back, -1) << i;
        }
    }
    EXPECT_EQ(countryCodeToCharacter(INT32_MIN), -1);
}

// Copies whose byte sums hold but whose entries cannot be shown.
TEST_F(RankingStoreTest, BadEntriesMakeACopyDamaged) {
    struct Case {
        int line;
        size_t offset; // into the payload
        std::vector<uint8_t> bytes;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    uint8_t nanBytes[4] = {};
    std::memcpy(nanBytes, &nan, 4);
    const float inf = std::numeric_limits<float>::infinity();
    uint8_t infBytes[4] = {};
    std::memcpy(infBytes, &inf, 4);
    const Case cases[] = {
        {__LINE__, 24 * 5, {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I'}}, // no NUL in 9
        {__LINE__, 24 * 7, {'A', 0x07, 0}},                                // not printable
        {__LINE__, 24 * 7, {0xC3, 0xA9, 0}},                               // not ASCII
        {__LINE__, 24 * 300 + 12, {12, 0, 0, 0}},                          // character 12
        {__LINE__, 24 * 300 + 12, {0xFF, 0xFF, 0xFF, 0xFF}},               // character -1
        {__LINE__, 24 * 999 + 16, {nanBytes[0], nanBytes[1], nanBytes[2], nanBytes[3]}},
        {__LINE__, 24 * 999 + 16, {infBytes[0], infBytes[1], infBytes[2], infBytes[3]}},
        {__LINE__, 24 * 10 + 16, {0, 0, 0x80, 0xBF}}, // -1.0
    };
    std::vector<uint8_t> good = defaultsPayload();
    EXPECT_TRUE(isRankingPayloadValid(good.data(), RANKING_PAYLOAD_SIZE));
    // An eight-character name with its NUL in byte 8, and bytes after it, is fine.
    std::memcpy(good.data() + 24 * 3, "ABCDEFGH\0xyz", 12);
    EXPECT_TRUE(isRankingPayloadValid(good.data(), RANKING_PAYLOAD_SIZE));
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = defaultsPayload();
        std::copy(c.bytes.begin(), c.bytes.end(), bad.begin() + static_cast<long>(c.offset));
        EXPECT_FALSE(isRankingPayloadValid(bad.data(), RANKING_PAYLOAD_SIZE)) << c.line;
        // Bad on e:, good (older) on f:: f: is taken.
        m_disk = CMemoryDataFileOps();
        m_disk.putFile(E, fileOf(bad, 126));
        m_disk.putFile(F, fileOf(good, 125));
        restartRun();
        EXPECT_EQ(loadRankingData(), 0) << c.line;
        RankingEntry board[RANKING_BOARD_ROWS] = {};
        getLocalRankingTable(0, board, 0);
        EXPECT_STREQ(board[3].name, "ABCDEFGH") << c.line;
        // Bad on both: damaged.
        m_disk.putFile(F, fileOf(bad, 125));
        restartRun();
        EXPECT_EQ(loadRankingData(), -1) << c.line;
    }
}

TEST_F(RankingStoreTest, DamagedFileGivesDefaultsOnceAndIsReplacedByTheNextSave) {
    std::vector<uint8_t> bad = defaultsPayload();
    bad[24 * 2 + 12] = 11;
    m_disk.putFile(E, fileOf(bad));
    m_disk.putFile(F, fileOf(bad));
    restartRun();
    // The first table operation reads the file: the defaults stand in memory.
    EXPECT_EQ(insertLocalRank(entryOf("NEW", 10.0f), SPRINT), 0);
    EXPECT_EQ(m_disk.file(E), fileOf(bad)) << "nothing written yet";
    // Later operations keep the insertion: the damaged file is not read again over it.
    EXPECT_EQ(insertLocalRank(entryOf("TWO", 10.5f), SPRINT), 1);
    RankingEntry board[RANKING_BOARD_ROWS] = {};
    getLocalRankingTable(0, board, SPRINT);
    EXPECT_STREQ(board[0].name, "NEW");
    EXPECT_STREQ(board[2].name, "GUEST   ");
    ASSERT_EQ(saveRankingData(), 0);
    restartRun();
    EXPECT_EQ(loadRankingData(), 0) << "the save replaced both damaged copies";
    getLocalRankingTable(0, board, SPRINT);
    EXPECT_STREQ(board[1].name, "TWO");
}

TEST_F(RankingStoreTest, FirstOperationKeepsAGoodFile) {
    std::vector<RankingEntry> tables(RANKING_EVENTS * RANKING_TABLE_SIZE);
    for (uint32_t e = 0; e < RANKING_EVENTS; ++e) {
        resetRankingTable(&tables[e * RANKING_TABLE_SIZE], e);
    }
    for (uint32_t i = 0; i < RANKING_TABLE_SIZE; ++i) {
        std::snprintf(tables[i].name, 9, "P%02u", i);
        tables[i].played = 1;
    }
    std::vector<uint8_t> payload(RANKING_PAYLOAD_SIZE);
    encodeRankingTables(tables.data(), payload.data());
    m_disk.putFile(E, fileOf(payload));
    m_disk.putFile(F, fileOf(payload));
    restartRun();
    // Insert and save before anything else read the file.
    ASSERT_EQ(insertLocalRank(entryOf("NEW", 11.0f), SPRINT), 2);
    ASSERT_EQ(saveRankingData(), 0);
    const std::vector<RankingEntry> after = table(SPRINT);
    for (uint32_t i = 0; i < RANKING_TABLE_SIZE; ++i) {
        const uint32_t from = i < 2 ? i : i - 1;
        if (i != 2) {
            EXPECT_EQ(std::memcmp(&after[i], &tables[from], sizeof(RankingEntry)), 0) << i;
        }
    }
}

TEST_F(RankingStoreTest, SaveCutAtEveryStepLeavesOldOrNewTables) {
    for (const auto loss : {CMemoryDataFileOps::Loss::Dropped, CMemoryDataFileOps::Loss::Torn}) {
        for (int steps = 0;; ++steps) {
            m_disk = CMemoryDataFileOps();
            restartRun();
            ASSERT_EQ(resetRankingData(), 0);
            const std::vector<uint8_t> oldFile = m_disk.file(E);
            insertLocalRank(entryOf("NEW", 9.5f), SPRINT);
            m_disk.cutPowerAfter(steps);
            const int32_t result = saveRankingData();
            if (!m_disk.powerLost()) {
                EXPECT_EQ(result, 0);
                break;
            }
            m_disk.restart(loss);
            restartRun();
            ASSERT_EQ(loadRankingData(), 0) << "step " << steps;
            RankingEntry board[RANKING_BOARD_ROWS] = {};
            getLocalRankingTable(0, board, SPRINT);
            const bool isNew = std::strcmp(board[0].name, "NEW") == 0;
            EXPECT_STREQ(board[isNew ? 1 : 0].name, "GUEST   ") << steps;
            EXPECT_FLOAT_EQ(board[isNew ? 1 : 0].score, 10.83f) << steps;
            EXPECT_EQ(board[1].character, isNew ? 0 : 1) << "whole tables, step " << steps;
        }
    }
}

TEST_F(RankingStoreTest, WithoutAClientTheForwardersAnswerOffline) {
    EXPECT_FALSE(isRankingServerOnline());
    EXPECT_TRUE(isConnectionCheckDone());
    EXPECT_FALSE(setRankingTimeout(1000));
    EXPECT_EQ(getRankingTimeout(), 1000u);
    int32_t ranks[RANKING_UPLOAD_RANKS] = {};
    startScoreUpload(ranks);
    for (const int32_t r : ranks) {
        EXPECT_EQ(r, -1);
    }
    RankingEntry board[RANKING_BOARD_ROWS] = {};
    EXPECT_TRUE(getNetRankingTable(0, board, SPRINT));
    EXPECT_STREQ(board[9].name, "GUEST   ");
    EXPECT_EQ(board[9].character, 10);
}

} // namespace
