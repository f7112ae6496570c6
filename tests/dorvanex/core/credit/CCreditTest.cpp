// Credits against the simulated I/O board, driven by its keyboard keys (5 a coin in slot 1,
// 9 SERVICE through the board's switch): coins to credits by the coin table, the prices and
// states the screens ask for, the blockers and counter read back from the board, the coin
// sound request and the booking of coins.
#include "dorvanex/core/cabinet/CCredit.h"

#include "dorvanex/core/flow/CSequence.h"
#include "dorvanex/core/flow/CSequenceManager.h"
#include "dorvanex/core/input/CInputManager.h"
#include "dorvanex/core/opdata/CBookkeepings.h"
#include "dorvanex/core/opdata/CGameSettings.h"
#include "dorvanex/core/render/GameRender.h"
#include "dorvanex/core/sound/CSoundManager.h"
#include "dorvanex/scene/CResourceManager.h"
#include "tests/support/FileTestSupport.h"
#include "tests/support/GameRun.h"
#include "tests/support/GoldenImage.h"
#include "tools/dataset/DataSetBuilder.h"
#include "tools/sound/ZqSdWriter.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/input/ZqInput.h"
#include "zq/io/ZqMarlox4.h"
#include "zq/platform/audio/audio.h"
#include "zq/platform/hid/hid_test.h"
#include "zq/sd/ZqSdSound.h"
#include "zq/task/ZqTask.h"
#include "zq/thread/ZqThread.h"
#include "zq/u/vinput/ZquVirtualInput.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

namespace {

namespace sim = zqp::hid::test;

constexpr uint8_t KEY_COIN = 0x06;    // 5
constexpr uint8_t KEY_SERVICE = 0x0A; // 9
constexpr char16_t COIN_SOUND[] = u"SPCommonAddCoin.adpcm.sound";

bool processed(const uint64_t id) {
    return id != 0 && ZqMarlox4::getProcessedCommandId() >= id;
}

// A chapter that only holds its number (the operator menu's, for the booking rule).
class Held : public CSequence {
public:
    bool create() override { return true; }
    bool load() override { return true; }
    bool start() override { return true; }
    bool update(float) override { return false; }
    void render(float) override {}
};

std::unique_ptr<CSequence> heldFactory(int32_t) {
    return std::make_unique<Held>();
}

std::string texts() {
    return std::string(CCredit::getCreditText()) + " " + CCredit::getCoinText();
}

int32_t sumOf(const int32_t* values, const int n) {
    int32_t sum = 0;
    for (int i = 0; i < n; ++i) {
        sum += values[i] > 0 ? values[i] : 0;
    }
    return sum;
}

class Credit : public ::testing::Test {
protected:
    void SetUp() override {
        using S = zqtest::GameServices;
        m_services = std::make_unique<S>(S::TASKS | S::INPUT | S::BOARD_MANUAL_CLOCK | S::BOARD |
                                         S::SOUND | S::PLAYERS | S::OPDATA | S::CHAPTERS);
        ZqMarlox4::setCoinCounterEnable(true, true);
        ASSERT_TRUE(waitFor([] { return sim::seen().nrOpens == 1; }));
        ASSERT_TRUE(waitFor([id = ZqMarlox4::setOutputStart(0)] { return processed(id); }));
        CSequenceManager::getInstance()->setFactory(&heldFactory);
        // The coin sound, listed as looping: the credit task asks for it once all the same.
        std::vector<uint8_t> file;
        std::string error;
        ASSERT_TRUE(zqsdw::writeSound(zqsdw::makeTone(440.0, 0.05, 8000, 1), zqsdw::Options{}, file,
                                      error));
        ASSERT_EQ(
            ZqSdSound::loadSe(COIN_SOUND, file.data(), static_cast<uint32_t>(file.size()), 0, 1),
            1u);
        m_list[COIN_SOUND] = {{3, 1, 0, 100}};
        CSoundManager::setSoundList(&m_list);
        CSoundManager::resetSeSlots();
        CCredit::deleteInstance();
        CCredit::setCoinSettings(1, 1, 1, 4, 0, 0);
        CCredit::setCoinAccept(true);
        ASSERT_TRUE(settle());
    }
    void TearDown() override { m_services.reset(); }

