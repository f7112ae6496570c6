// The machine's master volume through a fake mixer behind the platform's mixer interface, and
// the real one (ALSA) on a machine without a sound card.
#include "zq/sd/ZqSdSystem.h"

#include "zq/platform/mixer/mixer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class FakeMixer final : public zqp::MixerBackend {
public:
    uint32_t devices = 2;
    uint32_t destinations = 1;
    bool hasControl = true;
    zqp::MixerVolumeControl control;
    uint32_t opens = 0;
    uint32_t closes = 0;
    uint32_t setChannels = 0;
    uint32_t setItems = 0;
    std::vector<uint32_t> values;

    uint32_t getDeviceCount() override { return devices; }
    bool getDestinationCount(uint32_t, uint32_t& count) override {
        count = destinations;
        return true;
    }
    bool open(uint32_t) override {
        ++opens;
        return true;
    }
    bool getSpeakerVolume(zqp::MixerVolumeControl& out) override {
        out = control;
        return hasControl;
    }
    bool setVolumeValues(const uint32_t channels, const uint32_t items,
                         const uint32_t* const v) override {
        setChannels = channels;
        setItems = items;
        const uint32_t n = control.items > 1 ? control.channels * control.items : control.channels;
        values.assign(v, v + n);
        return true;
    }
    void close() override { ++closes; }
};

class MasterVolume : public ::testing::Test {
protected:
    void SetUp() override {
        m_fake.control.minimum = 0;
        m_fake.control.maximum = 65535;
        m_fake.control.channels = 2;
        zqp::mixerSetBackend(&m_fake);
    }
    void TearDown() override { zqp::mixerSetBackend(nullptr); }
    FakeMixer m_fake;
};

TEST_F(MasterVolume, ScalesIntoTheControlsRangeOnEveryChannel) {
    struct Row {
        int line;
        int64_t minimum, maximum;
        float volume;
        uint32_t value;
    };
    for (const Row& r : {Row{__LINE__, 0, 65535, 1.0f, 65535}, Row{__LINE__, 0, 65535, 0.0f, 0},
                         Row{__LINE__, 0, 65535, 0.5f, 32767}, Row{__LINE__, 10, 110, 0.333f, 43},
                         Row{__LINE__, 0, 87, 0.999f, 86}}) {
        SCOPED_TRACE(r.line);
        m_fake.control.minimum = r.minimum;
        m_fake.control.maximum = r.maximum;
        ASSERT_TRUE(ZqSdSystem::setMasterVolume(1, r.volume));
        EXPECT_EQ(m_fake.values, std::vector<uint32_t>(2, r.value));
        EXPECT_EQ(m_fake.setChannels, 2u);
        EXPECT_EQ(m_fake.setItems, 0u);
    }
    // A uniform control is set as one channel; several items per channel are all filled.
    m_fake.control.uniform = true;
    m_fake.control.items = 3;
    ASSERT_TRUE(ZqSdSystem::setMasterVolume(0, 1.0f));
    EXPECT_EQ(m_fake.setChannels, 1u);
    EXPECT_EQ(m_fake.setItems, 3u);
    EXPECT_EQ(m_fake.values, std::vector<uint32_t>(6, 87));
    EXPECT_EQ(m_fake.opens, m_fake.closes);
}

TEST_F(MasterVolume, RefusesWithoutTouchingTheDevice) {
    for (const float v : {1.01f, -0.01f}) {
        EXPECT_FALSE(ZqSdSystem::setMasterVolume(0, v));
    }
    EXPECT_FALSE(ZqSdSystem::setMasterVolume(2, 0.5f));
    m_fake.destinations = 0;
    EXPECT_FALSE(ZqSdSystem::setMasterVolume(0, 0.5f));
    EXPECT_EQ(m_fake.opens, 0u);
    // A device without a speaker control is opened, and closed again.
    m_fake.destinations = 1;
    m_fake.hasControl = false;
    EXPECT_FALSE(ZqSdSystem::setMasterVolume(0, 0.5f));
    EXPECT_EQ(m_fake.opens, 1u);
    EXPECT_EQ(m_fake.closes, 1u);
    EXPECT_TRUE(m_fake.values.empty());
}

TEST(MasterVolumeAlsa, NoSoundCardMeansNoDevices) {
    // This machine has no sound card: ALSA lists none and every call fails cleanly.
    const uint32_t n = ZqSdSystem::getNrDevices();
    if (n != 0) {
        GTEST_SKIP() << "a sound card is present";
    }
    EXPECT_FALSE(ZqSdSystem::setMasterVolume(0, 0.5f));
}

} // namespace
