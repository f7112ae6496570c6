#include "tests/dorvanex/core/opdata/OpDataSupport.h"

#include "dorvanex/core/cabinet/CCredit.h"
#include "dorvanex/core/opdata/CGameSettings.h"
#include "dorvanex/core/sound/CSoundManager.h"
#include "zq/file/ZqByteWriter.h"

namespace {

const std::u16string E = u"e:/SPORTS_OPTION/testmode.dat";
const std::u16string F = u"f:/SPORTS_OPTION/testmode.dat";

std::vector<uint8_t> settingsPayload(const int32_t n = -1, const int32_t value = 0) {
    ZqByteWriter w;
    for (int32_t i = 0; i < CGameSettings::COUNT; ++i) {
        w.i32(i == n ? value : CGameSettings::DEFAULTS[i].value);
    }
    return w.take();
}

} // namespace

class GameSettings : public OpDataTest {
protected:
    void SetUp() override {
        OpDataTest::SetUp();
        ASSERT_EQ(CGameSettings::create(), 0);
        m_settings = CGameSettings::getInstance();
    }
    void TearDown() override {
        CGameSettings::release();
        OpDataTest::TearDown();
    }
    CGameSettings* m_settings = nullptr;
};

TEST_F(GameSettings, FirstStartWritesDefaultsToBothDrives) {
    EXPECT_EQ(m_settings->getValue(10), 0); // zero until load
    EXPECT_EQ(m_settings->load(), 0);
    EXPECT_EQ(m_settings->getValue(10), 2);
    EXPECT_EQ(m_settings->getValue(25), -15);
    EXPECT_EQ(m_settings->getValue(77), 2);
    for (const std::u16string& path : {E, F}) {
        const std::vector<uint8_t> bytes = m_disk.file(path);
        ASSERT_EQ(bytes.size(), 312u + 44u);
        std::vector<uint8_t> payload(312);
        EXPECT_TRUE(decodeDataFile(bytes.data(), bytes.size(), payload.data(), 312).valid);
        EXPECT_EQ(payload, settingsPayload());
    }
    // A second store is refused and the first stays.
    EXPECT_EQ(CGameSettings::create(), -1);
    EXPECT_EQ(CGameSettings::getInstance(), m_settings);
}

TEST_F(GameSettings, OutOfRangeSettingsMakeACopyDamaged) {
    const struct {
        int32_t n;
        int32_t value;
        bool valid;
    } cases[] = {
        {10, 0, false}, {10, 4, true},  {10, 5, false},   {0, 31, false}, {0, -1, false},
        {3, 11, false}, {4, 0, false},  {4, 32, true},    {4, 33, false}, {5, 17, false},
        {6, 0, false},  {8, 2, false},  {11, 1, false},   {15, 6, false}, {44, 2, false},
        {46, 0, false}, {67, 2, false}, {77, 100, false}, {68, 99, true}, {2, 999, true},
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t> p = settingsPayload(c.n, c.value);
        EXPECT_EQ(CGameSettings::isValidFile(p.data(), 312), c.valid) << c.n << " " << c.value;
    }
}

TEST_F(GameSettings, ADamagedFileLoadsTheDefaultsAndWritesNothing) {
    m_disk.putFile(E, copyAt(1796904000, settingsPayload(10, 0)));
    m_disk.putFile(F, copyAt(1796904000, settingsPayload(10, 0)));
    const std::vector<uint8_t> before = m_disk.file(E);
    m_settings->setValue(12, 77);
    EXPECT_EQ(m_settings->load(), -1);
    EXPECT_EQ(m_settings->getValue(10), 2);
    EXPECT_EQ(m_settings->getValue(12), 0);
    EXPECT_EQ(m_disk.file(E), before);
}

TEST_F(GameSettings, AValidOlderCopyWinsOverANewerInvalidOne) {
    m_disk.putFile(E, copyAt(1796904000, settingsPayload(10, 9)));
    m_disk.putFile(F, copyAt(1796900000, settingsPayload(10, 3)));
    EXPECT_EQ(m_settings->load(), 0);
    EXPECT_EQ(m_settings->getValue(10), 3);
    // Both drives now hold the same valid copy.
    EXPECT_EQ(m_disk.file(E), m_disk.file(F));
}

TEST_F(GameSettings, ADeadDriveIsNotAFirstStart) {
    m_disk.setDrivePresent(1, false);
    EXPECT_EQ(m_settings->load(), -1);
    EXPECT_EQ(m_settings->getValue(10), 2);
    EXPECT_TRUE(m_disk.file(E).empty());
}

TEST_F(GameSettings, FactoryResetKeepsTheClockAndBookkeepingAndHandsOnCoinsAndVolumes) {
    ASSERT_EQ(m_settings->load(), 0);
    for (int32_t n = 32; n <= 35; ++n) {
        m_settings->setValue(n, 100 + n);
    }
    m_settings->setValue(10, 4);
    m_settings->setValue(4, 7);
    m_settings->setValue(0, 15);
    EXPECT_EQ(m_settings->getClockOffset(), (int64_t{134} << 32) | 133);
    EXPECT_EQ(m_settings->takeResetFlag(), 0);
    EXPECT_EQ(m_settings->resetFactory(), 0);
    for (int32_t n = 32; n <= 35; ++n) {
        EXPECT_EQ(m_settings->getValue(n), 100 + n);
    }
    EXPECT_EQ(m_settings->getValue(10), 2);
    std::array<uint8_t, 6> coins{};
    CCredit::getCoinSettings(&coins[0], &coins[1], &coins[2], &coins[3], &coins[4], &coins[5]);
    EXPECT_EQ(coins, (std::array<uint8_t, 6>{1, 1, 1, 4, 0, 0}));
    EXPECT_FLOAT_EQ(CSoundManager::getInstance()->getBgmOptionVolume(), 20.0f / 30.0f);
    EXPECT_EQ(m_settings->takeResetFlag(), -1);
    EXPECT_EQ(m_settings->takeResetFlag(), 0);
    // The reset is on both drives.
    ASSERT_EQ(m_settings->load(), 0);
    EXPECT_EQ(m_settings->getValue(35), 135);
    // resetAll restores every setting.
    EXPECT_EQ(m_settings->resetAll(), 0);
    EXPECT_EQ(m_settings->getValue(35), 0);
    EXPECT_EQ(m_settings->takeResetFlag(), -1);
}

TEST_F(GameSettings, AFailedSaveIsReturnedAndLogged) {
    ASSERT_EQ(m_settings->load(), 0);
    m_disk.setReadOnly(u"f:/SPORTS_OPTION", true);
    EXPECT_EQ(m_settings->save(), -SAVE_FAILED_F);
    EXPECT_NE(textOf(u"e:/SPORTS_OPTION/log/error.log").find("testmode.dat"), std::string::npos);
}