    // One game frame: the board's and input's frame work, then the credit update.
    static void frame() {
        ZqMarlox4::sysMain();
        ZqInput::sysMain();
        ZquVirtualInput::sysMain();
        CCredit::getInstance()->update();
    }
    // Runs frames until the condition holds (the board thread cycles every millisecond).
    static bool waitFor(const std::function<bool()>& condition, const uint32_t limit = 5000) {
        for (uint32_t i = 0; i < limit; ++i) {
            ZqMarlox4::sysMain();
            if (condition()) {
                return true;
            }
            ZqThread::sleep(1);
        }
        return condition();
    }
    // Every command sent to the board has been carried out.
    static bool settle() {
        return waitFor([id = ZqMarlox4::setOutputStart(0)] { return processed(id); });
    }
    // The coin key pressed and released; frames run until the credit task took the coin.
    static bool insertCoin() {
        sim::key(KEY_COIN, true);
        sim::key(KEY_COIN, false);
        return runUntil([] { return CCredit::getCoinsInserted() > 0; });
    }
    static bool pressService() {
        sim::key(KEY_SERVICE, true);
        const bool seen = runUntil([] { return CCredit::getCoinsInserted() > 0; });
        sim::key(KEY_SERVICE, false);
        runUntil([] { return !CInputManager::getInstance()->getButton(0, 4); });
        return seen;
    }
    static bool runUntil(const std::function<bool()>& condition) {
        for (int i = 0; i < 5000; ++i) {
            frame();
            if (condition()) {
                return true;
            }
            ZqThread::sleep(1);
        }
        return false;
    }
    std::unique_ptr<zqtest::GameServices> m_services;
    CResourceManager::SoundList m_list;
};

TEST_F(Credit, CoinsBecomeCreditsByTheTableRow) {
    // Row 8: two coins a credit.
    CCredit::setCoinSettings(8, 1, 1, 4, 0, 0);
    frame();
    EXPECT_EQ(texts(), "0 0'2");
    ASSERT_TRUE(insertCoin());
    EXPECT_EQ(texts(), "0 1'2");
    EXPECT_EQ(CCredit::getCreditState(0), CCredit::CREDIT_PART);
    EXPECT_EQ(CCredit::getContinueState(0), CCredit::CREDIT_NONE) << "pending coins do not count";
    EXPECT_EQ(CCredit::getCoinsNeeded(0), 1);
    ASSERT_TRUE(insertCoin());
    EXPECT_EQ(texts(), "1 0'2");
    EXPECT_EQ(CCredit::getCreditState(0), CCredit::CREDIT_ENOUGH);
    EXPECT_EQ(CCredit::getCreditState(1), CCredit::CREDIT_PART);
    EXPECT_EQ(CCredit::getCoinsNeeded(1), 2);
    EXPECT_EQ(sim::seen().coinCounters[0], 2);

    // Row 2: a coin gives two credits, which a battle play uses up.
    CCredit::resetCoins();
    CCredit::setCoinSettings(2, 1, 1, 4, 0, 0);
    ASSERT_TRUE(insertCoin());
    EXPECT_EQ(CCredit::getCredits(), 2);
    EXPECT_EQ(CCredit::getCreditState(1), CCredit::CREDIT_ENOUGH);
    CCredit::consumePlay(1);
    EXPECT_EQ(CCredit::getCredits(), 0);
    frame();
    EXPECT_EQ(texts(), "0 0'1");
}

TEST_F(Credit, ServiceAddsOneCoinThatIsNeverBooked) {
    CGameSettings::getInstance()->setValue(CCredit::BOOKKEEPING_SETTING, 1);
    CCredit::setCoinSettings(8, 1, 1, 4, 0, 0);
    ASSERT_TRUE(pressService());
    EXPECT_EQ(CCredit::getPendingCoins(), 1) << "a coin, not a credit";
    EXPECT_EQ(CCredit::getCredits(), 0);
    const CSoundManager::Slot& sound = CSoundManager::getSlot(1);
    EXPECT_EQ(std::u16string(sound.name), COIN_SOUND);
    EXPECT_EQ(sound.state, CSoundManager::STATE_REQUESTED);
    EXPECT_EQ(sound.playCount, 1u) << "once, whatever the list says";
    ASSERT_TRUE(insertCoin());
    EXPECT_EQ(CCredit::getCredits(), 1);
    int32_t days[7] = {};
    int32_t hours[24] = {};
    bookkeepingGetCoinDataOfEachDay(days);
    bookkeepingGetCoinDataOfEachHour(hours);
    EXPECT_EQ(sumOf(days, 7), 1) << "only the slot coin";
    EXPECT_EQ(sumOf(hours, 24), 1);
}

TEST_F(Credit, CoinsAreBookedWhenSwitchedOnAndNotInTheOperatorMenu) {
    CSequenceManager* const chapters = CSequenceManager::getInstance();
    struct Case {
        int32_t setting;
        int32_t chapter;
        int32_t booked;
    };
    const Case cases[] = {{0, 3, 0}, {1, 3, 1}, {1, chapterNumber(ChapterId::OPERATOR_MENU), 0}};
    int32_t total = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chapter);
        CGameSettings::getInstance()->setValue(CCredit::BOOKKEEPING_SETTING, c.setting);
        ASSERT_TRUE(chapters->changeSequence(c.chapter));
        ASSERT_TRUE(insertCoin());
        total += c.booked;
        int32_t days[7] = {};
        int32_t hours[24] = {};
        bookkeepingGetCoinDataOfEachDay(days);
        bookkeepingGetCoinDataOfEachHour(hours);
        EXPECT_EQ(sumOf(days, 7), total);
        EXPECT_EQ(sumOf(hours, 24), total);
    }
    EXPECT_EQ(CCredit::getCredits(), 3) << "every coin became a credit";
}

