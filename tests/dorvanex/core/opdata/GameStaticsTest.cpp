#include "tests/dorvanex/core/opdata/OpDataSupport.h"

#include "dorvanex/core/app/CGameStatics.h"
#include "dorvanex/core/opdata/COperationLog.h"
#include "dorvanex/core/opdata/SecurityTable.h"
#include "dorvanex/core/play/CLimitTimer.h"
#include "dorvanex/events/arena/common/ArenaConstants.h"

#include <fstream>
#include <iterator>

namespace {

std::vector<std::string> g_events;
void record(const char* const name, const bool made) {
    g_events.push_back(std::string(made ? "+" : "-") + name);
}

} // namespace

class GameStatics : public OpDataTest {};

TEST_F(GameStatics, AreMadeInOrderAndDestroyedInReverseWithTheLogLast) {
    g_events.clear();
    setStaticTrace(&record);
    {
        const CGameStatics statics;
        EXPECT_EQ(CGameStatics::get(), &statics);
        ASSERT_NE(getOperationLog(), nullptr);
        EXPECT_NE(getLimitTimer(), nullptr);
        // Today's log files exist with their opening rows before anything else runs.
        const std::string text = textOf(u"f:/SPORTS_OPTION/log/2026/12/10.csv");
        EXPECT_NE(text.find("1,2026-12-10,12:00:00:000,Log Start\r\n"), std::string::npos);
    }
    setStaticTrace(nullptr);
    EXPECT_EQ(CGameStatics::get(), nullptr);
    EXPECT_EQ(getOperationLog(), nullptr);
    EXPECT_EQ(getLimitTimer(), nullptr);
    const std::vector<std::string> expected = {
        "+operation log", "+background display", "+ranking security table", "+sound request slots",
        "+time-limit counter", "+play state", "+offline notice", "+empty model entry",
        "+render-object pool", "+render-sprite pool", "+render queue", "+all-factory-settings rows",
        "+all-factory-settings page",
        // Exit: reverse order; plain data has no exit work.
        "-all-factory-settings page", "-render queue", "-render-sprite pool", "-render-object pool",
        "-empty model entry", "-offline notice", "-play state", "-time-limit counter",
        "-background display", "-operation log"};
    EXPECT_EQ(g_events, expected);
    const std::string text = textOf(u"e:/SPORTS_OPTION/log/2026/12/10.csv");
    const std::string end = "2,2026-12-10,12:00:00:000,Log End\r\n\r\n";
    ASSERT_GE(text.size(), end.size());
    EXPECT_EQ(text.substr(text.size() - end.size()), end);
}

TEST(StaticConstants, DerivedConstantsFollowTheirSources) {
    EXPECT_EQ(FENCING_LINE_ENDS[0].x, -500.0f);
    EXPECT_EQ(FENCING_LINE_ENDS[0].y, 20.0f);
    EXPECT_EQ(FENCING_LINE_ENDS[1].x, 500.0f);
    EXPECT_EQ(FENCING_LINE_ENDS[1].z, -1100.0f);
    for (const FencingStep& row : FENCING_STEP_TABLE) {
        EXPECT_EQ(row.kind11, 55.0f);
        EXPECT_EQ(row.kind12, 55.0f);
        EXPECT_EQ(row.kind8, 55.0f);
    }
    EXPECT_EQ(CLAY_TIME_TABLE.entries[0], 0);
    EXPECT_EQ(CLAY_TIME_TABLE.entries[1], 2000);
    EXPECT_EQ(CLAY_TIME_TABLE.entries[24], 18000);
    EXPECT_FLOAT_EQ(SHOOT_CAMERA_TARGET.y, 172.5f);
    EXPECT_FLOAT_EQ(SHOOT_CAMERA_TARGET_LOW.x, -3310.0f);
    EXPECT_FLOAT_EQ(SHOOT_CAMERA_TARGET_LOW.y, 130.5f);
    EXPECT_FLOAT_EQ(LIFTING_GAUGE_THRESHOLD, 0.8869801f);
    EXPECT_FLOAT_EQ(RANKING_UPDATE_LIMIT, 191.66667f);
}

TEST(StaticConstants, SecurityTableCarriesTheDevelopmentClientKey) {
    EXPECT_EQ(RANKING_SECURITY_TABLE[0].flags, 4096u);
    EXPECT_EQ(RANKING_SECURITY_TABLE[1].flags, 0u);
    const char* const source = std::getenv("ZQ_TEST_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    std::ifstream in(std::string(source) + "/tests/data/dorvanex/devcert/dev_client_pubkey.der",
                     std::ios::binary);
    const std::vector<uint8_t> der((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(der.size(), CLIENT_KEY_SIZE);
    for (const SecurityRow& row : RANKING_SECURITY_TABLE) {
        EXPECT_TRUE(std::equal(der.begin(), der.end(), row.clientKey));
    }
}