TEST_F(Credit, CoinsNeededFreePlayAndTheShownCap) {
    // Row 11 (3 coins a credit), price 2, one credit and one coin pending: 2 more coins.
    CCredit::setCoinSettings(11, 2, 1, 4, 0, 0);
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(insertCoin());
    }
    EXPECT_EQ(CCredit::getCredits(), 1);
    EXPECT_EQ(CCredit::getPendingCoins(), 1);
    EXPECT_EQ(CCredit::getCoinsNeeded(0), 2);
    EXPECT_EQ(CCredit::getCoinsNeeded(1), 8) << "battle: 3 credits missing, 9 coins less 1";

    // Credits above 99 show as 99 (the pending coin converts with the next one: 2 x 7 first).
    CCredit::setCoinSettings(7, 1, 1, 4, 0, 0);
    for (int i = 0; i < 15; ++i) {
        ASSERT_TRUE(insertCoin());
    }
    EXPECT_EQ(CCredit::getCredits(), 113);
    EXPECT_EQ(texts(), "99 0'1");

    // Free play: always enough, nothing taken, no block size shown.
    CCredit::resetCoins();
    CCredit::setCoinSettings(1, 1, 1, 4, 0, 1);
    frame();
    EXPECT_EQ(CCredit::getCreditState(1), CCredit::CREDIT_ENOUGH);
    EXPECT_EQ(CCredit::getContinueState(1), CCredit::CREDIT_ENOUGH);
    EXPECT_EQ(CCredit::getCoinsNeeded(1), 0);
    CCredit::consumePlay(1);
    CCredit::consumeContinue(0);
    EXPECT_EQ(CCredit::getCredits(), 0);
    EXPECT_TRUE(CCredit::isFreePlay());
    EXPECT_EQ(texts(), "0 0'0");
}

TEST_F(Credit, CoinAcceptSetsTheBoardsBlockersAndCounter) {
    // Accepting: blockers open; a coin is counted.
    EXPECT_EQ(sim::seen().coinControl[0] & 0x30, 0);
    // Not accepting: both blockers closed, the coin comes back out.
    CCredit::setCoinAccept(false);
    ASSERT_TRUE(settle());
    EXPECT_EQ(sim::seen().coinControl[0] & 0x30, 0x30);
    sim::key(KEY_COIN, true);
    sim::key(KEY_COIN, false);
    EXPECT_EQ(sim::seen().nrCoinsReturned, 1u);
    // Free play accepts with the blockers closed.
    CCredit::setCoinSettings(1, 1, 1, 4, 0, 1);
    CCredit::setCoinAccept(true);
    ASSERT_TRUE(settle());
    EXPECT_EQ(sim::seen().coinControl[0] & 0x30, 0x30);
    // Open again: a coin dropped while accept is off stays on the board until accept is on.
    CCredit::setCoinSettings(1, 1, 1, 4, 0, 0);
    CCredit::setCoinAccept(true);
    ASSERT_TRUE(settle());
    EXPECT_EQ(sim::seen().coinControl[0] & 0x30, 0);
    CCredit::setCoinAccept(false);
    ZqMarlox4::setCoinCounterEnable(true, true);
    ZqMarlox4::setCoinBlockersStart(false, false);
    ASSERT_TRUE(settle());
    sim::addCoins(0, 1);
    ASSERT_TRUE(waitFor([] { return ZqMarlox4::getCoinStock(0) == 1; }));
    frame();
    EXPECT_EQ(CCredit::getCredits(), 0);
    CCredit::setCoinAccept(true);
    frame();
    EXPECT_EQ(CCredit::getCredits(), 1);
    // With the counter disabled the board's coins are discarded, not stocked.
    CCredit::setCoinAccept(false);
    ZqMarlox4::setCoinBlockersStart(false, false);
    ASSERT_TRUE(settle());
    const uint16_t counted = sim::seen().coinCounters[0];
    sim::addCoins(0, 1);
    ASSERT_TRUE(waitFor([counted] { return sim::seen().coinCounters[0] == counted + 1; }));
    ASSERT_TRUE(settle());
    EXPECT_EQ(ZqMarlox4::getCoinStock(0), 0);
}

TEST_F(Credit, RowsOutsideTheTableKeepThePreviousRow) {
    for (const uint8_t row : {0, 33, 255}) {
        SCOPED_TRACE(row);
        CCredit::setCoinSettings(8, 1, 1, 4, 0, 0);
        CCredit::setCoinSettings(row, 2, 3, 5, 6, 0);
        uint8_t v[6] = {};
        CCredit::getCoinSettings(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5]);
        EXPECT_EQ(v[0], 8);
        EXPECT_EQ(v[1], 2) << "the other values are stored";
        EXPECT_EQ(v[5], 0);
    }
    EXPECT_EQ(CCredit::getCoinTableEntry(8).coins, 2);
    EXPECT_EQ(CCredit::getCoinTableEntry(32).coins, 16);
    EXPECT_EQ(CCredit::getCoinTableEntry(20).credits, 5);
}

} // namespace

namespace {

// The bottom strip of the screen that holds the credit line.
zqtest::Image lineStrip(const zqtest::Image& screen) {
    constexpr uint32_t X = 180, Y = 736, W = 720, H = 32;
    zqtest::Image out(W, H);
    for (uint32_t y = 0; y < H && Y + y < screen.height; ++y) {
        for (uint32_t x = 0; x < W && X + x < screen.width; ++x) {
            out.at(x, y) = screen.at(X + x, Y + y);
        }
    }
    return out;
}

} // namespace

// The line over the data set's credit texture, on real GL: label, captions and the two texts,
// or in free play the free-play sign alone.
TEST(CreditLine, DrawsOverTheGeneratedTexture) {
    std::vector<zqds::LooseFile> files;
    std::string error;
    ASSERT_TRUE(zqds::buildLooseFiles(files, error)) << error;
    const std::filesystem::path cwd = std::filesystem::current_path();
    {
        ScratchFolder scratch;
        for (const zqds::LooseFile& f : files) {
            if (f.path == "TestMenu/spuicom_credit.png") {
                std::filesystem::create_directories(scratch.root() / "TestMenu");
                std::ofstream(scratch.root() / f.path, std::ios::binary)
                    .write(reinterpret_cast<const char*>(f.data.data()),
                           static_cast<std::streamsize>(f.data.size()));
            }
        }
        struct Case {
            uint8_t freePlay;
            const char* golden;
        };
        // Both pictures in one run of the framework.
        EXPECT_TRUE(zqtest::GameRun::inFrame(
            [&] {
                ASSERT_TRUE(createGameVertexDeclarations());
                CCredit* const credit = CCredit::getInstance();
                ASSERT_TRUE(credit->createDisplay());
                CCredit::setDisplay(true);
                for (const Case c : {Case{0, "dorvanex/credit_line.png"},
                                     Case{1, "dorvanex/credit_line_free_play.png"}}) {
                    SCOPED_TRACE(c.golden);
                    CCredit::setCoinSettings(8, 1, 1, 4, 0, c.freePlay);
                    credit->update();
                    EXPECT_EQ(texts(), c.freePlay != 0 ? "0 0'0" : "0 0'2");
                    ZqGlSystem::clear(1 | 2 | 4, 0xFF000000u, 1.0f, 0);
                    credit->draw(0.0f);
                    const zqtest::Image shot =
                        zqtest::readRenderTarget(*ZqGlSystem::getD3dDevice());
                    EXPECT_TRUE(zqtest::matchesGolden(lineStrip(shot), c.golden, 2, 0));
                }
                CCredit::deleteInstance();
                releaseGameVertexDeclarations();
            },
            1024, 768));
    }
    std::filesystem::current_path(cwd);
}
